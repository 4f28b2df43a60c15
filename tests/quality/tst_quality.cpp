#include "quality/dataquality.h"
#include "quality/servedimage.h"
#include "state/stateobject.h"
#include "support/samplestation.h"

#include <QtTest>

#include <cmath>
#include <cstring>

using namespace quality;

namespace {

constexpr qint64 Second = 1000;

Readings temperature(double celsius)
{
    Readings r;
    r[Quantity::Temperature] = celsius;
    return r;
}

// Feeds one temperature a second from t = 0; true for each one let through.
QVector<bool> passes(DataQuality &dq, const QVector<double> &celsius)
{
    QVector<bool> out;
    for (int i = 0; i < celsius.size(); ++i) {
        Readings r = temperature(celsius[i]);
        out << dq.check(r, i * Second).none();
    }
    return out;
}

quint16 wordAt(const quint8 *wire, int reg)
{
    return quint16(wire[2 * (reg - 201)] << 8 | wire[2 * (reg - 201) + 1]);
}

} // namespace

class TestQuality : public QObject
{
    Q_OBJECT

private slots:
    void calibrationCorrectsAndDefaultsKeepEveryBit()
    {
        Readings r;
        r[Quantity::Temperature] = 21.4;
        r[Quantity::Humidity] = 99.0;
        r[Quantity::StationPressure] = 1000.0;
        r[Quantity::SeaLevelPressure] = 1013.0;
        r[Quantity::WindGust] = 10.0;
        r[Quantity::RainDay] = 4.0;
        Calibration c;
        c.temperatureOffset = -1.5;
        c.humidityOffset = 3;
        c.pressureOffset = 0.5;
        c.windMultiplier = 1.1;
        c.rainMultiplier = 0.5;
        calibrate(r, c);
        QCOMPARE(qRound(r[Quantity::Temperature] * 10), 199);
        QCOMPARE(r[Quantity::Humidity], 100.0);
        QCOMPARE(r[Quantity::StationPressure], 1000.5);
        QCOMPARE(r[Quantity::SeaLevelPressure], 1013.5);
        QCOMPARE(r[Quantity::WindGust], 11.0);
        QCOMPARE(r[Quantity::RainDay], 2.0);
        QVERIFY(calibratedQuantities(c).test(std::size_t(Quantity::DewPoint)));
        QVERIFY(!calibratedQuantities(c).test(std::size_t(Quantity::Solar)));

        Readings zero;
        zero[Quantity::Temperature] = -0.0;
        zero[Quantity::Humidity] = 100.4;
        calibrate(zero, Calibration());
        QVERIFY(std::signbit(zero[Quantity::Temperature]));
        QCOMPARE(zero[Quantity::Humidity], 100.4);
        QVERIFY(calibratedQuantities(Calibration()).none());
    }

    void limitsRejectWhatTheAtmosphereCannotDo()
    {
        QVERIFY(withinLimits(Quantity::Temperature, -90));
        QVERIFY(withinLimits(Quantity::Temperature, 70));
        QVERIFY(!withinLimits(Quantity::Temperature, 70.1));
        QVERIFY(!withinLimits(Quantity::Humidity, std::nan("")));
        QVERIFY(!withinLimits(Quantity::SeaLevelPressure, 799.9));

        // 50 in/h is 1270 mm/h: beyond the bound in millimetres.
        DataQuality dq;
        Readings r;
        r[Quantity::RainRate] = 50;
        QCOMPARE(dq.check(r, 0, 25.4), only(Quantity::RainRate));
        QVERIFY(std::isnan(r[Quantity::RainRate]));
        r[Quantity::RainRate] = 50;
        QVERIFY(dq.check(r, Second, 1).none());
    }

    void aSingleSpikeIsRejectedAndCounted()
    {
        DataQuality dq;
        QCOMPARE(
            passes(dq, { 21.4, 60.0, 21.4, 21.5 }), QVector<bool>({ true, false, true, true }));
        QCOMPARE(dq.rejections().total(Quantity::Temperature), quint64(1));
        QCOMPARE(dq.rejections().summary(), QStringLiteral("Temperature 1"));
    }

    void aStepThatPersistsIsAcceptedWithinAMinute()
    {
        DataQuality dq;
        QCOMPARE(passes(dq, { 21.4, 24.4, 24.4, 24.5, 24.5 }),
            QVector<bool>({ true, false, false, true, true }));

        // The day's rain going back to 0 is the station's reset, not a spike;
        // 30 mm in a second is one.
        Readings r;
        for (double mm : { 12.0, 0.0, 30.0 }) {
            r[Quantity::RainDay] = mm;
            dq.check(r, 10 * Second);
        }
        QCOMPARE(dq.rejections().total(Quantity::RainDay), quint64(1));
    }

    void checksOffLeaveValuesAloneButStillCalibrate()
    {
        DataQuality dq;
        QualitySettings s;
        s.checks = false;
        s.calibration.temperatureOffset = -1.5;
        dq.setSettings(s);
        QCOMPARE(passes(dq, { 21.4, 60.0, 95.0 }), QVector<bool>({ true, true, true }));
        Readings r = temperature(21.4);
        dq.calibrate(r);
        QCOMPARE(qRound(r[Quantity::Temperature] * 10), 199);
    }

    void theHourlyLineReportsOnlyNewRejections()
    {
        RejectionCounts counts;
        QVERIFY(counts.hourlyLine(0).isEmpty());
        counts.add(only(Quantity::Temperature) | only(Quantity::WindGust));
        counts.add(only(Quantity::Temperature));
        QVERIFY(counts.hourlyLine(3599 * Second).isEmpty());
        QCOMPARE(counts.hourlyLine(3600 * Second),
            QStringLiteral(
                "Data checks: 3 values rejected in the last hour (Temperature 2, Wind gust 1)"));
        QVERIFY(counts.hourlyLine(7200 * Second).isEmpty());
        QCOMPARE(counts.summary(), QStringLiteral("Temperature 2, Wind gust 1"));
    }

    void theGatewayServesCorrectedAndLastGoodValues()
    {
        DataQuality dq;
        QualitySettings s;
        s.calibration.temperatureOffset = -1.5;
        s.calibration.solarMultiplier = 2;
        dq.setSettings(s);

        quint8 wire[200];
        const auto cycle = [&](double celsius, double pressure, qint64 at) {
            std::memset(wire, 0x11, sizeof wire); // the station's bytes of this read
            Readings r = temperature(celsius);
            r[Quantity::SeaLevelPressure] = pressure;
            r[Quantity::Solar] = 300;
            dq.calibrate(r);
            const QuantitySet rejected = dq.check(r, at);
            const DataQuality::Served out = dq.served(r, rejected);
            encodeServed(wire, out.values, out.which, 245);
        };
        cycle(21.4, 1300, 0);
        QCOMPARE(wordAt(wire, 222), quint16(199));
        QCOMPARE(wordAt(wire, 251), NoValueWord); // never a good one to serve
        QCOMPARE(wordAt(wire, 245), quint16(0x4416)); // 600.0f
        QCOMPARE(wordAt(wire, 243), quint16(0x1111)); // no rain gauge: untouched

        cycle(60.0, 1013, Second);
        QCOMPARE(wordAt(wire, 222), quint16(199));
        QCOMPARE(wordAt(wire, 251), quint16(0x1111)); // good and uncorrected: the station's
    }

    // Through the acquisition's step, as every consumer gets the values.
    void aRefusedValueTakesWhatIsWorkedOutFromItAlong()
    {
        FakeStation station;
        fillSampleStation(station);
        const QDateTime now(QDate(2026, 3, 6), QTime(14, 5));
        const QByteArray unchecked = state::stateJson(sampleValues(now), now);
        DataQuality dq;
        StationValues v;
        decodeStatusBlock(station.status, v);
        applyDataBlock(v, station.data, now, &dq);
        QCOMPARE(state::stateJson(v, now), unchecked); // defaults: not a bit moved

        station.setData(222, 600); // 60 °C, a second later
        applyDataBlock(v, station.data, now.addSecs(1), &dq);
        const QJsonObject o = state::stateObject(v, now);
        for (const char *key : { "temperature_c", "density_altitude_ft", "cloud_base_ft",
                 "heat_index_c", "wind_chill_c", "humidex", "wbgt_c", "metar" })
            QVERIFY2(o[key].isNull(), key);
        QCOMPARE(o["humidity_pct"].toDouble(), 55.5);
        QCOMPARE(o["altimeter_hpa"].isNull(), false);
        QCOMPARE(v.airTempH, 21.4);

        // A rain multiplier on a station without a gauge leaves its rain as sent.
        QualitySettings s;
        s.calibration.rainMultiplier = 0.5;
        dq.setSettings(s);
        station.setData(263, 0);
        applyDataBlock(v, station.data, now.addSecs(2), &dq);
        QVERIFY(!std::isnan(v.rainDay));
        QVERIFY(!std::isnan(v.rainRate));
    }
};

QTEST_APPLESS_MAIN(TestQuality)
#include "tst_quality.moc"

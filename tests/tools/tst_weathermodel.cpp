#include "station/weathermodel.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <vector>

namespace {

// A fixed zone without daylight saving, so clock time is the standard time the
// model treats as solar time.
QDateTime at(int year, int month, int day, int hour, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::OffsetFromUTC, 3600);
}

double signedValue(quint16 word)
{
    return double(qint16(word));
}

double floatAt(const quint16 *registers)
{
    const quint32 bits = (quint32(registers[0]) << 16) | registers[1];
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double magnusDewPoint(double t, double rh)
{
    const double g = std::log(rh / 100.0) + 17.62 * t / (243.12 + t);
    return 243.12 * g / (17.62 - g);
}

double angleBetween(double a, double b)
{
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

struct Sample
{
    double speed;
    double dir;
};

} // namespace

class TestWeatherModel : public QObject
{
    Q_OBJECT

private slots:
    void summerDayStaysPhysical()
    {
        WeatherModel model(11, at(2024, 6, 20, 20));
        QDateTime now = at(2024, 6, 20, 20);
        double nightMaxHumidity = 0, afternoonMinHumidity = 100;
        double nightMinTemp = 100, afternoonMaxTemp = -100;
        for (int i = 0; i < 30 * 3600; ++i) {
            now = now.addSecs(1);
            model.step(now);
            const Observation &o = model.observation();
            const int hour = now.time().hour();

            QVERIFY2(o.dewPoint <= o.airTemp, qPrintable(now.toString(Qt::ISODate)));
            QVERIFY(o.humidity > 0.0 && o.humidity <= 100.0);
            QVERIFY(std::fabs(o.dewPoint - magnusDewPoint(o.airTemp, o.humidity)) < 0.01);
            // Sunset is near 20:00 solar time at 47° N in late June, sunrise near 04:00.
            if (hour >= 21 || hour <= 3)
                QCOMPARE(o.solar, 0.0);
            if (hour == 12)
                QVERIFY(o.solar > 100.0);
            // 120 m of air is about 14 hPa.
            QVERIFY(o.seaLevelPressure - o.stationPressure > 12.0);
            QVERIFY(o.seaLevelPressure - o.stationPressure < 17.0);
            if (o.airTemp > 10.0)
                QCOMPARE(o.windChill, -999.0);
            if (o.airTemp * 1.8 + 32.0 < 80.0 || o.humidity < 40.0)
                QCOMPARE(o.heatIndex, -999.0);
            if (o.airTemp < 20.0) {
                QCOMPARE(o.wbgt, -999.0);
                QCOMPARE(o.humidex, -999.0);
            } else {
                QVERIFY(o.humidex != -999.0);
                QVERIFY(o.wbgt > o.airTemp - 15.0 && o.wbgt < o.airTemp + 5.0);
            }
            if (hour < 6) {
                nightMaxHumidity = std::max(nightMaxHumidity, o.humidity);
                nightMinTemp = std::min(nightMinTemp, o.airTemp);
            } else if (hour >= 13 && hour < 18) {
                afternoonMinHumidity = std::min(afternoonMinHumidity, o.humidity);
                afternoonMaxTemp = std::max(afternoonMaxTemp, o.airTemp);
            }
        }
        QVERIFY(afternoonMaxTemp > nightMinTemp + 3.0);
        QVERIFY(afternoonMinHumidity < nightMaxHumidity - 10.0);
    }

    void coldAndHotSitesGetTheirIndices()
    {
        // January at 47° N: wind chill wherever the wind blows above 4.8 km/h.
        WeatherModel cold(5, at(2024, 1, 15, 0));
        QDateTime now = at(2024, 1, 15, 0);
        int chilled = 0;
        for (int i = 0; i < 24 * 3600; ++i) {
            now = now.addSecs(1);
            cold.step(now);
            const Observation &o = cold.observation();
            if (o.airTemp <= 10.0 && o.wind2 * 3.6 > 4.8) {
                QVERIFY(o.windChill != -999.0);
                QVERIFY(o.windChill <= o.airTemp);
                ++chilled;
            } else {
                QCOMPARE(o.windChill, -999.0);
            }
        }
        QVERIFY(chilled > 3600);

        Site hot;
        hot.annualMeanTemp = 24.0;
        hot.seasonalSwing = 6.0;
        hot.diurnalSwing = 7.0;
        WeatherModel model(5, at(2024, 7, 20, 0), hot);
        now = at(2024, 7, 20, 0);
        int heated = 0;
        for (int i = 0; i < 24 * 3600; ++i) {
            now = now.addSecs(1);
            model.step(now);
            const Observation &o = model.observation();
            if (o.airTemp * 1.8 + 32.0 >= 80.0 && o.humidity >= 40.0) {
                QVERIFY(o.heatIndex > o.airTemp - 1.0);
                ++heated;
            } else {
                QCOMPARE(o.heatIndex, -999.0);
            }
        }
        QVERIFY(heated > 600);
    }

    void windAveragesAreTrueAverages()
    {
        WeatherModel model(3, at(2024, 3, 1, 9));
        QDateTime now = at(2024, 3, 1, 9);
        std::vector<Sample> samples { { model.observation().wind, model.observation().windDir } };
        double lowDir10 = 360, highDir10 = 0;
        int gusts = 0;
        for (int i = 0; i < 6 * 3600; ++i) {
            now = now.addSecs(1);
            model.step(now);
            const Observation &o = model.observation();
            samples.push_back({ o.wind, o.windDir });
            QVERIFY(o.windDir >= 0.0 && o.windDir < 360.0);

            for (int span : { 120, 600 }) {
                const int n = std::min<int>(span, int(samples.size()));
                double sum = 0, east = 0, north = 0, peak = 0, peakDir = 0;
                for (int k = int(samples.size()) - n; k < int(samples.size()); ++k) {
                    sum += samples[std::size_t(k)].speed;
                    east += std::sin(samples[std::size_t(k)].dir * M_PI / 180.0);
                    north += std::cos(samples[std::size_t(k)].dir * M_PI / 180.0);
                    if (samples[std::size_t(k)].speed > peak) {
                        peak = samples[std::size_t(k)].speed;
                        peakDir = samples[std::size_t(k)].dir;
                    }
                }
                const double meanDir = std::atan2(east, north) * 180.0 / M_PI;
                if (span == 120) {
                    QVERIFY(std::fabs(o.wind2 - sum / n) < 1e-9);
                    QVERIFY(angleBetween(o.windDir2, meanDir) < 1e-6);
                } else {
                    QVERIFY(std::fabs(o.wind10 - sum / n) < 1e-9);
                    QVERIFY(angleBetween(o.windDir10, meanDir) < 1e-6);
                    // A gust is the 10-minute peak when it stands 2.5 m/s above the mean.
                    if (peak - sum / n >= 2.5) {
                        QCOMPARE(o.gust, peak);
                        QCOMPARE(o.gustDir, peakDir);
                        ++gusts;
                    } else {
                        QCOMPARE(o.gust, 0.0);
                    }
                }
            }
            lowDir10 = std::min(lowDir10, o.windDir10);
            highDir10 = std::max(highDir10, o.windDir10);
        }
        QVERIFY(gusts > 0);
        // The direction wanders rather than sitting still.
        QVERIFY(highDir10 - lowDir10 > 20.0);
    }

    void trendCodeFollowsThreeHourChange()
    {
        WeatherModel model(2, at(2024, 10, 3, 0));
        QDateTime now = at(2024, 10, 3, 0);
        std::vector<double> pressures { model.observation().seaLevelPressure };
        std::set<int> codes;
        double low = 2000, high = 0;
        for (int i = 0; i < 2 * 86400; ++i) {
            now = now.addSecs(1);
            model.step(now);
            const Observation &o = model.observation();
            pressures.push_back(o.seaLevelPressure);
            low = std::min(low, o.seaLevelPressure);
            high = std::max(high, o.seaLevelPressure);
            if (pressures.size() <= 3 * 3600)
                continue;
            const double change = pressures.back() - pressures[pressures.size() - 1 - 3 * 3600];
            const double size = std::fabs(change);
            int expected = size < 0.5 ? 0 : size < 2.0 ? 1 : size < 3.5 ? 2 : 3;
            if (change < 0)
                expected = -expected;
            QCOMPARE(o.trendCode, expected);
            codes.insert(o.trendCode);
        }
        QVERIFY(high - low > 1.0);
        QVERIFY(codes.size() >= 3);
    }

    void trendCodeThresholds_data()
    {
        QTest::addColumn<double>("change");
        QTest::addColumn<int>("code");
        QTest::newRow("still") << 0.0 << 0;
        QTest::newRow("just steady") << 0.49 << 0;
        QTest::newRow("rising") << 0.5 << 1;
        QTest::newRow("falling") << -0.5 << -1;
        QTest::newRow("still rising") << 1.99 << 1;
        QTest::newRow("rising fast") << 2.0 << 2;
        QTest::newRow("falling fast") << -3.49 << -2;
        QTest::newRow("rising very fast") << 3.5 << 3;
        QTest::newRow("falling very fast") << -6.0 << -3;
    }

    void trendCodeThresholds()
    {
        QFETCH(double, change);
        QFETCH(int, code);
        QCOMPARE(WeatherModel::trendCode(change), code);
    }

    void rainTodayResetsAtLocalMidnight()
    {
        QDateTime now = at(2024, 5, 10, 23, 30);
        WeatherModel model(9, now);
        model.startShower(20 * 60, 12.0, false);
        double integral = 0;
        while (now < at(2024, 5, 10, 23, 59, 59)) {
            now = now.addSecs(1);
            model.step(now);
            integral += model.observation().rainRate / 3600.0;
            QVERIFY(std::fabs(model.observation().rainToday - integral) < 1e-9);
        }
        QVERIFY(!model.showerActive());
        // A 20-minute shower peaking at 12 mm/h averages 6 mm/h: 2 mm.
        QVERIFY(std::fabs(integral - 2.0) < 0.01);
        quint16 status[11], data[100];
        model.fillRegisters(status, data);
        QCOMPARE(int(data[243 - 201]), 200);
        QCOMPARE(int(data[263 - 201]), 1);

        model.step(at(2024, 5, 11, 0, 0, 0));
        QCOMPARE(model.observation().rainToday, 0.0);
        model.fillRegisters(status, data);
        QCOMPARE(int(data[243 - 201]), 0);
        QCOMPARE(int(data[244 - 201]), 0);
    }

    void stormBringsLightning()
    {
        QDateTime now = at(2024, 7, 2, 15);
        WeatherModel model(4, now);
        model.startShower(30 * 60, 25.0, true);
        QVERIFY(model.stormActive());
        std::vector<int> perSecond;
        int lastDistance = 0;
        for (int i = 0; i < 90 * 60; ++i) {
            now = now.addSecs(1);
            model.step(now);
            const Observation &o = model.observation();
            perSecond.push_back(o.newStrikes);
            auto recent = [&perSecond](int seconds) {
                const int n = std::min<int>(seconds, int(perSecond.size()));
                int sum = 0;
                for (int k = int(perSecond.size()) - n; k < int(perSecond.size()); ++k)
                    sum += perSecond[std::size_t(k)];
                return sum;
            };
            QCOMPARE(o.strikes10, recent(600));
            QCOMPARE(o.strikes30, recent(1800));
            QCOMPARE(o.strikes60, recent(3600));
            if (o.newStrikes > 0)
                lastDistance = o.lightningDistance;
            if (o.strikes60 > 0) {
                QVERIFY(o.lightningDistance >= 1 && o.lightningDistance <= 40);
                QCOMPARE(o.lightningDistance, lastDistance);
            } else {
                QCOMPARE(o.lightningDistance, 0);
            }
        }
        QVERIFY(std::count(perSecond.begin(), perSecond.begin() + 1800, 1) > 20);
        QVERIFY(model.observation().rainToday > 5.0);
    }

    void sameSeedSameWeather()
    {
        const QDateTime start = at(2024, 4, 1, 6);
        WeatherModel a(21, start), b(21, start), c(22, start);
        for (int i = 1; i <= 600; ++i) {
            a.step(start.addSecs(i));
            b.step(start.addSecs(i));
            c.step(start.addSecs(i));
        }
        quint16 statusA[11], dataA[100], statusB[11], dataB[100], statusC[11], dataC[100];
        a.fillRegisters(statusA, dataA);
        b.fillRegisters(statusB, dataB);
        c.fillRegisters(statusC, dataC);
        QVERIFY(std::equal(dataA, dataA + 100, dataB));
        QVERIFY(!std::equal(dataA, dataA + 100, dataC));
    }

    void formulasMatchPublishedTables()
    {
        // US heat index table: 90 °F at 60 % reads 100 °F (37.8 °C).
        QVERIFY(std::fabs(WeatherModel::heatIndex((90 - 32) / 1.8, 60) - 37.8) < 0.6);
        QCOMPARE(WeatherModel::heatIndex(26.0, 90), -999.0);
        QCOMPARE(WeatherModel::heatIndex(30.0, 35), -999.0);
        // Canadian wind chill table: -10 °C in 20 km/h reads -18 (-17.9 unrounded).
        QVERIFY(std::fabs(WeatherModel::windChill(-10.0, 20.0 / 3.6) + 17.9) < 0.1);
        QCOMPARE(WeatherModel::windChill(10.5, 10.0), -999.0);
        QCOMPARE(WeatherModel::windChill(-5.0, 1.0), -999.0);
        // Canadian humidex table: 30 °C with a 15 °C dew point reads 34.
        QVERIFY(std::fabs(WeatherModel::humidex(30.0, 15.0) - 34.0) < 0.5);
        QCOMPARE(WeatherModel::humidex(19.9, 15.0), -999.0);
        // Bureau of Meteorology WBGT at 30 °C, 50 %: vapour 21.14 hPa, so
        // 0.567 * 30 + 0.393 * 21.14 + 3.94 = 29.26.
        QVERIFY(std::fabs(WeatherModel::wbgt(30.0, 50.0) - 29.26) < 0.02);
        QCOMPARE(WeatherModel::wbgt(19.0, 80.0), -999.0);
        // Dew point tables: 20 °C at 50 % gives 9.3 °C.
        QVERIFY(std::fabs(WeatherModel::dewPointFrom(20.0, 50.0) - 9.3) < 0.1);
        QVERIFY(std::fabs(WeatherModel::humidityFrom(20.0, 9.3) - 50.0) < 0.5);
        // Standard atmosphere: 898.7 hPa at 1000 m where it is 8.5 °C.
        QCOMPARE(WeatherModel::seaLevelToStation(1013.25, 15.0, 0), 1013.25);
        QVERIFY(std::fabs(WeatherModel::seaLevelToStation(1013.25, 8.5, 1000) - 898.7) < 0.3);
        // Midsummer at 47° N: the sun stands 66.4° high at noon, 19.6° below at midnight.
        QVERIFY(
            std::fabs(WeatherModel::sunElevationSine(at(2024, 6, 21, 12), 47.0) - 0.9166) < 0.005);
        QVERIFY(
            std::fabs(WeatherModel::sunElevationSine(at(2024, 6, 21, 0), 47.0) + 0.3348) < 0.005);
    }

    void encodesRegistersByTheMap()
    {
        Observation o;
        o.airTemp = -20.0;
        o.solar = 200.0;
        o.serialNumber = 100000;
        o.trendCode = -2;
        o.heatIndex = -999;
        o.windChill = -27.25;
        o.windDir = 359.96;
        o.windDir2 = 123.44;
        o.gust = 0;
        o.gustDir = 200;
        o.rainToday = 12.34;
        o.rainRate = 3.05;
        o.seaLevelPressure = 1013.25;
        o.stationPressure = 998.96;
        o.humidity = 87.56;
        o.elevation = 300;
        o.batteryMillivolts = 13250;
        o.strikes60 = 7;
        quint16 status[11], data[100];
        WeatherModel::encode(o, status, data);
        auto reg = [&data](int number) { return data[number - 201]; };

        QCOMPARE(reg(222), quint16(0xFF38));
        QCOMPARE(reg(245), quint16(0x4348));
        QCOMPARE(reg(246), quint16(0x0000));
        QCOMPARE(floatAt(&data[245 - 201]), 200.0);
        QCOMPARE(status[103 - 101], quint16(0x0001));
        QCOMPARE(status[104 - 101], quint16(0x86A0));
        QCOMPARE(status[109 - 101], quint16(13250));
        QCOMPARE(reg(225), quint16(0xFFFE));
        QCOMPARE(signedValue(reg(241)) / 10, -999.0);
        QCOMPARE(signedValue(reg(242)), -273.0); // -272.5 rounds away from zero
        QCOMPARE(reg(203), quint16(0)); // 359.96 is 360.0, which is north
        QCOMPARE(reg(205), quint16(1234));
        QCOMPARE(reg(208), quint16(0));
        QCOMPARE(reg(209), quint16(0)); // no gust, no gust direction
        QCOMPARE(reg(243), quint16(1234));
        QCOMPARE(reg(244), quint16(305));
        QCOMPARE(reg(251), quint16(10133));
        QCOMPARE(reg(224), quint16(9990));
        QCOMPARE(reg(223), quint16(876));
        QCOMPARE(reg(261), quint16(3));
        QCOMPARE(reg(262), quint16(0));
        QCOMPARE(reg(263), quint16(1));
        QCOMPARE(reg(264), quint16(300));
        QCOMPARE(reg(290), quint16(7));
        QCOMPARE(reg(201), quint16(0));
        QCOMPARE(reg(221), quint16(0));

        o.serialNumber = 4294967295u;
        o.rainInInches = true;
        o.rainToday = 25.4;
        WeatherModel::encode(o, status, data);
        QCOMPARE(status[103 - 101], quint16(0xFFFF));
        QCOMPARE(status[104 - 101], quint16(0xFFFF));
        QCOMPARE(reg(243), quint16(100));
        QCOMPARE(reg(263), quint16(2));
    }

    void registersFollowTheModel()
    {
        QDateTime now = at(2024, 8, 14, 11);
        WeatherModel model(8, now);
        for (int i = 0; i < 3600; ++i) {
            now = now.addSecs(1);
            model.step(now);
            const Observation &o = model.observation();
            quint16 status[11], data[100];
            model.fillRegisters(status, data);
            auto value = [&data](int number) { return signedValue(data[number - 201]); };
            QVERIFY(std::fabs(value(222) / 10 - o.airTemp) <= 0.05 + 1e-9);
            QVERIFY(std::fabs(value(223) / 10 - o.humidity) <= 0.05 + 1e-9);
            QVERIFY(std::fabs(value(249) / 10 - o.dewPoint) <= 0.05 + 1e-9);
            QVERIFY(value(249) <= value(222));
            QVERIFY(std::fabs(value(202) / 10 - o.wind) <= 0.05 + 1e-9);
            QVERIFY(value(203) >= 0 && value(203) < 3600);
            QVERIFY(std::fabs(value(224) / 10 - o.stationPressure) <= 0.05 + 1e-9);
            QVERIFY(std::fabs(value(251) / 10 - o.seaLevelPressure) <= 0.05 + 1e-9);
            QCOMPARE(value(225), double(o.trendCode));
            QVERIFY(std::fabs(floatAt(&data[245 - 201]) - o.solar) < 1e-3);
            QVERIFY(floatAt(&data[245 - 201]) > 0.0); // late morning in August
            QCOMPARE(value(264), 120.0);
            QCOMPARE(int(status[103 - 101]) * 65536 + int(status[104 - 101]), 100234);
            QVERIFY(status[109 - 101] > 12000 && status[109 - 101] < 14000);
            QVERIFY(status[110 - 101] > 0); // the panel feeds the charger by day
        }
    }
};

QTEST_GUILESS_MAIN(TestWeatherModel)
#include "tst_weathermodel.moc"

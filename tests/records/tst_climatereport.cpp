#include "archive/archivestore.h"
#include "records/climatereport.h"
#include "records/reportcommand.h"
#include "support/syntheticweather.h"

#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace records;

namespace {

constexpr double Pi = 3.14159265358979323846;

// India: UTC+5:30, so no local day is a UTC day.
const QTimeZone Kolkata("Asia/Kolkata");

QDate localDate(qint64 utc)
{
    return QDateTime::fromSecsSinceEpoch(utc, Kolkata).date();
}

QString localTime(qint64 utc)
{
    return QDateTime::fromSecsSinceEpoch(utc, Kolkata).toString("HH:mm");
}

// As the archive keeps them, to the hundredth or the thousandth.
double kept(double value, double scale)
{
    return std::round(value * scale) / scale;
}

// One sector of 16 apart at most, either way round.
bool nearSector(const QString &shown, double degrees)
{
    static const QStringList points = { "N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE", "S",
        "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW" };
    const int expected = int(std::lround(degrees / 22.5)) % 16;
    const int gap = std::abs(points.indexOf(shown) - expected) % 16;
    return points.contains(shown) && (gap <= 1 || gap == 15);
}

} // namespace

class TestClimateReport : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;
    QString archive;
    QMap<QDate, QVector<archive::MinuteRow>> days;

    QString report(const ReportRequest &request, const DisplayUnits &units)
    {
        ReportOptions options;
        options.units = units;
        options.zone = Kolkata;
        QString out, err;
        QTextStream o(&out), e(&err);
        return printReport(request, archive, options, o, e) == 0 ? out : err;
    }

private slots:
    void initTestCase()
    {
        archive = folder.filePath("archive.sqlite");
        const qint64 first = QDateTime(QDate(2026, 11, 1), QTime(0, 0), Kolkata).toSecsSinceEpoch();
        QVector<archive::MinuteRow> rows;
        for (archive::MinuteRow r : syntheticMinutes(first, 30 * 1440, 3)) {
            const QDate date = localDate(r.start);
            // A warm spell, for the cooling degree days.
            if (date.day() <= 5)
                for (double *t : { &r.temp, &r.tempMin, &r.tempMax })
                    *t += 15;
            // 9 November is missing, and the 17th after 10:00.
            if (date.day() == 9 || (date.day() == 17 && localTime(r.start) >= "10:00"))
                continue;
            rows.append(r);
            days[date].append(r);
        }
        ArchiveStore store;
        QCOMPARE(store.open(archive), ArchiveStore::OpenResult::Ready);
        QVERIFY(store.insert(rows).ok);
    }

    void monthAgainstIndependentSums_data()
    {
        QTest::addColumn<bool>("imperial");
        QTest::addColumn<QString>("header");
        QTest::newRow("metric") << false << "TEMPERATURE (°C), RAIN (mm), WIND SPEED (km/h)";
        QTest::newRow("imperial") << true << "TEMPERATURE (°F), RAIN (in), WIND SPEED (mph)";
    }

    void monthAgainstIndependentSums()
    {
        QFETCH(bool, imperial);
        QFETCH(QString, header);
        DisplayUnits units;
        units.temperature = imperial ? TemperatureUnit::Fahrenheit : TemperatureUnit::Celsius;
        units.speed = imperial ? SpeedUnit::Mph : SpeedUnit::KmPerHour;
        units.rain = imperial ? RainGauge::Inches : RainGauge::Millimetres;
        const auto temp = [imperial](double c) { return imperial ? c * 1.8 + 32 : c; };
        const auto degrees = [imperial](double d) { return imperial ? d * 1.8 : d; };
        const auto rain = [imperial](double mm) { return imperial ? mm / 25.4 : mm; };
        const auto speed = [imperial](double ms) { return ms * (imperial ? 2.2369363 : 3.6); };

        const QString text = report({ 2026, 11 }, units);
        QVERIFY2(text.contains(header), qPrintable(text));
        const QStringList lines = text.split('\n');
        const int rule = lines.indexOf(QRegularExpression("^-+$"));
        QVERIFY(rule > 0);
        const auto near = [](const QString &shown, double expected, double within = 0.051) {
            return std::abs(shown.toDouble() - expected) <= within;
        };

        double monthRain = 0;
        int rainDays = 0;
        for (int day = 1; day <= 30; ++day) {
            const QStringList f = lines.at(rule + day).split(' ', Qt::SkipEmptyParts);
            QCOMPARE(f.size(), 13);
            QCOMPARE(f[0], QString::number(day));
            const QVector<archive::MinuteRow> &minutes = days.value(QDate(2026, 11, day));
            if (minutes.isEmpty()) {
                QCOMPARE(f.mid(1).join(" "),
                    QStringList(QVector<QString>(12, "---").toList()).join(" "));
                continue;
            }
            double tempSum = 0, windSum = 0, wet = 0, east = 0, north = 0;
            double high = -1e9, low = 1e9, gust = -1;
            qint64 highAt = 0, lowAt = 0, gustAt = 0;
            for (const archive::MinuteRow &r : minutes) {
                tempSum += kept(r.temp, 100);
                windSum += kept(r.wind, 100);
                wet += kept(r.rain, 1000);
                east += r.wind * std::sin(r.windDir * Pi / 180);
                north += r.wind * std::cos(r.windDir * Pi / 180);
                if (kept(r.tempMax, 100) > high)
                    high = kept(r.tempMax, 100), highAt = r.start;
                if (kept(r.tempMin, 100) < low)
                    low = kept(r.tempMin, 100), lowAt = r.start;
                if (kept(r.gust, 100) > gust)
                    gust = kept(r.gust, 100), gustAt = r.start;
            }
            const double mean = tempSum / minutes.size();
            const QByteArray where = "day " + QByteArray::number(day);
            QVERIFY2(near(f[1], temp(mean)), where);
            QVERIFY2(near(f[2], temp(high)) && f[3] == localTime(highAt), where);
            QVERIFY2(near(f[4], temp(low)) && f[5] == localTime(lowAt), where);
            QVERIFY2(near(f[6], degrees(std::max(0.0, 18.3 - mean)), 0.06), where);
            QVERIFY2(near(f[7], degrees(std::max(0.0, mean - 18.3)), 0.06), where);
            QVERIFY2(near(f[8], rain(wet), imperial ? 0.0051 : 0.051), where);
            QVERIFY2(near(f[9], speed(windSum / minutes.size())), where);
            QVERIFY2(near(f[10], speed(gust)) && f[11] == localTime(gustAt), where);
            const double direction = std::fmod(std::atan2(east, north) * 180 / Pi + 360, 360);
            QVERIFY2(nearSector(f[12], direction), where);
            monthRain += wet;
            rainDays += rain(wet) >= (imperial ? 0.01 : 0.2) - 1e-9;
        }
        const QStringList total = lines.at(rule + 32).split(' ', Qt::SkipEmptyParts);
        QVERIFY(near(total[7], rain(monthRain), imperial ? 0.0051 : 0.051));
        QVERIFY(text.contains(QRegularExpression(
            QString("Days of rain: %1 \\(>= %2 ").arg(rainDays).arg(imperial ? "0.01" : "0.2"))));
    }

    void yearHoldsTheMonthAndDashesElsewhere()
    {
        DisplayUnits metric;
        metric.temperature = TemperatureUnit::Celsius;
        metric.speed = SpeedUnit::KmPerHour;
        const QString month = report({ 2026, 11 }, metric);
        const QString year = report({ 2026, 0 }, metric);
        const QStringList monthLines = month.split('\n');
        const int rule = monthLines.lastIndexOf(QRegularExpression("^-+$"));
        const QString monthRain = monthLines.at(rule + 1).split(' ', Qt::SkipEmptyParts).at(7);
        // The rain table's November row has its total; October has no data.
        const QRegularExpression november("^2026  11 +(\\S+) ");
        const QStringList rows = year.split('\n').filter(november);
        QCOMPARE(rows.size(), 3); // temperature, rain, wind
        QCOMPARE(november.match(rows.at(1)).captured(1), monthRain);
        QVERIFY(year.contains(QRegularExpression("\n2026  10 +--- +--- +---")));
    }
};

QTEST_GUILESS_MAIN(TestClimateReport)
#include "tst_climatereport.moc"

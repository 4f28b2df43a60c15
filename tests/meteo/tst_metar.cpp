#include "meteo/metar.h"

#include <QtTest>

#include <clocale>
#include <cmath>
#include <limits>

using meteo::composeMetar;
using meteo::MetarInputs;

namespace {

// The worked example: the 6th, 14:05 UTC.
const QDateTime exampleTime(QDate(2024, 3, 6), QTime(14, 5), Qt::UTC);
const QString exampleLine
    = QStringLiteral("<b>METAR</b> 061405Z AUTO 25007KT 21/10 A2992 RMK AO1 SLP134=");

MetarInputs example()
{
    MetarInputs in;
    in.wind2 = 3.6;
    in.windDir2 = 247;
    in.windGust = 0;
    in.airTemp = 21.4;
    in.dewPoint = 9.6;
    in.altimeter = 1013.4;
    in.stationElevation = 300;
    return in;
}

// The group after " AUTO ", e.g. "25007KT".
QString windGroup(const MetarInputs &in)
{
    return composeMetar(in, exampleTime).section(QLatin1Char(' '), 3, 3);
}

// The temperature/dew point group, e.g. "21/10".
QString tempGroup(const MetarInputs &in)
{
    return composeMetar(in, exampleTime).section(QLatin1Char(' '), 4, 4);
}

} // namespace

class TestMetar : public QObject
{
    Q_OBJECT

private slots:
    void workedExample() { QCOMPARE(composeMetar(example(), exampleTime), exampleLine); }

    void timeGroupIsUtcAndZeroPadded()
    {
        const QDateTime midnight(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
        QVERIFY(composeMetar(example(), midnight).startsWith("<b>METAR</b> 010000Z AUTO "));
        // 00:30 at UTC+2 is 22:30 on the previous day, a leap day.
        const QDateTime local(QDate(2024, 3, 1), QTime(0, 30), Qt::OffsetFromUTC, 7200);
        QVERIFY(composeMetar(example(), local).startsWith("<b>METAR</b> 292230Z AUTO "));
    }

    void windDirection_data()
    {
        QTest::addColumn<double>("direction");
        QTest::addColumn<double>("speed");
        QTest::addColumn<QString>("group");
        QTest::newRow("355 wraps to north") << 355.0 << 5.0 << "00010KT";
        QTest::newRow("359.9 truncated, wraps") << 359.9 << 5.0 << "00010KT";
        QTest::newRow("354.9 truncated to 354") << 354.9 << 5.0 << "35010KT";
        QTest::newRow("4.9 truncated to 4") << 4.9 << 5.0 << "00010KT";
        QTest::newRow("5.0 rounds up") << 5.0 << 5.0 << "01010KT";
        QTest::newRow("calm") << 0.0 << 0.0 << "00000KT";
        QTest::newRow("0.486 kt rounds down") << 90.0 << 0.25 << "09000KT";
        QTest::newRow("0.505 kt rounds up") << 90.0 << 0.26 << "09001KT";
        QTest::newRow("three-digit speed grows") << 180.0 << 60.0 << "180117KT";
    }

    void windDirection()
    {
        QFETCH(double, direction);
        QFETCH(double, speed);
        QFETCH(QString, group);
        MetarInputs in = example();
        in.windDir2 = direction;
        in.wind2 = speed;
        QCOMPARE(windGroup(in), group);
    }

    // A G group only for a gust above the mean as written, never G00.
    void gust_data()
    {
        QTest::addColumn<double>("mean");
        QTest::addColumn<double>("gust");
        QTest::addColumn<QString>("group");
        QTest::newRow("none") << 3.6 << 0.0 << "25007KT";
        QTest::newRow("negative zero") << 3.6 << -0.0 << "25007KT";
        QTest::newRow("calm, rounds to 0 kt") << 0.0 << 0.2 << "25000KT"; // 0.39 kt
        QTest::newRow("calm, rounds to 1 kt") << 0.0 << 0.3 << "25000G01KT"; // 0.58 kt
        QTest::newRow("below the mean") << 3.6 << 2.0 << "25007KT"; // 3.9 kt
        QTest::newRow("equal to the mean in knots") << 3.6 << 3.7 << "25007KT"; // 7.2 kt
        QTest::newRow("one knot above") << 3.6 << 4.2 << "25007G08KT"; // 8.2 kt
        QTest::newRow("strong") << 3.6 << 10.0 << "25007G19KT";
    }

    void gust()
    {
        QFETCH(double, mean);
        QFETCH(double, gust);
        QFETCH(QString, group);
        MetarInputs in = example();
        in.wind2 = mean;
        in.windGust = gust;
        QCOMPARE(windGroup(in), group);
    }

    void temperatures_data()
    {
        QTest::addColumn<double>("air");
        QTest::addColumn<double>("dew");
        QTest::addColumn<QString>("group");
        QTest::newRow("-3.2") << -3.2 << -3.2 << "M03/M03";
        QTest::newRow("-0.4") << -0.4 << -0.4 << "00/00";
        QTest::newRow("-0.5 half up") << -0.5 << -0.5 << "00/00";
        QTest::newRow("-0.6") << -0.6 << -0.6 << "M01/M01";
        QTest::newRow("2.5 half up") << 2.5 << 2.5 << "03/03";
        QTest::newRow("-1.5 half up") << -1.5 << -1.5 << "M01/M01";
        QTest::newRow("mixed signs") << 4.0 << -12.7 << "04/M13";
        QTest::newRow("three digits grow") << -120.0 << 100.0 << "M120/100";
    }

    void temperatures()
    {
        QFETCH(double, air);
        QFETCH(double, dew);
        QFETCH(QString, group);
        MetarInputs in = example();
        in.airTemp = air;
        in.dewPoint = dew;
        QCOMPARE(tempGroup(in), group);
    }

    void pressureGroups_data()
    {
        QTest::addColumn<double>("altimeter");
        QTest::addColumn<QString>("tail");
        QTest::newRow("1013.25") << 1013.25 << " A2992 RMK AO1 SLP133=";
        QTest::newRow("999.7") << 999.7 << " A2952 RMK AO1 SLP997=";
        QTest::newRow("1000.0") << 1000.0 << " A2953 RMK AO1 SLP000=";
        QTest::newRow("1013.2") << 1013.2 << " A2992 RMK AO1 SLP132=";
        // Tenths of hPa, the last three digits: 9999.7 rounds to 10000.
        QTest::newRow("999.97") << 999.97 << " A2953 RMK AO1 SLP000=";
        QTest::newRow("999.95 rounds up") << 999.95 << " SLP000=";
        QTest::newRow("999.94 rounds down") << 999.94 << " SLP999=";
        QTest::newRow("1099.96") << 1099.96 << " SLP000=";
        QTest::newRow("below 100 kept") << 50.0 << " A0147 RMK AO1 SLP500=";
        QTest::newRow("negative still three digits") << -0.5 << " SLP995=";
    }

    void pressureGroups()
    {
        QFETCH(double, altimeter);
        QFETCH(QString, tail);
        MetarInputs in = example();
        in.altimeter = altimeter;
        const QString line = composeMetar(in, exampleTime);
        QVERIFY2(line.endsWith(tail), qPrintable(line));
    }

    void elevationZeroDropsPressureGroups()
    {
        MetarInputs in = example();
        in.stationElevation = 0;
        QCOMPARE(composeMetar(in, exampleTime),
            QStringLiteral("<b>METAR</b> 061405Z AUTO 25007KT 21/10 RMK AO1="));
        in.stationElevation = -5; // only exactly 0 means unknown
        QVERIFY(composeMetar(in, exampleTime).contains(" A2992 "));
    }

    void negativeStatusWord()
    {
        MetarInputs in = example();
        in.wdsStatus = -1;
        QCOMPARE(composeMetar(in, exampleTime), QStringLiteral("METAR:"));
        in.wdsStatus = 0;
        in.tphStatus = qint16(0x8000); // -32768 as a signed word
        QCOMPARE(composeMetar(in, exampleTime), QStringLiteral("METAR:"));
        in.tphStatus = 0x7FFF;
        in.wdsStatus = 1;
        QCOMPARE(composeMetar(in, exampleTime), exampleLine);
    }

    // Garbage from the station still gives a bounded, terminated line.
    void absurdInputsStayBounded()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        MetarInputs in;
        in.wind2 = 1e300;
        in.windDir2 = -1e300;
        in.windGust = inf;
        in.airTemp = -1e300;
        in.dewPoint = nan;
        in.altimeter = inf;
        in.stationElevation = -32768;
        const QString line = composeMetar(in, QDateTime());
        QVERIFY(line.startsWith("<b>METAR</b> "));
        QVERIFY(line.endsWith(" RMK AO1 SLP000="));
        QVERIFY(line.size() < 250);
        QVERIFY(line.contains(" M2147483647/00 "));

        in.altimeter = nan;
        QVERIFY(composeMetar(in, exampleTime).endsWith(" A0000 RMK AO1 SLP000="));
        in.altimeter = 1e200; // would take forever by repeated subtraction
        QVERIFY(composeMetar(in, exampleTime).endsWith("="));
    }

    // The line uses integer conversions only, so a decimal-comma C locale
    // changes nothing.
    void independentOfDecimalCommaLocale()
    {
        const QByteArray saved = std::setlocale(LC_ALL, nullptr);
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
            QSKIP("de_DE.UTF-8 locale not available");
        MetarInputs in = example();
        const QString line = composeMetar(in, exampleTime);
        in.windGust = 10;
        in.airTemp = -3.2;
        in.altimeter = 999.7;
        const QString other = composeMetar(in, exampleTime);
        std::setlocale(LC_ALL, saved.constData());
        QCOMPARE(line, exampleLine);
        QCOMPARE(other,
            QStringLiteral("<b>METAR</b> 061405Z AUTO 25007G19KT M03/10 A2952 RMK AO1 SLP997="));
    }
};

QTEST_APPLESS_MAIN(TestMetar)
#include "tst_metar.moc"

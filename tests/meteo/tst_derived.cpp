#include "meteo/derived.h"
#include "meteo/truncate.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace meteo;

Q_DECLARE_METATYPE(meteo::WbgtBand)

class TestDerived : public QObject
{
    Q_OBJECT

private slots:
    void densityAltitude_data()
    {
        QTest::addColumn<double>("airTemp");
        QTest::addColumn<double>("pressure");
        QTest::addColumn<int>("feet");
        QTest::newRow("standard day, 12.8 ft") << 15.0 << 1013.25 << 0;
        QTest::newRow("hot day, 1736.8 ft") << 30.0 << 1013.25 << 1700;
        QTest::newRow("cold high pressure, -2394.3 ft") << 0.0 << 1030.0 << -2400;
    }

    void densityAltitude()
    {
        QFETCH(double, airTemp);
        QFETCH(double, pressure);
        QFETCH(int, feet);
        QCOMPARE(meteo::densityAltitude(airTemp, pressure), feet);
    }

    void cloudBase()
    {
        QCOMPARE(estimatedCloudBase(20, 10), 3900); // 3937 ft; 2.5 would give 4000
        QCOMPARE(estimatedCloudBase(15, 15), 0);
        // A dew point above the air (sensor error or fog) gives no cloud below ground.
        QCOMPARE(estimatedCloudBase(10, 20), 0);
        QCOMPARE(estimatedCloudBase(15, 15.3), 0); // -118 ft
    }

    // Halves go up, also below zero: -50 becomes 0, not -100.
    void roundingToHundredFeet()
    {
        QCOMPARE(roundToHundred(50), 100);
        QCOMPARE(roundToHundred(49.99), 0);
        QCOMPARE(roundToHundred(150), 200);
        QCOMPARE(roundToHundred(-50), 0);
        QCOMPARE(roundToHundred(-50.01), -100);
        QCOMPARE(roundToHundred(-150), -100);
        QCOMPARE(roundToHundred(-2394.3), -2400);
    }

    void altimeter()
    {
        QCOMPARE(altimeterSetting(1000, 0), 999.7);
        QCOMPARE(QString::number(altimeterSetting(1000, 300), 'f', 2), QStringLiteral("1035.88"));
        QVERIFY(altimeterSetting(1000, -100) < 999.7); // below sea level, formula as written
    }

    // A station that sends nonsense yields nonsense, but never a crash or an
    // undefined conversion.
    void garbageInputsStayDefined()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QVERIFY(std::isnan(altimeterSetting(0, 300)));
        QCOMPARE(meteo::densityAltitude(15, -5), 0); // NaN rounds to 0
        QCOMPARE(meteo::densityAltitude(nan, 1013.25), 0);
        QCOMPARE(estimatedCloudBase(1e300, 0), INT_MAX);
        QCOMPARE(estimatedCloudBase(-1e300, 0), 0);
        QCOMPARE(truncateToInt(-2.9), -2);
        QCOMPARE(truncateToInt(std::numeric_limits<double>::infinity()), INT_MAX);
    }

    void wbgtBands_data()
    {
        QTest::addColumn<double>("wbgt");
        QTest::addColumn<WbgtBand>("band");
        QTest::addColumn<QString>("role");
        QTest::newRow("-999") << -999.0 << WbgtBand::Blue << "blueColor";
        QTest::newRow("26.6") << 26.6 << WbgtBand::Blue << "blueColor";
        QTest::newRow("26.61") << 26.61 << WbgtBand::Green << "needleColor3";
        QTest::newRow("29.3") << 29.3 << WbgtBand::Green << "needleColor3";
        QTest::newRow("29.31") << 29.31 << WbgtBand::Yellow << "needleColor2";
        QTest::newRow("31") << 31.0 << WbgtBand::Yellow << "needleColor2";
        QTest::newRow("31.01") << 31.01 << WbgtBand::Red << "redColor";
        QTest::newRow("32.1") << 32.1 << WbgtBand::Red << "redColor";
        QTest::newRow("32.2") << 32.2 << WbgtBand::Extreme << "textColor";
    }

    void wbgtBands()
    {
        QFETCH(double, wbgt);
        QFETCH(WbgtBand, band);
        QFETCH(QString, role);
        QCOMPARE(wbgtBand(wbgt), band);
        QCOMPARE(QString::fromLatin1(wbgtColorRole(wbgtBand(wbgt))), role);
    }

    void wbgtColourFollowsTheme()
    {
        QCOMPARE(wbgtColor(26.6, 0), QStringLiteral("#9999FF"));
        QCOMPARE(wbgtColor(26.6, 1), QStringLiteral("#0000B2"));
        QCOMPARE(wbgtColor(28, 0), QStringLiteral("#99FF99"));
        QCOMPARE(wbgtColor(28, 1), QStringLiteral("#007F00"));
        QCOMPARE(wbgtColor(30, 0), QStringLiteral("#FFEE99"));
        QCOMPARE(wbgtColor(30, 1), QStringLiteral("#E57200"));
        QCOMPARE(wbgtColor(32.1, 0), QStringLiteral("#FF9999"));
        QCOMPARE(wbgtColor(32.1, 1), QStringLiteral("#B20000"));
        QCOMPARE(wbgtColor(32.2, 0), QStringLiteral("#FFFFFF"));
        QCOMPARE(wbgtColor(32.2, 1), QStringLiteral("#000000"));
        QCOMPARE(wbgtColor(-999, 2), QStringLiteral("#0000B2")); // any non-zero theme is light
    }
};

QTEST_APPLESS_MAIN(TestDerived)
#include "tst_derived.moc"

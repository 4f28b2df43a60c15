#include "meteo/conversion.h"

#include <QtTest>

#include <clocale>

using namespace meteo;

class TestConversion : public QObject
{
    Q_OBJECT

private slots:
    void temperature_data()
    {
        QTest::addColumn<double>("celsius");
        QTest::addColumn<int>("units");
        QTest::addColumn<double>("expected");
        QTest::newRow("0 C stays") << 0.0 << 0 << 0.0;
        QTest::newRow("0 C in F") << 0.0 << 1 << 32.0;
        QTest::newRow("100 C in F") << 100.0 << 1 << 212.0;
        QTest::newRow("-40 is -40") << -40.0 << 1 << -40.0;
        QTest::newRow("index 5 is F") << 0.0 << 5 << 32.0;
        QTest::newRow("index -1 is F") << 37.0 << -1 << 98.6;
    }

    void temperature()
    {
        QFETCH(double, celsius);
        QFETCH(int, units);
        QFETCH(double, expected);
        QCOMPARE(convertTemperature(celsius, TemperatureUnit(units)), expected);
    }

    // Heat index, wind chill and WBGT keep -999 recognisable in Fahrenheit.
    void temperatureIndexPassesNotAvailable()
    {
        QCOMPARE(convertTemperatureIndex(-999, TemperatureUnit(1)), -999.0);
        QCOMPARE(convertTemperatureIndex(-1200, TemperatureUnit(1)), -1200.0);
        QCOMPARE(convertTemperatureIndex(-998.5, TemperatureUnit(1)), -998.5 * 1.8 + 32);
        QCOMPARE(convertTemperatureIndex(25, TemperatureUnit(1)), 77.0);
        QCOMPARE(convertTemperatureIndex(25, TemperatureUnit(0)), 25.0);
    }

    // A high passes only -10000 and a low only 10000; the other sentinel is
    // an ordinary (absurd) value for them and is converted.
    void temperatureExtremesPassTheirOwnSentinel()
    {
        QCOMPARE(convertTemperatureHigh(NoHigh, TemperatureUnit(1)), -10000.0);
        QCOMPARE(convertTemperatureLow(NoLow, TemperatureUnit(1)), 10000.0);
        QCOMPARE(convertTemperatureHigh(10000, TemperatureUnit(1)), 18032.0);
        QCOMPARE(convertTemperatureLow(-10000, TemperatureUnit(1)), -17968.0);
        QCOMPARE(convertTemperatureHigh(-999, TemperatureUnit(1)), -1766.2);
        QCOMPARE(convertTemperatureHigh(30, TemperatureUnit(1)), 86.0);
        QCOMPARE(convertTemperatureLow(-10, TemperatureUnit(1)), 14.0);
    }

    void pressure()
    {
        const double p = 1013.25;
        QCOMPARE(convertPressure(p, PressureUnit(0)), p);
        QCOMPARE(
            QString::number(convertPressure(p, PressureUnit(1)), 'f', 2), QStringLiteral("760.00"));
        QVERIFY(convertPressure(p, PressureUnit(1)) < 760.0); // 759.99999...
        QVERIFY(qAbs(convertPressure(p, PressureUnit(1)) - 760.0) < 1e-6);
        QCOMPARE(
            QString::number(convertPressure(p, PressureUnit(2)), 'f', 2), QStringLiteral("29.92"));
        QVERIFY(qAbs(convertPressure(p, PressureUnit(2)) - 29.9246899) < 1e-6);
        QVERIFY(convertPressure(p, PressureUnit(3)) == 101.325);
        QCOMPARE(convertPressure(p, PressureUnit(7)), p);
        QCOMPARE(convertPressure(p, PressureUnit(-1)), p);
    }

    // kPa is a division by 10: multiplying by 0.1 would give 95.00200000000001.
    void kilopascalIsAnExactDivision()
    {
        QVERIFY(convertPressure(950.02, PressureUnit(3)) == 95.002);
    }

    void pressureExtremes()
    {
        QCOMPARE(convertPressureHigh(NoHigh, PressureUnit(2)), -10000.0);
        QCOMPARE(convertPressureLow(NoLow, PressureUnit(2)), 10000.0);
        QCOMPARE(convertPressureHigh(NoHigh, PressureUnit(3)), -10000.0);
        QCOMPARE(convertPressureLow(NoLow, PressureUnit(1)), 10000.0);
        QCOMPARE(convertPressureHigh(1000, PressureUnit(3)), 100.0);
        QCOMPARE(convertPressureLow(1000, PressureUnit(3)), 100.0);
        QCOMPARE(convertPressureLow(-10000, PressureUnit(3)), -1000.0);
    }

    void pressureAdjustmentChoosesStationOnlyForOne()
    {
        QCOMPARE(selectPressure(1020.0, 990.0, PressureReading(1)), 990.0);
        QCOMPARE(selectPressure(1020.0, 990.0, PressureReading(0)), 1020.0);
        QCOMPARE(selectPressure(1020.0, 990.0, PressureReading(2)), 1020.0);
    }

    void speed_data()
    {
        QTest::addColumn<int>("units");
        QTest::addColumn<double>("expected");
        QTest::newRow("mph") << 0 << 22.3693629205;
        QTest::newRow("m/s") << 1 << 10.0;
        QTest::newRow("km/h") << 2 << 36.0;
        QTest::newRow("knots") << 3 << 19.4384449244;
        QTest::newRow("7 is mph") << 7 << 22.3693629205;
        QTest::newRow("-1 is mph") << -1 << 22.3693629205;
    }

    void speed()
    {
        QFETCH(int, units);
        QFETCH(double, expected);
        QCOMPARE(convertSpeed(10, SpeedUnit(units)), expected);
    }

    void distanceConvertsOnlyForOne()
    {
        QCOMPARE(convertDistance(10, DistanceUnit(1)), 6.2137119);
        QCOMPARE(convertDistance(10, DistanceUnit(0)), 10.0);
        QCOMPARE(convertDistance(10, DistanceUnit(2)), 10.0);
        QCOMPARE(convertDistance(0, DistanceUnit(1)), 0.0);
    }

    // The conversions are arithmetic only; a decimal-comma C locale must not
    // reach them.
    void independentOfDecimalCommaLocale()
    {
        const QByteArray saved = std::setlocale(LC_ALL, nullptr);
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
            QSKIP("de_DE.UTF-8 locale not available");
        const double kpa = convertPressure(950.02, PressureUnit(3));
        const double fahrenheit = convertTemperatureIndex(25, TemperatureUnit(1));
        const double knots = convertSpeed(10, SpeedUnit(3));
        std::setlocale(LC_ALL, saved.constData());
        QVERIFY(kpa == 95.002);
        QCOMPARE(fahrenheit, 77.0);
        QCOMPARE(knots, 19.4384449244);
    }
};

QTEST_APPLESS_MAIN(TestConversion)
#include "tst_conversion.moc"

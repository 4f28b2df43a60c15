#include "acquisition/stationdata.h"

#include <QtTest>

#include <array>

namespace {

// A block of raw register words addressed by register number.
template <int First, int Count> struct Block
{
    std::array<quint16, Count> words {};
    quint16 &operator[](int reg) { return words.at(reg - First); }
    const quint16 *data() const { return words.data(); }
};

using StatusBlock = Block<101, 11>;
using DataBlock = Block<201, 100>;

// Registers of the data block that carry no member.
bool unmappedDataRegister(int reg)
{
    return (reg >= 210 && reg <= 220) || (reg >= 227 && reg <= 240) || reg == 250
        || (reg >= 254 && reg <= 260) || (reg >= 265 && reg <= 280) || reg == 286 || reg == 287
        || reg >= 291;
}

} // namespace

class TestStationData : public QObject
{
    Q_OBJECT

private slots:
    void serialNumber_data();
    void serialNumber();
    void statusBlockPowerWords();
    void dataBlockScaling();
    void stationIndicesOverwriteTheirSentinels();
    void decodeLeavesExtremesAndDerivedAlone();
    void lightningCountersAccumulate();
    void garbageWordsDecodeWithoutHarm();
    void solarChannel_data();
    void solarChannel();
    void trendText_data();
    void trendText();
};

void TestStationData::serialNumber_data()
{
    QTest::addColumn<quint16>("hi");
    QTest::addColumn<quint16>("lo");
    QTest::addColumn<QString>("text");

    QTest::newRow("100000") << quint16(0x0001) << quint16(0x86A0) << "100000";
    QTest::newRow("all ones") << quint16(0xFFFF) << quint16(0xFFFF) << "4294967295";
    QTest::newRow("zero") << quint16(0) << quint16(0) << "0";
    QTest::newRow("low word only") << quint16(0) << quint16(0x002A) << "42";
    QTest::newRow("high word only") << quint16(0x0001) << quint16(0) << "65536";
    QTest::newRow("low word top bit unsigned") << quint16(0) << quint16(0x8000) << "32768";
}

void TestStationData::serialNumber()
{
    QFETCH(quint16, hi);
    QFETCH(quint16, lo);
    QFETCH(QString, text);

    StatusBlock block;
    block[103] = hi;
    block[104] = lo;
    StationValues v;
    decodeStatusBlock(block.data(), v);
    QCOMPARE(v.deviceSerialNumber, text);
}

void TestStationData::statusBlockPowerWords()
{
    StatusBlock block;
    for (int reg : { 101, 102, 105, 106, 107, 108 })
        block[reg] = 0x5A5A; // image-only registers must not leak into members
    block[103] = 0;
    block[104] = 7;
    block[109] = 138;
    block[110] = 0xFFFE;
    block[111] = 3;

    StationValues v;
    decodeStatusBlock(block.data(), v);
    QCOMPARE(v.batteryVoltage, 138);
    QCOMPARE(v.inputVoltage, -2);
    QCOMPARE(v.chargerStatus, 3);
    QCOMPARE(v.cmTemperature, 0);
    QCOMPARE(v.deviceSerialNumber, QStringLiteral("7"));
    // The status block says nothing about the weather.
    QCOMPARE(v.airTemp, 0.0);
    QCOMPARE(v.heatIndex, -999.0);
    QCOMPARE(v.stationElevation, 0);
}

void TestStationData::dataBlockScaling()
{
    DataBlock block;
    for (int reg = 201; reg <= 300; ++reg) {
        if (unmappedDataRegister(reg))
            block[reg] = 0x7777;
    }
    block[201] = 0x0102;
    block[202] = 53; // 5.3 m/s
    block[203] = 2705; // 270.5°
    block[204] = 41;
    block[205] = 2650;
    block[206] = 38;
    block[207] = 2600;
    block[208] = 97;
    block[209] = 2800;
    block[221] = 0xFFFF;
    block[222] = 0xFF38; // -200 → -20.0 °C
    block[223] = 875;
    block[224] = 9871;
    block[225] = 0xFFFE; // trend -2
    block[226] = 215; // unscaled
    block[241] = 312;
    block[242] = 0xFFCE; // -5.0
    block[243] = 150; // 1.50
    block[244] = 1234; // 12.34
    block[245] = 0x4348; // 200.0f
    block[246] = 0x0000;
    block[247] = 0xBE20; // -0.15625f
    block[248] = 0x0000;
    block[249] = 0xFFF6; // -1.0
    block[251] = 10132;
    block[252] = 287;
    block[253] = 334;
    block[261] = 3;
    block[262] = 7;
    block[263] = 2;
    block[264] = 0xFFF1; // -15 m
    block[281] = 4;
    block[282] = 2;
    block[283] = 1;
    block[284] = 5;
    block[285] = 12;
    block[288] = 3;
    block[289] = 9;
    block[290] = 27;

    StationValues v;
    decodeDataBlock(block.data(), v);

    QCOMPARE(v.wdsStatus, 0x0102);
    QCOMPARE(v.wind, 5.3);
    QCOMPARE(v.windDir, 270.5);
    QCOMPARE(v.wind2, 4.1);
    QCOMPARE(v.windDir2, 265.0);
    QCOMPARE(v.wind10, 3.8);
    QCOMPARE(v.windDir10, 260.0);
    QCOMPARE(v.windGust, 9.7);
    QCOMPARE(v.windDirGust, 280.0);
    QCOMPARE(v.tphStatus, -1);
    QCOMPARE(v.airTemp, -20.0);
    QCOMPARE(v.humidity, 87.5);
    QCOMPARE(v.pressureRaw, 987.1);
    QCOMPARE(v.pressureTrend, -2.0);
    QCOMPARE(v.pressureTemp, 215.0);
    QCOMPARE(v.heatIndex, 31.2);
    QCOMPARE(v.windChill, -5.0);
    QCOMPARE(v.rainDay, 1.5);
    QCOMPARE(v.rainRate, 12.34);
    QCOMPARE(v.analog1, 200.0);
    QCOMPARE(v.analog2, -0.15625);
    QCOMPARE(v.dewPoint, -1.0);
    QCOMPARE(v.pressure, 1013.2);
    QCOMPARE(v.wbgt, 28.7);
    QCOMPARE(v.humidex, 33.4);
    QCOMPARE(v.analog1Type, 3);
    QCOMPARE(v.analog2Type, 7);
    QCOMPARE(v.rainUnits, 2);
    QCOMPARE(v.stationElevation, -15);
    QCOMPARE(v.lightningStatus, 4);
    QCOMPARE(v.lightningStrikes, 2);
    QCOMPARE(v.lightningNoise, 1);
    QCOMPARE(v.lightningDisturbers, 5);
    QCOMPARE(v.lightningDistance, 12);
    QCOMPARE(v.lightning10, 3);
    QCOMPARE(v.lightning30, 9);
    QCOMPARE(v.lightning60, 27);
}

void TestStationData::stationIndicesOverwriteTheirSentinels()
{
    StationValues v;
    DataBlock block;
    decodeDataBlock(block.data(), v);
    // After a read the station's own values count, even a plain zero.
    QCOMPARE(v.heatIndex, 0.0);
    QCOMPARE(v.windChill, 0.0);
    QCOMPARE(v.wbgt, 0.0);
    QCOMPARE(v.humidex, 0.0);

    block[241] = 0xD8FA; // -9990: the station's own "not available"
    block[253] = 0xD8FA;
    block[243] = 0xFF9C; // rain registers are signed too
    decodeDataBlock(block.data(), v);
    QCOMPARE(v.heatIndex, StationValues::NotAvailable);
    QCOMPARE(v.humidex, StationValues::NotAvailable);
    QCOMPARE(v.rainDay, -1.0);
}

void TestStationData::decodeLeavesExtremesAndDerivedAlone()
{
    StationValues v;
    v.deviceSerialNumber = QStringLiteral("1234");
    v.batteryVoltage = 130;
    v.altimeter = 1013.0;
    v.densityAltitude = 1700;
    v.metar = QStringLiteral("METAR X");

    DataBlock block;
    block[222] = 250;
    decodeDataBlock(block.data(), v);

    QCOMPARE(v.airTemp, 25.0);
    QCOMPARE(v.airTempH, StationValues::NoHigh);
    QCOMPARE(v.airTempL, StationValues::NoLow);
    QCOMPARE(v.highAltimeter, StationValues::NoHigh);
    QCOMPARE(v.altimeter, 1013.0);
    QCOMPARE(v.densityAltitude, 1700);
    QCOMPARE(v.metar, QStringLiteral("METAR X"));
    QCOMPARE(v.deviceSerialNumber, QStringLiteral("1234"));
    QCOMPARE(v.batteryVoltage, 130);
}

void TestStationData::lightningCountersAccumulate()
{
    DataBlock block;
    block[282] = 2;
    block[283] = 1;
    block[284] = 3;
    block[288] = 5;

    StationValues v;
    decodeDataBlock(block.data(), v);
    decodeDataBlock(block.data(), v);
    QCOMPARE(v.lightningStrikes, 4);
    QCOMPARE(v.lightningNoise, 2);
    QCOMPARE(v.lightningDisturbers, 6);
    QCOMPARE(v.lightning10, 5); // a window count, not a running total

    // Totals run on past the int range; only the ends of 64 bits hold them.
    v.lightningStrikes = std::numeric_limits<int>::max() - 1;
    v.lightningNoise = std::numeric_limits<qint64>::min() + 1;
    block[283] = quint16(-3);
    decodeDataBlock(block.data(), v);
    QCOMPARE(v.lightningStrikes, std::numeric_limits<int>::max() + 1LL);
    QCOMPARE(v.lightningNoise, std::numeric_limits<qint64>::min());
    QCOMPARE(v.lightningDisturbers, 9);
}

void TestStationData::garbageWordsDecodeWithoutHarm()
{
    DataBlock ones;
    ones.words.fill(0xFFFF);
    StationValues v;
    decodeDataBlock(ones.data(), v);
    QCOMPARE(v.airTemp, -0.1);
    QCOMPARE(v.rainDay, -0.01);
    QCOMPARE(v.lightningStrikes, -1);
    QVERIFY(qIsNaN(v.analog1)); // 0xFFFFFFFF is a NaN pattern; passed on as is

    DataBlock extremes;
    extremes.words.fill(0x8000);
    extremes[245] = 0x7F80; // +infinity
    extremes[246] = 0x0000;
    StationValues w;
    decodeDataBlock(extremes.data(), w);
    QCOMPARE(w.airTemp, -3276.8);
    QCOMPARE(w.rainRate, -327.68);
    QCOMPARE(w.stationElevation, -32768);
    QVERIFY(qIsInf(w.analog1));

    extremes.words.fill(0x7FFF);
    decodeDataBlock(extremes.data(), w);
    QCOMPARE(w.pressure, 3276.7);
    QCOMPARE(w.lightningStrikes, -32768 + 32767);

    StatusBlock status;
    status.words.fill(0x8000);
    StationValues s;
    decodeStatusBlock(status.data(), s);
    QCOMPARE(s.deviceSerialNumber, QStringLiteral("2147516416"));
    QCOMPARE(s.batteryVoltage, -32768);
}

void TestStationData::solarChannel_data()
{
    QTest::addColumn<int>("type1");
    QTest::addColumn<int>("type2");
    QTest::addColumn<double>("expected");

    // analog1 holds 640.5, analog2 holds 12.25
    QTest::newRow("both solar: channel 1") << 3 << 3 << 640.5;
    QTest::newRow("only channel 1") << 3 << 0 << 640.5;
    QTest::newRow("only channel 2") << 1 << 3 << 12.25;
    QTest::newRow("neither") << 0 << 0 << -1.0;
    QTest::newRow("other types") << 2 << 4 << -1.0;
    QTest::newRow("negative type") << -3 << -3 << -1.0;
}

void TestStationData::solarChannel()
{
    QFETCH(int, type1);
    QFETCH(int, type2);
    QFETCH(double, expected);

    DataBlock block;
    block[245] = 0x4420; // 640.5f
    block[246] = 0x2000;
    block[247] = 0x4144; // 12.25f
    block[248] = 0x0000;
    block[261] = quint16(type1);
    block[262] = quint16(type2);
    StationValues v;
    decodeDataBlock(block.data(), v);
    QCOMPARE(solarRadiation(v), expected);
}

void TestStationData::trendText_data()
{
    QTest::addColumn<double>("code");
    QTest::addColumn<QString>("text");

    QTest::newRow("-3") << -3.0 << "Falling Fast";
    QTest::newRow("-2") << -2.0 << "Falling Fast";
    QTest::newRow("-1") << -1.0 << "Falling";
    QTest::newRow("0") << 0.0 << "Steady";
    QTest::newRow("1") << 1.0 << "Rising";
    QTest::newRow("2") << 2.0 << "Rising Fast";
    QTest::newRow("3") << 3.0 << "Rising Fast";
    QTest::newRow("-1.5") << -1.5 << "Falling";
    QTest::newRow("-1.99") << -1.99 << "Falling";
    QTest::newRow("-0.99") << -0.99 << "Steady";
    QTest::newRow("0.99") << 0.99 << "Steady";
    QTest::newRow("1.5") << 1.5 << "Rising";
    QTest::newRow("1.99") << 1.99 << "Rising";
    QTest::newRow("-32768") << -32768.0 << "Falling Fast";
    QTest::newRow("32767") << 32767.0 << "Rising Fast";
}

void TestStationData::trendText()
{
    QFETCH(double, code);
    QFETCH(QString, text);
    QCOMPARE(pressureTrendText(code), text);
}

QTEST_GUILESS_MAIN(TestStationData)
#include "tst_stationdata.moc"

#include "stationdata.h"

#include <cstring>
#include <limits>

namespace {

constexpr int StatusFirst = 101;
constexpr int DataFirst = 201;

// Registers are numbered as in the station's documentation.
quint16 word(const quint16 *words, int first, int reg)
{
    return words[reg - first];
}

int int16(const quint16 *words, int first, int reg)
{
    return static_cast<qint16>(word(words, first, reg));
}

// Running totals stop at the ends of the range instead of wrapping round.
void addSaturating(int &total, int increment)
{
    total = int(qBound<qint64>(std::numeric_limits<int>::min(), qint64(total) + increment,
                               std::numeric_limits<int>::max()));
}

double tenths(const quint16 *words, int reg)
{
    return int16(words, DataFirst, reg) / 10.0;
}

double hundredths(const quint16 *words, int reg)
{
    return int16(words, DataFirst, reg) / 100.0;
}

quint32 uint32(const quint16 *words, int first, int reg)
{
    return (quint32(word(words, first, reg)) << 16) | word(words, first, reg + 1);
}

double float32(const quint16 *words, int reg)
{
    const quint32 bits = uint32(words, DataFirst, reg);
    float f;
    static_assert(sizeof f == sizeof bits, "float32 registers need a 32-bit float");
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

} // namespace

void decodeStatusBlock(const quint16 words[11], StationValues &v)
{
    v.deviceSerialNumber = QString::number(uint32(words, StatusFirst, 103));
    v.batteryVoltage = int16(words, StatusFirst, 109);
    v.inputVoltage = int16(words, StatusFirst, 110);
    v.chargerStatus = int16(words, StatusFirst, 111);
}

void decodeDataBlock(const quint16 words[100], StationValues &v)
{
    auto raw = [words](int reg) { return int16(words, DataFirst, reg); };

    v.wdsStatus = raw(201);
    v.wind = tenths(words, 202);
    v.windDir = tenths(words, 203);
    v.wind2 = tenths(words, 204);
    v.windDir2 = tenths(words, 205);
    v.wind10 = tenths(words, 206);
    v.windDir10 = tenths(words, 207);
    v.windGust = tenths(words, 208);
    v.windDirGust = tenths(words, 209);

    v.tphStatus = raw(221);
    v.airTemp = tenths(words, 222);
    v.humidity = tenths(words, 223);
    v.pressureRaw = tenths(words, 224);
    v.pressureTrend = raw(225);
    v.pressureTemp = raw(226);

    v.heatIndex = tenths(words, 241);
    v.windChill = tenths(words, 242);
    v.rainDay = hundredths(words, 243);
    v.rainRate = hundredths(words, 244);
    v.analog1 = float32(words, 245);
    v.analog2 = float32(words, 247);
    v.dewPoint = tenths(words, 249);
    v.pressure = tenths(words, 251);
    v.wbgt = tenths(words, 252);
    v.humidex = tenths(words, 253);

    v.analog1Type = raw(261);
    v.analog2Type = raw(262);
    v.rainUnits = raw(263);
    v.stationElevation = raw(264);

    v.lightningStatus = raw(281);
    addSaturating(v.lightningStrikes, raw(282));
    addSaturating(v.lightningNoise, raw(283));
    addSaturating(v.lightningDisturbers, raw(284));
    v.lightningDistance = raw(285);
    v.lightning10 = raw(288);
    v.lightning30 = raw(289);
    v.lightning60 = raw(290);
}

double solarRadiation(const StationValues &v)
{
    constexpr int SolarSensor = 3;
    if (v.analog1Type == SolarSensor)
        return v.analog1;
    if (v.analog2Type == SolarSensor)
        return v.analog2;
    return StationValues::NoSolarSensor;
}

QString pressureTrendText(double trendCode)
{
    if (trendCode <= -2)
        return QStringLiteral("Falling Fast");
    if (trendCode <= -1)
        return QStringLiteral("Falling");
    if (trendCode >= 2)
        return QStringLiteral("Rising Fast");
    if (trendCode >= 1)
        return QStringLiteral("Rising");
    return QStringLiteral("Steady");
}

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
void addSaturating(qint64 &total, int increment)
{
    constexpr qint64 Max = std::numeric_limits<qint64>::max();
    constexpr qint64 Min = std::numeric_limits<qint64>::min();
    if (increment > 0 && total > Max - increment)
        total = Max;
    else if (increment < 0 && total < Min - increment)
        total = Min;
    else
        total += increment;
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

namespace {

// A float in two words, high first, where a word would have its divisor.
constexpr double Float = 0;

// The data block's map: each register, what its signed word is divided by,
// and where it goes.
struct Mapped
{
    int reg;
    double divisor;
    double StationValues::*field;
};

struct MappedInt
{
    int reg;
    int StationValues::*field;
};

using S = StationValues;

const Mapped numbers[] = {
    { 202, 10, &S::wind },
    { 203, 10, &S::windDir },
    { 204, 10, &S::wind2 },
    { 205, 10, &S::windDir2 },
    { 206, 10, &S::wind10 },
    { 207, 10, &S::windDir10 },
    { 208, 10, &S::windGust },
    { 209, 10, &S::windDirGust },
    { 222, 10, &S::airTemp },
    { 223, 10, &S::humidity },
    { 224, 10, &S::pressureRaw },
    { 225, 1, &S::pressureTrend },
    { 226, 1, &S::pressureTemp },
    { 241, 10, &S::heatIndex },
    { 242, 10, &S::windChill },
    { 243, 100, &S::rainDay },
    { 244, 100, &S::rainRate },
    { 245, Float, &S::analog1 },
    { 247, Float, &S::analog2 },
    { 249, 10, &S::dewPoint },
    { 251, 10, &S::pressure },
    { 252, 10, &S::wbgt },
    { 253, 10, &S::humidex },
};

const MappedInt codes[] = {
    { 201, &S::wdsStatus },
    { 221, &S::tphStatus },
    { 261, &S::analog1Type },
    { 262, &S::analog2Type },
    { 263, &S::rainUnits },
    { 264, &S::stationElevation },
    { 281, &S::lightningStatus },
    { 285, &S::lightningDistance },
    { 288, &S::lightning10 },
    { 289, &S::lightning30 },
    { 290, &S::lightning60 },
};

// Counted by the station since its last read: added to the running totals.
struct MappedCount
{
    int reg;
    qint64 StationValues::*field;
};

const MappedCount counts[] = {
    { 282, &S::lightningStrikes },
    { 283, &S::lightningNoise },
    { 284, &S::lightningDisturbers },
};

double value(const quint16 *words, const Mapped &m)
{
    if (m.divisor == Float)
        return float32(words, m.reg);
    return int16(words, DataFirst, m.reg) / m.divisor;
}

} // namespace

void decodeDataBlock(const quint16 words[100], StationValues &v)
{
    for (const Mapped &m : numbers)
        v.*m.field = value(words, m);
    for (const MappedInt &m : codes)
        v.*m.field = int16(words, DataFirst, m.reg);
    for (const MappedCount &m : counts)
        addSaturating(v.*m.field, int16(words, DataFirst, m.reg));
}

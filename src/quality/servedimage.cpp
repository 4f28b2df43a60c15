#include "servedimage.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace quality {

namespace {

constexpr int DataFirst = 201;

struct Placement
{
    int reg; // 0: not in the data block as a scaled integer
    double scale;
};

// As the station's documentation maps them; the solar radiation's pair
// depends on which analog input carries the sensor.
constexpr Placement placements[QuantityCount] = {
    { 222, 10 }, // temperature
    { 223, 10 }, // humidity
    { 249, 10 }, // dew point
    { 224, 10 }, // station pressure
    { 251, 10 }, // sea-level pressure
    { 202, 10 }, // wind speed
    { 204, 10 }, // 2 min
    { 206, 10 }, // 10 min
    { 208, 10 }, // gust
    { 203, 10 }, // direction
    { 205, 10 }, // 2 min
    { 207, 10 }, // 10 min
    { 209, 10 }, // gust direction
    { 243, 100 }, // rain today
    { 244, 100 }, // rain rate
    { 0, 1 }, // solar radiation, float32
};

void putWord(quint8 *dataWire, int reg, quint16 word)
{
    quint8 *at = dataWire + 2 * (reg - DataFirst);
    at[0] = quint8(word >> 8);
    at[1] = quint8(word & 0xFF);
}

quint16 scaledWord(double value, double scale)
{
    if (std::isnan(value))
        return NoValueWord;
    const double raw = std::round(value * scale);
    // -32768 stays free to mean "no value".
    const double held = std::min(32767.0, std::max(-32767.0, raw));
    return quint16(qint16(held));
}

void putFloat(quint8 *dataWire, int reg, double value)
{
    const float f = std::isnan(value) ? std::numeric_limits<float>::quiet_NaN() : float(value);
    quint32 bits;
    std::memcpy(&bits, &f, sizeof bits);
    putWord(dataWire, reg, quint16(bits >> 16));
    putWord(dataWire, reg + 1, quint16(bits & 0xFFFF));
}

} // namespace

void encodeServed(quint8 *dataWire, const Readings &served, QuantitySet which, int solarRegister)
{
    forEachQuantity([&](Quantity q) {
        if (!which.test(std::size_t(q)))
            return;
        const Placement &p = placements[int(q)];
        if (q == Quantity::Solar) {
            if (solarRegister == 245 || solarRegister == 247)
                putFloat(dataWire, solarRegister, served[q]);
            return;
        }
        putWord(dataWire, p.reg, scaledWord(served[q], p.scale));
    });
}

} // namespace quality

#pragma once

#include "meteo/physicalbounds.h"

#include <array>
#include <bitset>
#include <limits>

// The measured quantities the console checks before any consumer sees them,
// with their physical bounds and how fast each may move between readings.
// Their bounds come from the one table the CSV import uses too.
namespace quality {

enum class Quantity
{
    Temperature, // °C
    Humidity, // %
    DewPoint, // °C
    StationPressure, // hPa
    SeaLevelPressure, // hPa
    WindSpeed, // m/s
    WindSpeed2,
    WindSpeed10,
    WindGust,
    WindDir, // degrees
    WindDir2,
    WindDir10,
    WindGustDir,
    RainDay, // mm
    RainRate, // mm/h
    Solar, // W/m²
};
constexpr int QuantityCount = int(Quantity::Solar) + 1;

using Bounds = meteo::Range;

struct QuantityInfo
{
    Quantity quantity;
    const char *key; // the quantity's key in the MQTT state object
    const char *label; // for people: the Advanced page and the hourly line
    Bounds bounds; // both ends allowed
    // A step from the last good value passes when it is at most
    // stepFloor + stepPerMinute × the minutes since that value.
    double stepFloor;
    double stepPerMinute;
    // Only rises are limited: a fall is the station's reset at its day start.
    bool risesOnly;
};

const QuantityInfo &info(Quantity q);

// False for NaN and for anything outside the quantity's bounds.
bool withinLimits(Quantity q, double value);

using QuantitySet = std::bitset<QuantityCount>;

inline QuantitySet only(Quantity q)
{
    return QuantitySet().set(std::size_t(q));
}

// One value per quantity; NaN where the station delivers none (no rain gauge,
// no solar sensor), which no step ever checks or changes.
class Readings
{
public:
    Readings() { values.fill(std::numeric_limits<double>::quiet_NaN()); }
    double &operator[](Quantity q) { return values[std::size_t(q)]; }
    double operator[](Quantity q) const { return values[std::size_t(q)]; }

private:
    std::array<double, QuantityCount> values;
};

template <typename F> void forEachQuantity(F f)
{
    for (int i = 0; i < QuantityCount; ++i)
        f(Quantity(i));
}

} // namespace quality

#include "quantities.h"

#include <cmath>

namespace quality {

namespace {

constexpr double Any = 1e9; // a step limit that never holds anything back

// The bounds are what the atmosphere can do at a station anywhere on the
// ground. The steps sit above what a good sensor does from one one-second
// read to the next (register resolution, a shower's first minute, a gust
// from calm) and below what a loose connector or a bad frame does.
constexpr const meteo::PhysicalBounds &b = meteo::physicalBounds;
const QuantityInfo table[QuantityCount] = {
    { Quantity::Temperature, "temperature_c", "Temperature", b.temperature, 2, 5, false },
    { Quantity::Humidity, "humidity_pct", "Humidity", b.humidity, 10, 15, false },
    { Quantity::DewPoint, "dew_point_c", "Dew point", b.temperature, 2, 5, false },
    { Quantity::StationPressure, "pressure_hpa", "Station pressure", b.pressureStation, 1, 10,
        false },
    { Quantity::SeaLevelPressure, "sea_level_pressure_hpa", "Sea-level pressure",
        b.pressureSeaLevel, 1, 10, false },
    { Quantity::WindSpeed, "wind_speed_ms", "Wind speed", b.wind, 50, 0, false },
    { Quantity::WindSpeed2, "wind_speed_2min_ms", "Wind speed 2 min", b.wind, 50, 0, false },
    { Quantity::WindSpeed10, "wind_speed_10min_ms", "Wind speed 10 min", b.wind, 50, 0, false },
    { Quantity::WindGust, "wind_gust_ms", "Wind gust", b.wind, 50, 0, false },
    // Directions turn through north in one step: bounds only.
    { Quantity::WindDir, "wind_dir_deg", "Wind direction", b.direction, Any, 0, false },
    { Quantity::WindDir2, "wind_dir_2min_deg", "Wind direction 2 min", b.direction, Any, 0, false },
    { Quantity::WindDir10, "wind_dir_10min_deg", "Wind direction 10 min", b.direction, Any, 0,
        false },
    { Quantity::WindGustDir, "wind_gust_dir_deg", "Wind gust direction", b.direction, Any, 0,
        false },
    // The day's total may grow by 1000 mm/h at most, the bound of the rate.
    { Quantity::RainDay, "rain_day_mm", "Rain today", b.rainDay, 2, 1000.0 / 60, true },
    { Quantity::RainRate, "rain_rate_mmh", "Rain rate", b.rainRate, 200, 200, false },
    // A cloud passing moves the value by hundreds in a second.
    { Quantity::Solar, "solar_wm2", "Solar radiation", b.solar, 1000, 0, false },
};

} // namespace

const QuantityInfo &info(Quantity q)
{
    return table[int(q)];
}

bool withinLimits(Quantity q, double value)
{
    return info(q).bounds.contains(value);
}

} // namespace quality

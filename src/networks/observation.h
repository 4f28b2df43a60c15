#pragma once

#include <QDateTime>

#include <functional>
#include <optional>

struct StationValues;

namespace networks {

// What the networks are told about one reading, in base units (°C, %, hPa,
// m/s, degrees, mm, W/m²). A quantity whose sensor is missing or at fault is
// empty, so no network ever receives it as 0.
struct Observation
{
    QDateTime utc;
    std::optional<double> temperature;
    std::optional<double> humidity;
    std::optional<double> dewPoint;
    std::optional<double> seaLevelPressure;
    std::optional<double> altimeter;
    std::optional<double> windSpeed; // the 2-minute mean
    std::optional<double> windDir; // the 2-minute mean
    std::optional<double> windGust;
    std::optional<double> rainToday; // the station's day total
    std::optional<double> rainLastHour; // from the archive
    std::optional<double> rainLast24h; // from the archive
    std::optional<double> solar;
};

// The rain in millimetres that fell in [fromUtc, toUtc) (epoch seconds), or
// nothing when that is not known (no archive). The app provides it.
using RainTotal = std::function<std::optional<double>(qint64 fromUtc, qint64 toUtc)>;

// The reading of a cycle, masked by the state object's fault rules (those of
// MQTT and the METAR line): a sensor at fault, no gauge or no solar input
// leaves its quantities empty. The rain of the last hour and day come from
// `rain` when it is given and there is a gauge.
Observation observe(const StationValues &values, const QDateTime &utc, const RainTotal &rain = {});

// The US units most networks take; nothing stays nothing.
std::optional<double> fahrenheit(std::optional<double> celsius);
std::optional<double> milesPerHour(std::optional<double> metresPerSecond);
std::optional<double> inches(std::optional<double> millimetres);

} // namespace networks

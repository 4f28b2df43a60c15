#include "observation.h"

#include "meteo/conversion.h"
#include "record/stationvalues.h"
#include "state/stateobject.h"

namespace networks {

Observation observe(const StationValues &v, const QDateTime &utc, const RainTotal &rain)
{
    // The state object's keys carry the fault rules, so a network leaves out
    // exactly what MQTT and the METAR line leave out.
    const auto value = [&v](const char *key) { return state::stateNumber(key, v); };
    Observation o;
    o.utc = utc.toUTC();
    o.temperature = value("temperature_c");
    o.humidity = value("humidity_pct");
    o.dewPoint = value("dew_point_c");
    o.seaLevelPressure = value("sea_level_pressure_hpa");
    o.altimeter = value("altimeter_hpa");
    o.windSpeed = value("wind_speed_2min_ms");
    o.windDir = value("wind_dir_2min_deg");
    o.windGust = value("wind_gust_ms");
    o.rainToday = value("rain_day_mm");
    o.solar = value("solar_wm2");
    if (rain && o.rainToday) {
        const qint64 now = o.utc.toSecsSinceEpoch();
        o.rainLastHour = rain(now - 3600, now);
        o.rainLast24h = rain(now - 86400, now);
    }
    return o;
}

std::optional<double> fahrenheit(std::optional<double> celsius)
{
    if (!celsius)
        return std::nullopt;
    return meteo::convertTemperature(*celsius, TemperatureUnit::Fahrenheit);
}

std::optional<double> milesPerHour(std::optional<double> metresPerSecond)
{
    if (!metresPerSecond)
        return std::nullopt;
    return meteo::convertSpeed(*metresPerSecond, SpeedUnit::Mph);
}

std::optional<double> inches(std::optional<double> millimetres)
{
    if (!millimetres)
        return std::nullopt;
    return meteo::convertRain(*millimetres, RainGauge::Inches);
}

} // namespace networks

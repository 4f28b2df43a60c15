#include "metrics.h"

#include "record/units.h"
#include "state/stateobject.h"

#include <cstring>

namespace web {

namespace {

// A state key's gauge: its name in base units, the unit it is written in
// and the factor from the state object's unit.
struct Gauge
{
    const char *key;
    const char *name;
    const char *unit;
    double factor;
};

const Gauge gaugeTable[] = {
    { "temperature_c", "temperature_celsius", "degrees Celsius", 1 },
    { "humidity_pct", "humidity_ratio", "ratio, 0 to 1", 0.01 },
    { "dew_point_c", "dew_point_celsius", "degrees Celsius", 1 },
    { "pressure_hpa", "pressure_hectopascals", "hPa", 1 },
    { "sea_level_pressure_hpa", "sea_level_pressure_hectopascals", "hPa", 1 },
    { "altimeter_hpa", "altimeter_hectopascals", "hPa", 1 },
    { "wind_speed_ms", "wind_speed_meters_per_second", "m/s", 1 },
    { "wind_dir_deg", "wind_direction_degrees", "degrees from north", 1 },
    { "wind_speed_2min_ms", "wind_speed_2min_meters_per_second", "m/s", 1 },
    { "wind_dir_2min_deg", "wind_direction_2min_degrees", "degrees from north", 1 },
    { "wind_speed_10min_ms", "wind_speed_10min_meters_per_second", "m/s", 1 },
    { "wind_dir_10min_deg", "wind_direction_10min_degrees", "degrees from north", 1 },
    { "wind_gust_ms", "wind_gust_meters_per_second", "m/s", 1 },
    { "wind_gust_dir_deg", "wind_gust_direction_degrees", "degrees from north", 1 },
    { "rain_day_mm", "rain_today_meters", "metres", 0.001 },
    { "rain_rate_mmh", "rain_rate_meters_per_second", "m/s", 0.001 / 3600 },
    { "solar_wm2", "solar_radiation_watts_per_square_meter", "W/m²", 1 },
    { "lightning_distance_km", "lightning_distance_meters", "metres", 1000 },
    { "lightning_10min", "lightning_strikes_10min", "strikes", 1 },
    { "lightning_30min", "lightning_strikes_30min", "strikes", 1 },
    { "lightning_60min", "lightning_strikes_60min", "strikes", 1 },
    { "heat_index_c", "heat_index_celsius", "degrees Celsius", 1 },
    { "wind_chill_c", "wind_chill_celsius", "degrees Celsius", 1 },
    { "humidex", "humidex", "index", 1 },
    { "wbgt_c", "wbgt_celsius", "degrees Celsius", 1 },
    { "density_altitude_ft", "density_altitude_meters", "metres", factor::MetresPerFoot },
    { "cloud_base_ft", "cloud_base_meters", "metres", factor::MetresPerFoot },
};

const Gauge *gaugeOf(const char *key)
{
    for (const Gauge &g : gaugeTable)
        if (std::strcmp(g.key, key) == 0)
            return &g;
    return nullptr;
}

// Ten digits: more than any sensor resolves, and free of the binary noise
// of a unit conversion (1432.56, not 1432.5600000000002).
QByteArray number(double value)
{
    return QByteArray::number(value, 'g', 10);
}

void gauge(QByteArray &out, const QByteArray &name, const QByteArray &help, const QByteArray &value)
{
    out += "# HELP skyquill_" + name + ' ' + help + "\n# TYPE skyquill_" + name
        + " gauge\nskyquill_" + name + ' ' + value + '\n';
}

} // namespace

QByteArray metricGauges(const StationValues &values, const QVariantMap &rejectedTotals)
{
    QByteArray out;
    for (const state::Quantity &q : state::quantities()) {
        const QJsonValue value = state::stateValue(q, values);
        // Texts (the trend word, the METAR line) are no gauges; nulls are not delivered.
        if (!value.isDouble())
            continue;
        const Gauge *g = gaugeOf(q.key);
        const QByteArray name = g ? QByteArray(g->name) : QByteArray(q.key);
        const QByteArray unit = g ? QByteArray(g->unit) : QByteArray(q.unit);
        gauge(out, name, QByteArray(q.name) + " (" + unit + ").",
            number(value.toDouble() * (g ? g->factor : 1)));
    }
    if (rejectedTotals.isEmpty())
        return out;
    out += "# HELP skyquill_rejected_total Values the data checks refused since the console "
           "started, by quantity.\n# TYPE skyquill_rejected_total counter\n";
    // State keys: letters, digits and underscores, nothing to escape.
    for (auto it = rejectedTotals.cbegin(); it != rejectedTotals.cend(); ++it)
        out += "skyquill_rejected_total{quantity=\"" + it.key().toUtf8() + "\"} "
            + QByteArray::number(it.value().toULongLong()) + '\n';
    return out;
}

QByteArray metricsText(const QByteArray &gauges, bool up, qint64 lastUpdate)
{
    QByteArray out = gauges;
    gauge(out, "up", "1 while the station answers, 0 while its data is missing or stale.",
        up ? "1" : "0");
    if (lastUpdate >= 0)
        gauge(out, "last_update_timestamp_seconds",
            "When the station last answered, in seconds since the epoch.",
            QByteArray::number(lastUpdate));
    return out;
}

} // namespace web

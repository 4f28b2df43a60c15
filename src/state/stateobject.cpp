#include "stateobject.h"

#include <QJsonDocument>
#include <QRegularExpression>

#include <cmath>
#include <cstring>

namespace state {

namespace {

// Registers carry tenths and hundredths; rounding keeps the binary noise of
// a scaled value (0.762 mm, not 0.7619999999999999) off the wire.
QJsonValue number(double value, int decimals)
{
    if (!std::isfinite(value))
        return QJsonValue(QJsonValue::Null);
    const double scale = std::pow(10.0, decimals);
    return QJsonValue(std::round(value * scale) / scale);
}

// Rain in millimetres from a gauge in either unit.
double millimetresPer(const StationValues &v)
{
    return v.rainGauge() == RainGauge::Inches ? factor::MillimetresPerInch : 1.0;
}

// The dashboard's line carries markup; subscribers get the plain report. A
// line that is only the label ("METAR" before the first read, "METAR:" while
// a sensor is at fault) reports nothing.
QJsonValue plainMetar(const QString &line)
{
    const QString plain = plainMetarText(line);
    if (plain == QLatin1String("METAR") || plain == QLatin1String("METAR:"))
        return QJsonValue(QJsonValue::Null);
    return plain;
}

} // namespace

QString plainMetarText(const QString &line)
{
    static const QRegularExpression markup(QStringLiteral("<[^>]*>"));
    QString plain = line;
    plain.remove(markup);
    return plain.trimmed();
}

const std::vector<Quantity> &quantities()
{
    using V = const StationValues &;
    constexpr int Tph = TphFault;
    constexpr int Wind = WindFault;
    constexpr int Rain = RainFault;
    constexpr int Storm = LightningFault;
    static const std::vector<Quantity> all = {
        { "temperature_c", "Temperature", "°C", "temperature", "measurement", Tph, 1,
            [](V v) { return v.airTemp; } },
        { "humidity_pct", "Humidity", "%", "humidity", "measurement", Tph, 1,
            [](V v) { return v.humidity; } },
        { "dew_point_c", "Dew point", "°C", "temperature", "measurement", Tph, 1,
            [](V v) { return v.dewPoint; } },
        { "pressure_hpa", "Station pressure", "hPa", "atmospheric_pressure", "measurement", Tph, 1,
            [](V v) { return v.pressureRaw; } },
        { "sea_level_pressure_hpa", "Sea-level pressure", "hPa", "atmospheric_pressure",
            "measurement", Tph, 1, [](V v) { return v.pressure; } },
        { "altimeter_hpa", "Altimeter setting", "hPa", "atmospheric_pressure", "measurement", Tph,
            2, [](V v) { return v.altimeter; } },
        { "pressure_trend", "Pressure trend", "", "", "", Tph, 0, nullptr, Absent::Never,
            [](V v) { return QJsonValue(pressureTrendText(v.pressureTrend)); } },
        { "wind_speed_ms", "Wind speed", "m/s", "wind_speed", "measurement", Wind, 1,
            [](V v) { return v.wind; } },
        { "wind_dir_deg", "Wind direction", "°", "", "measurement", Wind, 1,
            [](V v) { return v.windDir; } },
        { "wind_speed_2min_ms", "Wind speed 2 min", "m/s", "wind_speed", "measurement", Wind, 1,
            [](V v) { return v.wind2; } },
        { "wind_dir_2min_deg", "Wind direction 2 min", "°", "", "measurement", Wind, 1,
            [](V v) { return v.windDir2; } },
        { "wind_speed_10min_ms", "Wind speed 10 min", "m/s", "wind_speed", "measurement", Wind, 1,
            [](V v) { return v.wind10; } },
        { "wind_dir_10min_deg", "Wind direction 10 min", "°", "", "measurement", Wind, 1,
            [](V v) { return v.windDir10; } },
        { "wind_gust_ms", "Wind gust", "m/s", "wind_speed", "measurement", Wind, 1,
            [](V v) { return v.windGust; } },
        { "wind_gust_dir_deg", "Wind gust direction", "°", "", "measurement", Wind, 1,
            [](V v) { return v.windDirGust; } },
        // The station resets it at its day start, which Home Assistant takes
        // as the start of a new count.
        { "rain_day_mm", "Rain today", "mm", "precipitation", "total_increasing", Rain,
            RainDecimals, [](V v) { return v.rainDay * millimetresPer(v); } },
        { "rain_rate_mmh", "Rain rate", "mm/h", "precipitation_intensity", "measurement", Rain,
            RainDecimals, [](V v) { return v.rainRate * millimetresPer(v); } },
        { "solar_wm2", "Solar radiation", "W/m²", "irradiance", "measurement", NoFault, 1,
            [](V v) { return solarRadiation(v); }, Absent::NoSolarSensor },
        // The station reports 0 km while there is no storm to range.
        { "lightning_distance_km", "Lightning distance", "km", "distance", "measurement", Storm, 0,
            [](V v) { return double(v.lightningDistance); }, Absent::NotPositive },
        { "lightning_10min", "Lightning strikes 10 min", "", "", "measurement", Storm, 0,
            [](V v) { return double(v.lightning10); } },
        { "lightning_30min", "Lightning strikes 30 min", "", "", "measurement", Storm, 0,
            [](V v) { return double(v.lightning30); } },
        { "lightning_60min", "Lightning strikes 60 min", "", "", "measurement", Storm, 0,
            [](V v) { return double(v.lightning60); } },
        { "heat_index_c", "Heat index", "°C", "temperature", "measurement", Tph, 1,
            [](V v) { return v.heatIndex; }, Absent::NotAvailable },
        { "wind_chill_c", "Wind chill", "°C", "temperature", "measurement", Tph | Wind, 1,
            [](V v) { return v.windChill; }, Absent::NotAvailable },
        // An index, not a temperature: a unit would have it converted to °F.
        { "humidex", "Humidex", "", "", "measurement", Tph, 1, [](V v) { return v.humidex; },
            Absent::NotAvailable },
        { "wbgt_c", "WBGT", "°C", "temperature", "measurement", Tph, 1, [](V v) { return v.wbgt; },
            Absent::NotAvailable },
        { "density_altitude_ft", "Density altitude", "ft", "distance", "measurement", Tph, 0,
            [](V v) { return double(v.densityAltitude); } },
        { "cloud_base_ft", "Cloud base", "ft", "distance", "measurement", Tph, 0,
            [](V v) { return double(v.estimatedCloudBase); } },
        { "metar", "METAR", "", "", "", NoFault, 0, nullptr, Absent::Never,
            [](V v) { return plainMetar(v.metar); } },
    };
    return all;
}

QJsonValue stateValue(const Quantity &q, const StationValues &v)
{
    // A negative status word is a sensor fault, as the METAR line reads it:
    // what that sensor measures, and what is derived from it, is not delivered.
    const int faults = (v.wdsStatus < 0 ? WindFault : 0) | (v.tphStatus < 0 ? TphFault : 0)
        | (v.rainGauge() == RainGauge::None ? RainFault : 0)
        | (v.lightningStatus < 0 ? LightningFault : 0);
    // So is a value the data checks refused, and what is worked out from it.
    if ((q.faults & faults) || v.isRejected(q.key))
        return QJsonValue(QJsonValue::Null);
    if (q.text)
        return q.text(v);
    const double value = q.value(v);
    if ((q.absent == Absent::NotAvailable && value == StationValues::NotAvailable)
        || (q.absent == Absent::NoSolarSensor && value == StationValues::NoSolarSensor)
        || (q.absent == Absent::NotPositive && value <= 0))
        return QJsonValue(QJsonValue::Null);
    const bool inches = v.rainGauge() == RainGauge::Inches;
    return number(value, q.decimals != RainDecimals ? q.decimals : inches ? 3 : 2);
}

std::optional<double> stateNumber(const char *key, const StationValues &values)
{
    for (const Quantity &q : quantities())
        if (q.numeric() && std::strcmp(q.key, key) == 0) {
            const QJsonValue value = stateValue(q, values);
            if (value.isDouble())
                return value.toDouble();
            return std::nullopt;
        }
    return std::nullopt;
}

QJsonObject stateObject(const StationValues &values, const QDateTime &utc)
{
    QJsonObject o;
    o.insert(QStringLiteral("time"), utc.toUTC().toString(Qt::ISODate));
    for (const Quantity &q : quantities())
        o.insert(QLatin1String(q.key), stateValue(q, values));
    return o;
}

QByteArray stateJson(
    const StationValues &values, const QDateTime &utc, const QVariantMap &rejectedTotals)
{
    QJsonObject o = stateObject(values, utc);
    if (!rejectedTotals.isEmpty())
        o.insert(QStringLiteral("rejected_total"), QJsonObject::fromVariantMap(rejectedTotals));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

} // namespace state

#include "mqttpayload.h"

#include "acquisition/stationcycle.h"
#include "acquisition/stationdata.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace mqtt {

const QByteArray Online = QByteArrayLiteral("online");
const QByteArray Offline = QByteArrayLiteral("offline");

namespace {

constexpr int RainInInches = 2;
constexpr double MillimetresPerInch = 25.4;

// Registers carry tenths and hundredths; rounding keeps the binary noise of
// a scaled value (0.762 mm, not 0.7619999999999999) off the wire.
QJsonValue number(double value, int decimals)
{
    if (!std::isfinite(value))
        return QJsonValue(QJsonValue::Null);
    const double scale = std::pow(10.0, decimals);
    return QJsonValue(std::round(value * scale) / scale);
}

QJsonValue unless(bool missing, const QJsonValue &value)
{
    return missing ? QJsonValue(QJsonValue::Null) : value;
}

bool missing(double derived)
{
    return derived == StationValues::NotAvailable;
}

QString text(const char *latin1)
{
    return QString::fromUtf8(latin1);
}

// The dashboard's line carries markup; subscribers get the plain report. A
// line that is only the label ("METAR" before the first read, "METAR:" while
// a sensor is at fault) reports nothing.
QJsonValue plainMetar(const QString &line)
{
    QString plain = line;
    plain.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    plain = plain.trimmed();
    if (plain == QLatin1String("METAR") || plain == QLatin1String("METAR:"))
        return QJsonValue(QJsonValue::Null);
    return plain;
}

} // namespace

const std::vector<Quantity> &quantities()
{
    static const std::vector<Quantity> all = {
        { "temperature_c", "Temperature", "°C", "temperature", "measurement" },
        { "humidity_pct", "Humidity", "%", "humidity", "measurement" },
        { "dew_point_c", "Dew point", "°C", "temperature", "measurement" },
        { "pressure_hpa", "Station pressure", "hPa", "atmospheric_pressure", "measurement" },
        { "sea_level_pressure_hpa", "Sea-level pressure", "hPa", "atmospheric_pressure",
          "measurement" },
        { "altimeter_hpa", "Altimeter setting", "hPa", "atmospheric_pressure", "measurement" },
        { "pressure_trend", "Pressure trend", "", "", "" },
        { "wind_speed_ms", "Wind speed", "m/s", "wind_speed", "measurement" },
        { "wind_dir_deg", "Wind direction", "°", "", "measurement" },
        { "wind_speed_2min_ms", "Wind speed 2 min", "m/s", "wind_speed", "measurement" },
        { "wind_dir_2min_deg", "Wind direction 2 min", "°", "", "measurement" },
        { "wind_speed_10min_ms", "Wind speed 10 min", "m/s", "wind_speed", "measurement" },
        { "wind_dir_10min_deg", "Wind direction 10 min", "°", "", "measurement" },
        { "wind_gust_ms", "Wind gust", "m/s", "wind_speed", "measurement" },
        { "wind_gust_dir_deg", "Wind gust direction", "°", "", "measurement" },
        // The station resets it at its day start, which Home Assistant takes
        // as the start of a new count.
        { "rain_day_mm", "Rain today", "mm", "precipitation", "total_increasing" },
        { "rain_rate_mmh", "Rain rate", "mm/h", "precipitation_intensity", "measurement" },
        { "solar_wm2", "Solar radiation", "W/m²", "irradiance", "measurement" },
        { "lightning_distance_km", "Lightning distance", "km", "distance", "measurement" },
        { "lightning_10min", "Lightning strikes 10 min", "", "", "measurement" },
        { "lightning_30min", "Lightning strikes 30 min", "", "", "measurement" },
        { "lightning_60min", "Lightning strikes 60 min", "", "", "measurement" },
        { "heat_index_c", "Heat index", "°C", "temperature", "measurement" },
        { "wind_chill_c", "Wind chill", "°C", "temperature", "measurement" },
        // An index, not a temperature: a unit would have it converted to °F.
        { "humidex", "Humidex", "", "", "measurement" },
        { "wbgt_c", "WBGT", "°C", "temperature", "measurement" },
        { "density_altitude_ft", "Density altitude", "ft", "distance", "measurement" },
        { "cloud_base_ft", "Cloud base", "ft", "distance", "measurement" },
        { "metar", "METAR", "", "", "" },
    };
    return all;
}

QByteArray availabilityTopic(const QString &base, const QString &id)
{
    return (base + QLatin1Char('/') + id + QStringLiteral("/availability")).toUtf8();
}

QByteArray stateTopic(const QString &base, const QString &id)
{
    return (base + QLatin1Char('/') + id + QStringLiteral("/state")).toUtf8();
}

QByteArray discoveryTopic(const QString &prefix, const QString &id, const char *key)
{
    return (prefix + QStringLiteral("/sensor/skyquill_") + id + QLatin1Char('/') + text(key)
            + QStringLiteral("/config"))
            .toUtf8();
}

bool validTopicPrefix(const QString &text)
{
    return !text.isEmpty() && !text.contains(QLatin1Char('+')) && !text.contains(QLatin1Char('#'))
            && !text.contains(QChar(0));
}

bool available(const StationCycle &cycle)
{
    return cycle.good() && !cycle.dataMissing;
}

QByteArray stateJson(const StationValues &v, const QDateTime &utc)
{
    // A negative status word is a sensor fault, as the METAR line reads it:
    // what that sensor measures, and what is derived from it, is not delivered.
    const bool noWind = v.wdsStatus < 0;
    const bool noTph = v.tphStatus < 0;
    const bool noRain = v.rainUnits == 0;
    const bool noLightning = v.lightningStatus < 0;
    const double rainScale = v.rainUnits == RainInInches ? MillimetresPerInch : 1.0;
    const int rainDecimals = v.rainUnits == RainInInches ? 3 : 2;
    const double solar = solarRadiation(v);

    QJsonObject o;
    o.insert(QStringLiteral("time"), utc.toUTC().toString(Qt::ISODate));
    o.insert(QStringLiteral("temperature_c"), unless(noTph, number(v.airTemp, 1)));
    o.insert(QStringLiteral("humidity_pct"), unless(noTph, number(v.humidity, 1)));
    o.insert(QStringLiteral("dew_point_c"), unless(noTph, number(v.dewPoint, 1)));
    o.insert(QStringLiteral("pressure_hpa"), unless(noTph, number(v.pressureRaw, 1)));
    o.insert(QStringLiteral("sea_level_pressure_hpa"), unless(noTph, number(v.pressure, 1)));
    o.insert(QStringLiteral("altimeter_hpa"), unless(noTph, number(v.altimeter, 2)));
    o.insert(QStringLiteral("pressure_trend"), unless(noTph, pressureTrendText(v.pressureTrend)));
    o.insert(QStringLiteral("wind_speed_ms"), unless(noWind, number(v.wind, 1)));
    o.insert(QStringLiteral("wind_dir_deg"), unless(noWind, number(v.windDir, 1)));
    o.insert(QStringLiteral("wind_speed_2min_ms"), unless(noWind, number(v.wind2, 1)));
    o.insert(QStringLiteral("wind_dir_2min_deg"), unless(noWind, number(v.windDir2, 1)));
    o.insert(QStringLiteral("wind_speed_10min_ms"), unless(noWind, number(v.wind10, 1)));
    o.insert(QStringLiteral("wind_dir_10min_deg"), unless(noWind, number(v.windDir10, 1)));
    o.insert(QStringLiteral("wind_gust_ms"), unless(noWind, number(v.windGust, 1)));
    o.insert(QStringLiteral("wind_gust_dir_deg"), unless(noWind, number(v.windDirGust, 1)));
    o.insert(QStringLiteral("rain_day_mm"), unless(noRain, number(v.rainDay * rainScale, rainDecimals)));
    o.insert(QStringLiteral("rain_rate_mmh"),
             unless(noRain, number(v.rainRate * rainScale, rainDecimals)));
    o.insert(QStringLiteral("solar_wm2"),
             unless(solar == StationValues::NoSolarSensor, number(solar, 1)));
    // The station reports 0 km while there is no storm to range.
    o.insert(QStringLiteral("lightning_distance_km"),
             unless(noLightning || v.lightningDistance <= 0, v.lightningDistance));
    o.insert(QStringLiteral("lightning_10min"), unless(noLightning, v.lightning10));
    o.insert(QStringLiteral("lightning_30min"), unless(noLightning, v.lightning30));
    o.insert(QStringLiteral("lightning_60min"), unless(noLightning, v.lightning60));
    o.insert(QStringLiteral("heat_index_c"),
             unless(noTph || missing(v.heatIndex), number(v.heatIndex, 1)));
    o.insert(QStringLiteral("wind_chill_c"),
             unless(noTph || noWind || missing(v.windChill), number(v.windChill, 1)));
    o.insert(QStringLiteral("humidex"), unless(noTph || missing(v.humidex), number(v.humidex, 1)));
    o.insert(QStringLiteral("wbgt_c"), unless(noTph || missing(v.wbgt), number(v.wbgt, 1)));
    o.insert(QStringLiteral("density_altitude_ft"), unless(noTph, v.densityAltitude));
    o.insert(QStringLiteral("cloud_base_ft"), unless(noTph, v.estimatedCloudBase));
    o.insert(QStringLiteral("metar"), plainMetar(v.metar));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray discoveryConfig(const Quantity &q, const Device &device, const QString &base)
{
    const QString key = text(q.key);
    QJsonObject o;
    o.insert(QStringLiteral("name"), text(q.name));
    o.insert(QStringLiteral("unique_id"), QStringLiteral("skyquill_") + device.id + QLatin1Char('_') + key);
    o.insert(QStringLiteral("state_topic"), QString::fromUtf8(stateTopic(base, device.id)));
    o.insert(QStringLiteral("value_template"), QStringLiteral("{{ value_json.") + key + QStringLiteral(" }}"));
    if (*q.unit)
        o.insert(QStringLiteral("unit_of_measurement"), text(q.unit));
    if (*q.deviceClass)
        o.insert(QStringLiteral("device_class"), text(q.deviceClass));
    if (*q.stateClass)
        o.insert(QStringLiteral("state_class"), text(q.stateClass));
    o.insert(QStringLiteral("availability_topic"),
             QString::fromUtf8(availabilityTopic(base, device.id)));
    o.insert(QStringLiteral("payload_available"), QString::fromLatin1(Online));
    o.insert(QStringLiteral("payload_not_available"), QString::fromLatin1(Offline));

    QJsonObject d;
    d.insert(QStringLiteral("identifiers"), QJsonArray { QStringLiteral("skyquill_") + device.id });
    d.insert(QStringLiteral("name"), QStringLiteral("Skyquill ") + device.id);
    d.insert(QStringLiteral("model"), QStringLiteral("Automatic weather station"));
    d.insert(QStringLiteral("manufacturer"), QStringLiteral("Quorin"));
    d.insert(QStringLiteral("sw_version"), device.swVersion);
    o.insert(QStringLiteral("device"), d);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

bool stateDue(const QDateTime &last, const QDateTime &now, int intervalSeconds)
{
    if (last.isNull())
        return true;
    const qint64 elapsed = last.secsTo(now);
    return elapsed < 0 || elapsed >= qBound(1, intervalSeconds, 3600);
}

Backoff::Backoff(int firstMs, int longestMs)
    : first(qMax(1, firstMs)), longest(qMax(first, longestMs)), upcoming(first)
{
}

int Backoff::next()
{
    const int wait = upcoming;
    upcoming = int(qMin<qint64>(longest, 2 * qint64(upcoming)));
    return wait;
}

} // namespace mqtt

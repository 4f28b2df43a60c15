#include "wunetwork.h"

#include "meteo/conversion.h"

#include <QLocale>

namespace networks {

namespace {

// "yyyy-MM-dd HH:mm:ss", UTC.
QString utcText(const QDateTime &utc)
{
    return QLocale::c().toString(utc.toUTC(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString softwareType(const QString &version)
{
    return QStringLiteral("Skyquill ") + version;
}

} // namespace

WuNetwork::WuNetwork(const QString &name, Format f, QObject *parent)
    : HttpNetwork(name, parent)
    , format(f)
{
}

QString WuNetwork::pwsQuery(
    const Observation &o, const NetworkAccount &account, const QString &version)
{
    Query q;
    q.add("ID", account.stationId);
    q.add("PASSWORD", account.secret);
    q.add("dateutc", utcText(o.utc));
    addWeatherFields(q, o);
    q.add("softwaretype", softwareType(version));
    q.add("action", QStringLiteral("updateraw"));
    return q.text();
}

QString WuNetwork::wowQuery(
    const Observation &o, const NetworkAccount &account, const QString &version)
{
    Query q;
    q.add("siteid", account.stationId);
    q.add("siteAuthenticationKey", account.secret);
    q.add("dateutc", utcText(o.utc));
    q.add("softwaretype", softwareType(version));
    addWeatherFields(q, o);
    return q.text();
}

void WuNetwork::addWeatherFields(Query &q, const Observation &o)
{
    q.add("tempf", fahrenheit(o.temperature), 1);
    q.add("humidity", o.humidity, 0);
    q.add("dewptf", fahrenheit(o.dewPoint), 1);
    if (o.seaLevelPressure)
        q.add("baromin", meteo::convertPressure(*o.seaLevelPressure, PressureUnit::InHg), 3);
    q.add("windspeedmph", milesPerHour(o.windSpeed), 1);
    q.add("windgustmph", milesPerHour(o.windGust), 1);
    q.add("winddir", o.windDir, 0);
    q.add("dailyrainin", inches(o.rainToday), 2);
    q.add("rainin", inches(o.rainLastHour), 2);
    q.add("solarradiation", o.solar, 0);
}

} // namespace networks

#include "windy.h"

#include <QLocale>

namespace networks {

Windy::Windy(QObject *parent)
    : HttpNetwork(QStringLiteral("Windy"), parent)
{
}

QString Windy::query(const Observation &o, const QString &stationId)
{
    Query q;
    q.add("id", stationId);
    q.add("time", QLocale::c().toString(o.utc.toUTC(), QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")));
    q.add("temp", o.temperature, 1);
    q.add("humidity", o.humidity, 0);
    if (o.seaLevelPressure)
        q.add("pressure", *o.seaLevelPressure * 100, 0);
    q.add("wind", o.windSpeed, 1);
    q.add("gust", o.windGust, 1);
    q.add("winddir", o.windDir, 0);
    q.add("precip", o.rainLastHour, 1);
    return q.text();
}

net::HttpExchange::Headers Windy::headers() const
{
    return { { "Authorization", "Bearer " + account().secret.toUtf8() } };
}

} // namespace networks

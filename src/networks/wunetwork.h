#pragma once

#include "httpnetwork.h"

namespace networks {

// A network that takes Weather Underground's upload fields: PWSweather and
// WOW, which differ only in how the station names itself.
class WuNetwork : public HttpNetwork
{
    Q_OBJECT

public:
    using Format = QString (*)(
        const Observation &observation, const NetworkAccount &account, const QString &version);

    WuNetwork(const QString &name, Format format, QObject *parent = nullptr);

    // ID, PASSWORD, dateutc, the weather fields, softwaretype, action=updateraw.
    static QString pwsQuery(
        const Observation &observation, const NetworkAccount &account, const QString &version);
    // siteid, siteAuthenticationKey (the PIN), dateutc, softwaretype, the
    // weather fields.
    static QString wowQuery(
        const Observation &observation, const NetworkAccount &account, const QString &version);

    // The weather fields, in US units: tempf, humidity, dewptf, baromin (sea
    // level), windspeedmph, windgustmph, winddir, dailyrainin, rainin (the
    // last hour), solarradiation. A field without a value is left out.
    static void addWeatherFields(Query &query, const Observation &observation);

protected:
    QString queryOf(const Observation &observation) const override
    {
        return format(observation, account(), version);
    }

private:
    Format format;
};

} // namespace networks

#pragma once

#include "httpnetwork.h"

namespace networks {

// Windy's stations API: metric units, the password as a bearer token, and a
// duplicate (409) taken as delivered.
class Windy : public HttpNetwork
{
    Q_OBJECT

public:
    explicit Windy(QObject *parent = nullptr);

    // id, time (ISO 8601 UTC), temp (°C), humidity (%), pressure (sea level,
    // Pa), wind and gust (m/s), winddir (degrees), precip (mm, the last hour).
    static QString query(const Observation &observation, const QString &stationId);

protected:
    QString queryOf(const Observation &observation) const override
    {
        return query(observation, account().stationId);
    }
    net::HttpExchange::Headers headers() const override;
    int alsoAccepted() const override { return 409; }
};

} // namespace networks

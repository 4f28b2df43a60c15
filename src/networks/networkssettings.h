#pragma once

#include <QString>

class SettingsReader;

// One weather network's account: whether it uploads, as whom, where to and
// how often.
struct NetworkAccount
{
    bool enabled = false;
    QString stationId;
    QString secret; // password, passcode or PIN
    QString endpoint; // a URL, or host:port for CWOP
    int intervalMinutes = 10;

    bool operator==(const NetworkAccount &o) const
    {
        return enabled == o.enabled && stationId == o.stationId && secret == o.secret
            && endpoint == o.endpoint && intervalMinutes == o.intervalMinutes;
    }
    bool operator!=(const NetworkAccount &o) const { return !(*this == o); }

    // The station's identity towards the network: a change lifts a refusal.
    bool sameCredentials(const NetworkAccount &o) const
    {
        return stationId == o.stationId && secret == o.secret;
    }
};

// The settings of the weather-network uploads. Off by default.
struct NetworksSettings
{
    // Decimal degrees, north and east positive; both 0 means not set.
    double latitude = 0;
    double longitude = 0;
    NetworkAccount cwop { false, {}, QStringLiteral("-1"), QStringLiteral("cwop.aprs.net:14580"),
        10 };
    NetworkAccount windy { false, {}, {},
        QStringLiteral("https://stations.windy.com/api/v2/observation/update"), 5 };
    NetworkAccount pws { false, {}, {},
        QStringLiteral("https://www.pwsweather.com/pwsupdate/pwsupdate.php"), 5 };
    NetworkAccount wow { false, {}, {},
        QStringLiteral("https://wow.metoffice.gov.uk/automaticreading"), 10 };
    // The console's version, for the CWOP login and the software fields.
    QString version;

    bool operator==(const NetworksSettings &o) const
    {
        return latitude == o.latitude && longitude == o.longitude && cwop == o.cwop
            && windy == o.windy && pws == o.pws && wow == o.wow && version == o.version;
    }
    bool operator!=(const NetworksSettings &o) const { return !(*this == o); }
};

// The networks' keys, and the console's version.
NetworksSettings networksSettingsFrom(const SettingsReader &settings);

#include "networkssettings.h"

#include "settings/settingsreader.h"

namespace {

NetworkAccount account(const SettingsReader &s, Setting enabled, Setting id, Setting secret,
    Setting endpoint, Setting minutes)
{
    return { s.flag(enabled), s.text(id).trimmed(), s.text(secret), s.text(endpoint).trimmed(),
        s.integer(minutes) };
}

} // namespace

NetworksSettings networksSettingsFrom(const SettingsReader &s)
{
    NetworksSettings n;
    n.latitude = s.value(Setting::StationLatitude).toDouble();
    n.longitude = s.value(Setting::StationLongitude).toDouble();
    n.cwop = account(s, Setting::CwopEnabled, Setting::CwopStationId, Setting::CwopPasscode,
        Setting::CwopServer, Setting::CwopIntervalMinutes);
    n.windy = account(s, Setting::WindyEnabled, Setting::WindyStationId, Setting::WindyPassword,
        Setting::WindyUrl, Setting::WindyIntervalMinutes);
    n.pws = account(s, Setting::PwsEnabled, Setting::PwsStationId, Setting::PwsPassword,
        Setting::PwsUrl, Setting::PwsIntervalMinutes);
    n.wow = account(s, Setting::WowEnabled, Setting::WowSiteId, Setting::WowAuthKey,
        Setting::WowUrl, Setting::WowIntervalMinutes);
    n.version = s.version();
    return n;
}

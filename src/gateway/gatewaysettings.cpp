#include "gatewaysettings.h"

#include "settings/settingsreader.h"

GatewaySettings gatewaySettingsFrom(const SettingsReader &settings)
{
    return { settings.integer(Setting::GatewayPort), settings.flag(Setting::DebugLog) };
}

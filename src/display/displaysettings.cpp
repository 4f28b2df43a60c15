#include "displaysettings.h"

#include "settings/settingsreader.h"

DisplaySettings displaySettingsFrom(const SettingsReader &settings)
{
    return { settings.displayUnits(), settings.integer(Setting::Theme) };
}

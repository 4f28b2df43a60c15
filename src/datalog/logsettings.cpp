#include "logsettings.h"

#include "settings/settingsreader.h"

LogSettings logSettingsFrom(const SettingsReader &s)
{
    // One cycle a second: the interval in seconds is the interval in cycles.
    return { s.flag(Setting::LogEnabled), s.integer(Setting::UpdateLogSeconds),
        s.text(Setting::LogPath), s.text(Setting::LogPrefix), s.displayUnits() };
}

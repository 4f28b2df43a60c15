#include "uploadsettings.h"

#include "settings/settingsreader.h"

UploadSettings uploadSettingsFrom(const SettingsReader &s)
{
    return { s.integer(Setting::SerialNumber), s.text(Setting::Password),
        s.text(Setting::WUUsername), s.text(Setting::WUPassword),
        s.integer(Setting::QuorinLiveMinutes) };
}

#include "websettings.h"

#include "archive/archivesettings.h"
#include "settings/settingsreader.h"

WebSettings webSettingsFrom(const SettingsReader &settings)
{
    WebSettings s;
    s.enabled = settings.flag(Setting::WebEnabled);
    s.port = settings.integer(Setting::WebPort);
    s.bindAddress = settings.text(Setting::WebBindAddress).trimmed();
    s.archiveFile = archivePath(settings);
    s.display = displaySettingsFrom(settings);
    return s;
}

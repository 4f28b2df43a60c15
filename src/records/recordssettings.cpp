#include "recordssettings.h"

#include "archive/archivesettings.h"
#include "settings/settingsreader.h"

#include <QFileInfo>

RecordsSettings recordsSettingsFrom(const SettingsReader &settings)
{
    RecordsSettings s;
    s.enabled = settings.flag(Setting::RecordsEnabled);
    s.degreeDayBase = settings.value(Setting::DegreeDayBase).toDouble();
    s.archiveFile = archivePath(settings);
    s.stateFile = QFileInfo(s.archiveFile).absolutePath() + QStringLiteral("/records.json");
    s.reportsFolder = settings.text(Setting::LogPath) + QStringLiteral("/reports");
    s.units = settings.displayUnits();
    return s;
}

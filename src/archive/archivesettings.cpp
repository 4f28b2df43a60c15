#include "archivesettings.h"

#include "settings/settingsreader.h"

ArchiveSettings archiveSettingsFrom(const SettingsReader &settings)
{
    return { settings.flag(Setting::ArchiveEnabled), archivePath(settings) };
}

QString archivePath(const SettingsReader &settings)
{
    return settings.folder() + QStringLiteral("/archive.sqlite");
}

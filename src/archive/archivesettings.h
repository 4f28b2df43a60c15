#pragma once

#include <QString>

class SettingsReader;

// What the archive needs of the settings.
struct ArchiveSettings
{
    bool enabled = true;
    QString path; // the archive file

    bool operator==(const ArchiveSettings &o) const
    {
        return enabled == o.enabled && path == o.path;
    }
    bool operator!=(const ArchiveSettings &o) const { return !(*this == o); }
};

ArchiveSettings archiveSettingsFrom(const SettingsReader &settings);

// The archive lives beside the settings it was made with.
QString archivePath(const SettingsReader &settings);

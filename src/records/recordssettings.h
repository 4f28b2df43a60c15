#pragma once

#include "climatereport.h"

#include <QString>

class SettingsReader;

// What the records need of the settings.
struct RecordsSettings
{
    bool enabled = true;
    QString archiveFile; // read, never written
    QString stateFile; // the records, kept between runs
    QString reportsFolder; // empty: no report files
    DisplayUnits units;
    double degreeDayBase = records::DefaultDegreeDayBase; // °C

    bool operator==(const RecordsSettings &o) const
    {
        return enabled == o.enabled && archiveFile == o.archiveFile && stateFile == o.stateFile
            && reportsFolder == o.reportsFolder && units == o.units
            && degreeDayBase == o.degreeDayBase;
    }
    bool operator!=(const RecordsSettings &o) const { return !(*this == o); }
};

// The records' settings as the store holds them now: the records file beside
// the archive, the reports in a `reports` folder beside the data log.
RecordsSettings recordsSettingsFrom(const SettingsReader &settings);

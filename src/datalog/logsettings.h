#pragma once

#include "record/units.h"

#include <QString>

class SettingsReader;

// What the data log needs of the settings, copied whole whenever one changes.
struct LogSettings
{
    bool enabled = false;
    int intervalCycles = 600; // a row every this many cycles
    QString folder;
    QString prefix = QStringLiteral("logfile-");
    // Rows are written in the display units of the moment.
    DisplayUnits units;

    bool operator==(const LogSettings &o) const
    {
        return enabled == o.enabled && intervalCycles == o.intervalCycles && folder == o.folder
            && prefix == o.prefix && units == o.units;
    }
    bool operator!=(const LogSettings &o) const { return !(*this == o); }
};

LogSettings logSettingsFrom(const SettingsReader &settings);

#pragma once

#include "acquisition/qmodbus.h"
#include "display/stationdisplay.h"
#include "settings/syssettings.h"

// The station as the dashboards show it, following one acquisition and its
// settings without a console: for the acquisition's tests, which read what
// the cycles brought.
class ShownValues : public StationDisplay
{
public:
    ShownValues(QModbus &link, SysSettings &settings)
        : StationDisplay(&link)
    {
        connect(&link, &QModbus::cyclePublished, this, &StationDisplay::takeCycle);
        readSettings(settings);
        connect(&settings, &SysSettings::settingChanged, this,
            [this, &settings] { readSettings(settings); });
    }
};

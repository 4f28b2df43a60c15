#pragma once

#include "record/units.h"

class SettingsReader;

// What the dashboards' values depend on.
struct DisplaySettings
{
    DisplayUnits units;
    int theme = 0; // the WBGT colour is the theme's

    bool operator==(const DisplaySettings &o) const { return units == o.units && theme == o.theme; }
    bool operator!=(const DisplaySettings &o) const { return !(*this == o); }
};

DisplaySettings displaySettingsFrom(const SettingsReader &settings);

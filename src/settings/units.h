#pragma once

#include "record/units.h"

#include <QString>

// Unit labels, gauge scales and theme colours. Units outside the named ones
// fall back to the first row, except temperature and distance, where anything
// but the metric unit means the imperial one.
namespace units {

QString temperatureLabel(TemperatureUnit unit);
int temperatureRangeLow(TemperatureUnit unit);
int temperatureRangeHigh(TemperatureUnit unit);

QString pressureLabel(PressureUnit unit);
int pressureRangeLow(PressureUnit unit);
int pressureRangeHigh(PressureUnit unit);
int pressureTickSize(PressureUnit unit);

QString speedLabel(SpeedUnit unit);
int speedRangeHigh(SpeedUnit unit);

QString distanceLabel(DistanceUnit unit);

// The label of what a quantity measures in the display units, rain in the
// gauge's unit (inches or millimetres).
QString measureLabel(Measure measure, const DisplayUnits &units, RainGauge gauge);

} // namespace units

namespace theme {

// The colours the interface draws with, each a colour property of Settings.
enum class Role
{
    Background,
    Text,
    Needle2,
    Needle3,
    Red,
    Blue,
    Shadow,
};

// The colour text of a role in a theme: 0 is the dark theme, every other
// value the light one.
const char *colour(int theme, Role role);

} // namespace theme

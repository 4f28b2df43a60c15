#pragma once

#include <QString>

// Unit labels, gauge scales and theme colours, derived from the small integer
// indexes the settings store keeps. Indexes outside the known ones fall back
// to the first row, except temperature and distance, where anything non-zero
// means the imperial unit.
namespace units {

enum TemperatureUnit { Celsius = 0, Fahrenheit = 1 };
enum PressureUnit { Millibar = 0, MmHg = 1, InHg = 2, KPa = 3 };
enum SpeedUnit { Mph = 0, MetresPerSecond = 1, KmPerHour = 2, Knots = 3 };
enum DistanceUnit { Kilometres = 0, Miles = 1 };
enum PressureAdjustment { MeanSeaLevel = 0, Station = 1 };

QString temperatureLabel(int index);
int temperatureRangeLow(int index);
int temperatureRangeHigh(int index);

QString pressureLabel(int index);
int pressureRangeLow(int index);
int pressureRangeHigh(int index);
int pressureTickSize(int index);

QString speedLabel(int index);
int speedRangeHigh(int index);

QString distanceLabel(int index);

} // namespace units

namespace theme {

struct Palette
{
    const char *background;
    const char *text;
    const char *needle2;
    const char *needle3;
    const char *red;
    const char *blue;
    const char *shadow;
};

// 0 is the dark theme, every other value the light one.
const Palette &palette(int theme);

} // namespace theme

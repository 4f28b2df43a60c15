#pragma once

#include <QString>

// The quantities the console computes itself from the station's values.
// Constants and evaluation order are fixed: they decide the last digit.
namespace meteo {

// Feet, rounded to the nearest 100 with halves upward. Uses the station
// pressure (not the sea-level one).
int densityAltitude(double airTempC, double stationPressureHpa);

// Feet, rounded like densityAltitude; 0 when the dew point is above the air
// temperature.
int estimatedCloudBase(double airTempC, double dewPointC);

// hPa, unrounded. Computed for any elevation; at 0 m it is P - 0.3.
double altimeterSetting(double stationPressureHpa, int elevationMetres);

// Dew point (°C) by the Magnus formula, for records that carry none; NaN
// without a humidity.
double magnusDewPoint(double tempC, double humidity);

// Upper bounds closed: 26.6 is still Blue. The -999 sentinel falls in Blue.
enum class WbgtBand
{
    Blue,
    Green,
    Yellow,
    Red,
    Extreme
};

WbgtBand wbgtBand(double wbgtC);

// The settings colour property a band is drawn in: "blueColor",
// "needleColor3", "needleColor2", "redColor" or "textColor".
const char *wbgtColorRole(WbgtBand band);

// The colour text of the band in the given theme (0 dark, other light),
// the same text the settings object's colour property returns.
QString wbgtColor(double wbgtC, int themeIndex);

} // namespace meteo

#include "derived.h"

#include "settings/units.h"
#include "truncate.h"

#include <algorithm>
#include <cmath>

namespace meteo {

int densityAltitude(double airTempC, double stationPressureHpa)
{
    const double pressureInHg = stationPressureHpa * 0.0295333727;
    const double tempF = airTempC * 1.8 + 32;
    const double tempRankine = tempF + 459.67;
    const double ratio = (pressureInHg * 17.326) / tempRankine;
    const double feet = (1 - std::pow(ratio, 0.235)) * 145442.16;
    return roundToHundred(feet);
}

int estimatedCloudBase(double airTempC, double dewPointC)
{
    const double feet = (airTempC - dewPointC) / 2.54 * 1000;
    // A dew point above the air temperature puts no cloud below the ground.
    return std::max(0, roundToHundred(feet));
}

double altimeterSetting(double stationPressureHpa, int elevationMetres)
{
    const double pc = stationPressureHpa - 0.3;
    const double h = elevationMetres;
    return pc * std::pow(1 + 8.42288068615e-05 * (h / std::pow(pc, 0.190284)), 5.25530260032);
}

WbgtBand wbgtBand(double wbgtC)
{
    if (wbgtC <= 26.6)
        return WbgtBand::Blue;
    if (wbgtC <= 29.3)
        return WbgtBand::Green;
    if (wbgtC <= 31)
        return WbgtBand::Yellow;
    if (wbgtC <= 32.1)
        return WbgtBand::Red;
    return WbgtBand::Extreme;
}

const char *wbgtColorRole(WbgtBand band)
{
    switch (band) {
    case WbgtBand::Blue:
        return "blueColor";
    case WbgtBand::Green:
        return "needleColor3";
    case WbgtBand::Yellow:
        return "needleColor2";
    case WbgtBand::Red:
        return "redColor";
    case WbgtBand::Extreme:
        break;
    }
    return "textColor";
}

QString wbgtColor(double wbgtC, int themeIndex)
{
    const theme::Palette &p = theme::palette(themeIndex);
    const char *colour = p.text;
    switch (wbgtBand(wbgtC)) {
    case WbgtBand::Blue:
        colour = p.blue;
        break;
    case WbgtBand::Green:
        colour = p.needle3;
        break;
    case WbgtBand::Yellow:
        colour = p.needle2;
        break;
    case WbgtBand::Red:
        colour = p.red;
        break;
    case WbgtBand::Extreme:
        break;
    }
    return QString::fromLatin1(colour);
}

} // namespace meteo

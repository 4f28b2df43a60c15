#include "derived.h"

#include "record/units.h"
#include "settings/units.h"
#include "truncate.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace meteo {

int densityAltitude(double airTempC, double stationPressureHpa)
{
    const double pressureInHg = stationPressureHpa * factor::InHgPerHpa;
    const double tempF = airTempC * factor::FahrenheitPerCelsius + factor::FahrenheitAtZeroCelsius;
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

double magnusDewPoint(double tempC, double humidity)
{
    if (std::isnan(tempC) || std::isnan(humidity) || humidity <= 0)
        return std::numeric_limits<double>::quiet_NaN();
    constexpr double b = 17.62;
    constexpr double c = 243.12;
    const double gamma = std::log(std::min(humidity, 100.0) / 100) + b * tempC / (c + tempC);
    const double dew = c * gamma / (b - gamma);
    return std::isfinite(dew) ? dew : std::numeric_limits<double>::quiet_NaN();
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

namespace {

// Each band's colour: the settings property QML draws it with, and its role.
struct BandColour
{
    const char *property;
    theme::Role role;
};

BandColour bandColour(WbgtBand band)
{
    // In the order of WbgtBand.
    static const BandColour colours[] = {
        { "blueColor", theme::Role::Blue },
        { "needleColor3", theme::Role::Needle3 },
        { "needleColor2", theme::Role::Needle2 },
        { "redColor", theme::Role::Red },
        { "textColor", theme::Role::Text },
    };
    return colours[int(band)];
}

} // namespace

const char *wbgtColorRole(WbgtBand band)
{
    return bandColour(band).property;
}

QString wbgtColor(double wbgtC, int themeIndex)
{
    return QString::fromLatin1(theme::colour(themeIndex, bandColour(wbgtBand(wbgtC)).role));
}

} // namespace meteo

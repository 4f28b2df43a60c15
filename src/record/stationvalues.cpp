#include "stationvalues.h"

double solarRadiation(const StationValues &v)
{
    constexpr int SolarSensor = 3;
    if (v.analog1Type == SolarSensor)
        return v.analog1;
    if (v.analog2Type == SolarSensor)
        return v.analog2;
    return StationValues::NoSolarSensor;
}

QString pressureTrendText(double trendCode)
{
    if (trendCode <= -2)
        return QStringLiteral("Falling Fast");
    if (trendCode <= -1)
        return QStringLiteral("Falling");
    if (trendCode >= 2)
        return QStringLiteral("Rising Fast");
    if (trendCode >= 1)
        return QStringLiteral("Rising");
    return QStringLiteral("Steady");
}

#include "conversion.h"

namespace meteo {

double convertTemperature(double celsius, int units)
{
    return units == 0 ? celsius : celsius * 1.8 + 32;
}

double convertTemperatureIndex(double celsius, int units)
{
    return celsius <= NotAvailable ? celsius : convertTemperature(celsius, units);
}

double convertTemperatureHigh(double celsius, int units)
{
    return celsius == NoHigh ? celsius : convertTemperature(celsius, units);
}

double convertTemperatureLow(double celsius, int units)
{
    return celsius == NoLow ? celsius : convertTemperature(celsius, units);
}

double convertPressure(double hPa, int units)
{
    switch (units) {
    case 1:
        return hPa * 0.750061682704;
    case 2:
        return hPa * 0.0295333727;
    case 3:
        return hPa / 10; // a division, not * 0.1: the last digit differs
    default:
        return hPa;
    }
}

double convertPressureHigh(double hPa, int units)
{
    return hPa == NoHigh ? hPa : convertPressure(hPa, units);
}

double convertPressureLow(double hPa, int units)
{
    return hPa == NoLow ? hPa : convertPressure(hPa, units);
}

double selectPressure(double adjusted, double station, int adjustment)
{
    return adjustment == 1 ? station : adjusted;
}

double convertSpeed(double metresPerSecond, int units)
{
    switch (units) {
    case 1:
        return metresPerSecond;
    case 2:
        return metresPerSecond * 3.6;
    case 3:
        return metresPerSecond * 1.94384449244;
    default:
        return metresPerSecond * 2.23693629205;
    }
}

double convertDistance(double km, int units)
{
    return units == 1 ? km * 0.62137119 : km;
}

} // namespace meteo

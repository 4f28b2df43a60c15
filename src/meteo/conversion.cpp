#include "conversion.h"

namespace meteo {

double convertTemperature(double celsius, TemperatureUnit unit)
{
    return unit == TemperatureUnit::Celsius
        ? celsius
        : celsius * factor::FahrenheitPerCelsius + factor::FahrenheitAtZeroCelsius;
}

double convertTemperatureIndex(double celsius, TemperatureUnit unit)
{
    return celsius <= NotAvailable ? celsius : convertTemperature(celsius, unit);
}

double convertTemperatureHigh(double celsius, TemperatureUnit unit)
{
    return celsius == NoHigh ? celsius : convertTemperature(celsius, unit);
}

double convertTemperatureLow(double celsius, TemperatureUnit unit)
{
    return celsius == NoLow ? celsius : convertTemperature(celsius, unit);
}

double convertPressure(double hPa, PressureUnit unit)
{
    switch (unit) {
    case PressureUnit::MmHg:
        return hPa * factor::MmHgPerHpa;
    case PressureUnit::InHg:
        return hPa * factor::InHgPerHpa;
    case PressureUnit::KPa:
        return hPa / 10; // a division, not * 0.1: the last digit differs
    case PressureUnit::Millibar:
        break;
    }
    return hPa;
}

double convertPressureHigh(double hPa, PressureUnit unit)
{
    return hPa == NoHigh ? hPa : convertPressure(hPa, unit);
}

double convertPressureLow(double hPa, PressureUnit unit)
{
    return hPa == NoLow ? hPa : convertPressure(hPa, unit);
}

double selectPressure(double adjusted, double station, PressureReading reading)
{
    return reading == PressureReading::Station ? station : adjusted;
}

double convertSpeed(double metresPerSecond, SpeedUnit unit)
{
    switch (unit) {
    case SpeedUnit::MetresPerSecond:
        return metresPerSecond;
    case SpeedUnit::KmPerHour:
        return metresPerSecond * factor::KmhPerMetrePerSecond;
    case SpeedUnit::Knots:
        return metresPerSecond * factor::KnotsPerMetrePerSecond;
    case SpeedUnit::Mph:
        break;
    }
    return metresPerSecond * factor::MphPerMetrePerSecond;
}

double convertDistance(double km, DistanceUnit unit)
{
    return unit == DistanceUnit::Miles ? km * factor::MilesPerKilometre : km;
}

double convert(Measure measure, double base, const DisplayUnits &units)
{
    switch (measure) {
    case Measure::Temperature:
        return convertTemperature(base, units.temperature);
    case Measure::Pressure:
        return convertPressure(base, units.pressure);
    case Measure::Speed:
        return convertSpeed(base, units.speed);
    case Measure::Distance:
        return convertDistance(base, units.distance);
    default:
        return base;
    }
}

double convertRain(double millimetres, RainGauge gauge)
{
    return gauge == RainGauge::Inches ? millimetres * (1 / factor::MillimetresPerInch)
                                      : millimetres;
}

} // namespace meteo

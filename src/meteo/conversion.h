#pragma once

#include "record/stationvalues.h"
#include "record/units.h"

// Conversion of stored base values (°C, hPa, m/s, km) into the display units
// the user picked. A unit outside the named ones falls back as the unit
// labels do.
namespace meteo {

constexpr double NotAvailable = StationValues::NotAvailable;
constexpr double NoHigh = StationValues::NoHigh;
constexpr double NoLow = StationValues::NoLow;

// Celsius stays; any other unit gives Fahrenheit.
double convertTemperature(double celsius, TemperatureUnit unit);

// Heat index, wind chill and WBGT: -999 and anything lower pass unchanged.
double convertTemperatureIndex(double celsius, TemperatureUnit unit);

// Extremes: NoHigh / NoLow pass unchanged.
double convertTemperatureHigh(double celsius, TemperatureUnit unit);
double convertTemperatureLow(double celsius, TemperatureUnit unit);

// A unit outside the named ones as Millibar.
double convertPressure(double hPa, PressureUnit unit);
double convertPressureHigh(double hPa, PressureUnit unit);
double convertPressureLow(double hPa, PressureUnit unit);

// Which stored pressure the pressure properties show: station pressure only
// for Station, the mean-sea-level pressure for anything else.
double selectPressure(double adjusted, double station, PressureReading reading);

// A unit outside the named ones as Mph.
double convertSpeed(double metresPerSecond, SpeedUnit unit);

// Only Miles converts; every other unit keeps kilometres.
double convertDistance(double km, DistanceUnit unit);

// A base value of what `measure` measures in the display units: temperature,
// pressure (no selection), speed and distance convert, anything else stays.
double convert(Measure measure, double base, const DisplayUnits &units);

// Millimetres as the gauge's unit: inches for Inches, else unchanged.
double convertRain(double millimetres, RainGauge gauge);

} // namespace meteo

#pragma once

// Conversion of stored base values (°C, hPa, m/s, km) into the display units
// the user picked. The unit arguments are the raw indexes of the settings
// store; indexes outside the known ones fall back as the unit labels do.
namespace meteo {

// Compared exactly wherever they are consumed; never converted, so the pages
// recognise them in every unit.
constexpr double NotAvailable = -999.0; // heat index, wind chill, WBGT, humidex
constexpr double NoHigh = -10000.0; // a daily high with no reading yet
constexpr double NoLow = 10000.0; // a daily low with no reading yet

// 0 keeps Celsius; any other index gives Fahrenheit.
double convertTemperature(double celsius, int units);

// Heat index, wind chill and WBGT: -999 and anything lower pass unchanged.
double convertTemperatureIndex(double celsius, int units);

// Extremes: NoHigh / NoLow pass unchanged.
double convertTemperatureHigh(double celsius, int units);
double convertTemperatureLow(double celsius, int units);

// 0 hPa (mbar), 1 mmHg, 2 inHg, 3 kPa; any other index as 0.
double convertPressure(double hPa, int units);
double convertPressureHigh(double hPa, int units);
double convertPressureLow(double hPa, int units);

// Which stored pressure the pressure properties show: station pressure only
// for adjustment 1, the mean-sea-level pressure for anything else.
double selectPressure(double adjusted, double station, int adjustment);

// 0 mph, 1 m/s, 2 km/h, 3 knots; any other index as 0.
double convertSpeed(double metresPerSecond, int units);

// Only index 1 converts to miles; every other index keeps kilometres.
double convertDistance(double km, int units);

} // namespace meteo

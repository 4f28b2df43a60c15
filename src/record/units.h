#pragma once

// The units a value can be shown in, as the settings store numbers them
// (the store keeps these integers). A stored number outside the named ones
// is kept as it is: each conversion and label says how it falls back.
enum class TemperatureUnit
{
    Celsius = 0,
    Fahrenheit = 1
};

enum class PressureUnit
{
    Millibar = 0,
    MmHg = 1,
    InHg = 2,
    KPa = 3
};

enum class SpeedUnit
{
    Mph = 0,
    MetresPerSecond = 1,
    KmPerHour = 2,
    Knots = 3
};

enum class DistanceUnit
{
    Kilometres = 0,
    Miles = 1
};

// Which pressure the pressure readouts show.
enum class PressureReading
{
    MeanSeaLevel = 0,
    Station = 1
};

// The rain gauge's unit, as the station's register 263 and the RainUnits
// setting number it: 0 no gauge, 2 inches, anything else millimetres.
enum class RainGauge
{
    None = 0,
    Millimetres = 1,
    Inches = 2
};

constexpr RainGauge rainGaugeOf(int number)
{
    return number == 0 ? RainGauge::None : number == 2 ? RainGauge::Inches : RainGauge::Millimetres;
}

// What a quantity measures: it decides which display unit it is shown in, on
// the pages, in the data log and in the reports.
enum class Measure
{
    Plain, // a number or a code, shown as it is
    Percent,
    Direction, // degrees
    Temperature,
    Celsius, // a temperature-like index shown in °C whatever the unit (humidex)
    Pressure,
    Speed,
    Distance,
    Rain, // in the station's gauge unit
    RainRate,
    Irradiance, // W/m²
    Feet,
};

// The display units of the moment, copied whole from the settings. The
// defaults are the settings' defaults.
struct DisplayUnits
{
    TemperatureUnit temperature = TemperatureUnit::Fahrenheit;
    PressureUnit pressure = PressureUnit::InHg;
    SpeedUnit speed = SpeedUnit::Mph;
    DistanceUnit distance = DistanceUnit::Kilometres;
    PressureReading pressureReading = PressureReading::MeanSeaLevel;
    // The unit the data log's rain columns were written in.
    RainGauge rain = RainGauge::Millimetres;

    bool operator==(const DisplayUnits &o) const
    {
        return temperature == o.temperature && pressure == o.pressure && speed == o.speed
            && distance == o.distance && pressureReading == o.pressureReading && rain == o.rain;
    }
    bool operator!=(const DisplayUnits &o) const { return !(*this == o); }
};

// Unit factors, each written once: they decide the last digit of every
// converted value, in the pages, the data log and the reports alike.
namespace factor {

constexpr double MillimetresPerInch = 25.4;
constexpr double FahrenheitPerCelsius = 1.8;
constexpr double FahrenheitAtZeroCelsius = 32;
constexpr double MmHgPerHpa = 0.750061682704;
constexpr double InHgPerHpa = 0.0295333727;
constexpr double MphPerMetrePerSecond = 2.23693629205;
constexpr double KmhPerMetrePerSecond = 3.6;
constexpr double KnotsPerMetrePerSecond = 1.94384449244;
constexpr double MilesPerKilometre = 0.62137119;
constexpr double MetresPerFoot = 0.3048;

} // namespace factor

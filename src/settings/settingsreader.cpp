#include "settingsreader.h"

DisplayUnits SettingsReader::displayUnits() const
{
    DisplayUnits units;
    units.temperature = TemperatureUnit(integer(Setting::TempUnits));
    units.pressure = PressureUnit(integer(Setting::PressUnits));
    units.speed = SpeedUnit(integer(Setting::WindUnits));
    units.distance = DistanceUnit(integer(Setting::DistanceUnits));
    units.pressureReading = PressureReading(integer(Setting::PressureAdjustment));
    units.rain = rainGaugeOf(integer(Setting::RainUnits));
    return units;
}

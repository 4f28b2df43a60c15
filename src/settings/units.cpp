#include "units.h"

namespace units {

namespace {

struct PressureRow
{
    const char *label;
    int low, high, tick;
};

const PressureRow pressureRows[] = {
    { "mbar", 700, 1200, 50 },
    { "mmHg", 500, 900, 50 },
    { "inHg", 20, 35, 1 },
    { "kPa", 70, 120, 5 },
};

const PressureRow &pressureRow(PressureUnit unit)
{
    const int index = int(unit);
    return (index >= 0 && index <= 3) ? pressureRows[index] : pressureRows[0];
}

struct SpeedRow
{
    const char *label;
    int high;
};

const SpeedRow speedRows[] = {
    { "mph", 100 },
    { "m/s", 50 },
    { "km/h", 80 },
    { "knots", 45 },
};

const SpeedRow &speedRow(SpeedUnit unit)
{
    const int index = int(unit);
    return (index >= 0 && index <= 3) ? speedRows[index] : speedRows[0];
}

} // namespace

QString temperatureLabel(TemperatureUnit unit)
{
    return unit == TemperatureUnit::Celsius ? QStringLiteral("\u00B0C") : QStringLiteral("\u00B0F");
}

int temperatureRangeLow(TemperatureUnit)
{
    return -20;
}

int temperatureRangeHigh(TemperatureUnit unit)
{
    return unit == TemperatureUnit::Celsius ? 60 : 130;
}

QString pressureLabel(PressureUnit unit)
{
    return QString::fromLatin1(pressureRow(unit).label);
}

int pressureRangeLow(PressureUnit unit)
{
    return pressureRow(unit).low;
}

int pressureRangeHigh(PressureUnit unit)
{
    return pressureRow(unit).high;
}

int pressureTickSize(PressureUnit unit)
{
    return pressureRow(unit).tick;
}

QString speedLabel(SpeedUnit unit)
{
    return QString::fromLatin1(speedRow(unit).label);
}

int speedRangeHigh(SpeedUnit unit)
{
    return speedRow(unit).high;
}

QString distanceLabel(DistanceUnit unit)
{
    return unit == DistanceUnit::Kilometres ? QStringLiteral("km") : QStringLiteral("mi");
}

QString measureLabel(Measure measure, const DisplayUnits &units, RainGauge gauge)
{
    const bool inches = gauge == RainGauge::Inches;
    switch (measure) {
    case Measure::Temperature:
        return temperatureLabel(units.temperature);
    case Measure::Pressure:
        return pressureLabel(units.pressure);
    case Measure::Speed:
        return speedLabel(units.speed);
    case Measure::Distance:
        return distanceLabel(units.distance);
    case Measure::Rain:
        return inches ? QStringLiteral("in") : QStringLiteral("mm");
    case Measure::RainRate:
        return inches ? QStringLiteral("in/hr") : QStringLiteral("mm/hr");
    default:
        break;
    }
    // The units no setting chooses, in the order of Measure.
    static const char *const fixedUnits[]
        = { "", "%", "°", "", "°C", "", "", "", "", "", "W/m²", "ft" };
    return QString::fromUtf8(fixedUnits[int(measure)]);
}

} // namespace units

namespace theme {

const char *colour(int theme, Role role)
{
    // In the order of Role.
    static const char *const dark[]
        = { "#000000", "#FFFFFF", "#FFEE99", "#99FF99", "#FF9999", "#9999FF", "#A99999FF" };
    static const char *const light[]
        = { "#FFFFFF", "#000000", "#E57200", "#007F00", "#B20000", "#0000B2", "#A00000B2" };
    return (theme == 0 ? dark : light)[int(role)];
}

} // namespace theme

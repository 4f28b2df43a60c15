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

const PressureRow &pressureRow(int index)
{
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

const SpeedRow &speedRow(int index)
{
    return (index >= 0 && index <= 3) ? speedRows[index] : speedRows[0];
}

} // namespace

QString temperatureLabel(int index)
{
    return index == Celsius ? QStringLiteral("\u00B0C") : QStringLiteral("\u00B0F");
}

int temperatureRangeLow(int)
{
    return -20;
}

int temperatureRangeHigh(int index)
{
    return index == Celsius ? 60 : 130;
}

QString pressureLabel(int index)
{
    return QString::fromLatin1(pressureRow(index).label);
}

int pressureRangeLow(int index)
{
    return pressureRow(index).low;
}

int pressureRangeHigh(int index)
{
    return pressureRow(index).high;
}

int pressureTickSize(int index)
{
    return pressureRow(index).tick;
}

QString speedLabel(int index)
{
    return QString::fromLatin1(speedRow(index).label);
}

int speedRangeHigh(int index)
{
    return speedRow(index).high;
}

QString distanceLabel(int index)
{
    return index == Kilometres ? QStringLiteral("km") : QStringLiteral("mi");
}

} // namespace units

namespace theme {

const Palette &palette(int theme)
{
    static const Palette dark = { "#000000", "#FFFFFF", "#FFEE99", "#99FF99",
                                  "#FF9999", "#9999FF", "#A99999FF" };
    static const Palette light = { "#FFFFFF", "#000000", "#E57200", "#007F00",
                                   "#B20000", "#0000B2", "#A00000B2" };
    return theme == 0 ? dark : light;
}

} // namespace theme

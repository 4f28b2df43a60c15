#pragma once

#include "record/stationvalues.h"
#include "record/units.h"

#include <QString>
#include <QVector>

// What the dashboards show of the station, each quantity declared once: what
// it measures (which decides its unit and conversion), its decimals, and the
// marker that stands for "no value". Pure, so that the web pages show the
// same numbers, units and decimals as the dashboards.
namespace display {

// The stored value that means "nothing to show". It passes every conversion
// unchanged, so the pages recognise it in every unit.
enum class Marker
{
    None,
    NotAvailable, // -999 and below (derived indexes)
    NoHigh, // a daily high with no reading yet
    NoLow,
    NoSensor, // -1: no solar sensor
    Zero, // 0: nothing read yet (station pressure)
};

// Decimals that follow the unit: pressure 1 in mbar and 2 otherwise, rain 1
// in mm and 2 in inches.
constexpr int UnitDecimals = -1;

struct Quantity
{
    const char *name; // as the dashboards' object (ModbusPort) calls it
    Measure measure;
    int decimals;
    double (*base)(const StationValues &values, PressureReading reading);
    Marker marker = Marker::None;
};

// Every number the dashboards read, in the order of the properties.
const QVector<Quantity> &quantities();
// The quantity of that name; nullptr when there is none.
const Quantity *quantity(const char *name);

// The value in the display units; a marker passes unchanged; NaN for a value
// the data checks refused, or worked out from one.
double number(const Quantity &q, const StationValues &values, const DisplayUnits &units);
bool isMarker(const Quantity &q, double value);
int decimals(const Quantity &q, const StationValues &values, const DisplayUnits &units);
// "°C", "inHg", "km/h", "mm" and so on; empty for a plain number.
QString unit(const Quantity &q, const StationValues &values, const DisplayUnits &units);

// Fixed-point text with exactly `decimals` digits after the point, rounded
// from the shortest decimal form of the value with halves away from zero
// (2.675 gives 2.68), as the dashboards' Format.fixed writes it; "--" for
// NaN, a value the data checks refused.
QString fixed(double value, int decimals);

// One quantity as a page shows it: the number, its text ("--" for a marker,
// "N/A" for a derived index not available), decimals and unit.
struct Shown
{
    QString name;
    double value = 0;
    bool available = false;
    int decimals = 0;
    QString unit;
    QString text;
};

QVector<Shown> show(const StationValues &values, const DisplayUnits &units);

} // namespace display

#pragma once

#include "record/units.h"

#include <QHash>
#include <QString>
#include <QStringList>

struct StationValues;

// The alarms' vocabulary: the numeric keys of the state object (src/state),
// in its base units, and how each is shown in the console's display units.
namespace alarms {

// The keys an alarm may watch, in the state object's documented order.
const QStringList &numericQuantities();
bool isNumericQuantity(const QString &key);
// What a person reads for a key ("Wind gust"); the key itself when unknown.
QString quantityName(const QString &key);

// Those of `keys` that are numeric keys of one cycle's state object, in base
// units. A key the station does not deliver (no sensor, a sensor at fault)
// is absent.
QHash<QString, double> numericValues(const StationValues &values, const QStringList &keys);

// A base value of `key` in the display units, e.g. "70.5 °F".
QString displayText(const QString &key, double base, const DisplayUnits &units);
// The unit label alone, for entry fields.
QString displayUnit(const QString &key, const DisplayUnits &units);
// The value in the display units and back. Every conversion is a straight
// line, shown = base * scale + offset, which the settings tab gets too.
double toDisplay(const QString &key, double base, const DisplayUnits &units);
double fromDisplay(const QString &key, double shown, const DisplayUnits &units);
// Decimals as the dashboards show the quantity.
int displayDecimals(const QString &key, const DisplayUnits &units);

} // namespace alarms

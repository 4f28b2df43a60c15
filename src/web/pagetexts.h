#pragma once

#include "record/units.h"

#include <QByteArray>

struct StationCycle;

namespace web {

// The texts the live page shows for a cycle, as one JSON object keyed by the
// page's element ids (plus the wind bearings for the compass): the numbers,
// units and decimals are display::show()'s, the words around them the
// dashboards'.
QByteArray pageJson(const StationCycle &cycle, const DisplayUnits &units);

} // namespace web

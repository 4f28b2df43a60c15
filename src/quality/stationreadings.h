#pragma once

#include "quantities.h"

#include "record/stationvalues.h"

#include <QStringList>

// Between the station's values and the checks' own array of readings.
namespace quality {

// The checked quantities of `v`; NaN for solar radiation without a solar
// sensor and for rain without a gauge.
Readings readingsOf(const StationValues &v);

// Writes back the quantities in `which` (those corrected or refused), and
// only those, so every other value keeps its bits.
void writeBack(StationValues &v, const Readings &r, QuantitySet which);

// The state keys of the refused quantities and of what is worked out from
// them: the altimeter from station pressure, density altitude from it and
// the temperature, cloud base from temperature and dew point, and the
// station's indices from their inputs.
QStringList rejectedKeys(QuantitySet rejected);

// Register 245 or 247, whichever analog input carries the solar sensor; 0
// without one.
int solarRegister(const StationValues &v);

} // namespace quality

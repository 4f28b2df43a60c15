#pragma once

#include "quality/dataquality.h"

#include <QDateTime>
#include <QtGlobal>

struct StationValues;

// What one good data-block read does to the station's values, in the fixed
// order later steps depend on: decode, the data checks (calibration, the dew
// point again when it moved, bounds and the spike filter, the corrected and
// refused values written back), daily extremes, density altitude, cloud
// base, altimeter setting and its extremes, then the METAR line for `now`
// (local time; the report uses its UTC form). Returns what the gateway is to
// serve in place of the station's own registers. Without checks, the values
// are taken as decoded.
quality::DataQuality::Served applyDataBlock(StationValues &v, const quint16 words[100],
    const QDateTime &now, quality::DataQuality *checks = nullptr);

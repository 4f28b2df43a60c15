#pragma once

#include <QDateTime>
#include <QtGlobal>

struct StationValues;

// What one good data-block read does to the station's values, in the fixed
// order later steps depend on: decode, daily extremes, density altitude,
// cloud base, altimeter setting and its extremes, then the METAR line for
// `now` (local time; the report uses its UTC form).
void applyDataBlock(StationValues &v, const quint16 words[100], const QDateTime &now);

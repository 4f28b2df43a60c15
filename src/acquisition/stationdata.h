#pragma once

#include "record/stationvalues.h"

#include <QtGlobal>

// Decode the 11 words of registers 101-111 (words[0] is register 101). Call
// only when the read returned all 11.
void decodeStatusBlock(const quint16 words[11], StationValues &v);

// Decode the 100 words of registers 201-300 (words[0] is register 201). Call
// only when the read returned all 100. Every mapped value is overwritten,
// except the three lightning counters, which are added to.
void decodeDataBlock(const quint16 words[100], StationValues &v);

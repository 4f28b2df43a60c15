#pragma once

#include "quantities.h"

#include <QtGlobal>

namespace quality {

// Holds back a value that leaves the last good one faster than the quantity
// can move, until the readings after it show the new level is real: a single
// bad sample is dropped, a front that passes is followed a few seconds late.
class SpikeFilter
{
public:
    // Readings in a row at a new level that make it good, the first included.
    static constexpr int ConfirmReadings = 3;

    // True when `value`, read at `atMs`, may be used. `scale` turns the value
    // into the table's unit (25.4 for a rain gauge in inches).
    bool accept(const QuantityInfo &info, double value, qint64 atMs, double scale = 1);

    // Forgets the last good value: the next reading is taken as it comes.
    void reset() { *this = SpikeFilter(); }

private:
    bool hasGood = false;
    double good = 0;
    qint64 goodAt = 0;
    int seen = 0; // readings in a row at the level held back
    double candidate = 0;
    qint64 candidateAt = 0;
};

} // namespace quality

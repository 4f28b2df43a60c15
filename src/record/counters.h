#pragma once

#include "units.h"

#include <QtGlobal>

// The rain since an earlier look, from the station's own rain-today total,
// which it resets at the start of its rain day. The data log counts it per
// row, the archive per minute.
class RainCounter
{
public:
    // Where the count starts, in the gauge's unit: the total already counted,
    // by an earlier run or none at all; NaN (a refused total) starts nothing.
    void start(double countedToday, RainGauge gauge = RainGauge::Millimetres);
    // Forgets the total: the next reading starts anew.
    void stop() { isStarted = false; }
    bool started() const { return isStarted; }
    RainGauge gauge() const { return unit; }
    // What fell since the last call, in the gauge's unit. A drop means the
    // station began a new rain day: all of today's rain is new. A NaN total
    // (refused by the data checks) counts nothing and is not remembered.
    double increment(double rainToday);

private:
    double last = 0;
    RainGauge unit = RainGauge::Millimetres;
    bool isStarted = false;
};

// A running total of the station's (lightning strikes, noise, disturbers),
// which count from the console's start: how much came since it was marked.
class TotalCounter
{
public:
    qint64 since(qint64 total) const { return total - marked; }
    void mark(qint64 total) { marked = total; }
    // since() and mark() in one.
    qint64 take(qint64 total)
    {
        const qint64 grown = since(total);
        mark(total);
        return grown;
    }

private:
    qint64 marked = 0;
};

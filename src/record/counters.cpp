#include "counters.h"

#include <cmath>

void RainCounter::start(double countedToday, RainGauge gauge)
{
    // A refused total is no place to count from: the next good one is.
    if (std::isnan(countedToday))
        return;
    last = countedToday;
    unit = gauge;
    isStarted = true;
}

double RainCounter::increment(double rainToday)
{
    // A total the data checks refused: nothing counted, and the last good
    // one kept, so the next good total is not taken for the day's reset.
    if (std::isnan(rainToday))
        return 0;
    const double d = rainToday - last;
    last = rainToday;
    return d >= 0 ? d : rainToday;
}

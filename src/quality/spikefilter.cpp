#include "spikefilter.h"

#include <algorithm>
#include <cmath>

namespace quality {

namespace {

bool stepAllowed(
    const QuantityInfo &info, double from, qint64 fromMs, double to, qint64 toMs, double scale)
{
    const double step = (to - from) * scale;
    if (info.risesOnly && step <= 0)
        return true;
    // A clock set back gives no time, not negative time.
    const double minutes = double(std::max<qint64>(0, toMs - fromMs)) / 60000.0;
    return std::fabs(step) <= info.stepFloor + info.stepPerMinute * minutes;
}

} // namespace

bool SpikeFilter::accept(const QuantityInfo &info, double value, qint64 atMs, double scale)
{
    // The first reading has nothing to be compared with; holding it back
    // would blank every page for the first seconds of each run.
    if (!hasGood || stepAllowed(info, good, goodAt, value, atMs, scale)) {
        hasGood = true;
        good = value;
        goodAt = atMs;
        seen = 0;
        return true;
    }
    const bool sameLevel
        = seen > 0 && stepAllowed(info, candidate, candidateAt, value, atMs, scale);
    seen = sameLevel ? seen + 1 : 1;
    candidate = value;
    candidateAt = atMs;
    if (seen < ConfirmReadings)
        return false;
    good = value;
    goodAt = atMs;
    seen = 0;
    return true;
}

} // namespace quality

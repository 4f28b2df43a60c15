#pragma once

#include <climits>
#include <cmath>

namespace meteo {

// C's truncating cast, except that NaN gives 0 and values beyond the int range
// saturate at ±INT_MAX instead of being undefined. Garbage station readings (a pressure of
// 0 gives NaN) must not crash or trip the sanitizer; in-range values are
// unchanged.
inline int truncateToInt(double x)
{
    if (std::isnan(x))
        return 0;
    if (x >= 2147483647.0)
        return INT_MAX;
    if (x <= -2147483647.0)
        return -INT_MAX; // so that negating the result stays defined
    return static_cast<int>(x);
}

// Nearest multiple of 100 ft, halves upward.
inline int roundToHundred(double feet)
{
    return truncateToInt(std::floor((feet + 50.0) / 100.0) * 100.0);
}

} // namespace meteo

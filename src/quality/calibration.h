#pragma once

#include "quantities.h"

// Corrections for a sensor known to read off: an offset or a multiplier per
// quantity, applied to the decoded value in base units before anything is
// derived from it. The defaults change nothing, to the last bit.
namespace quality {

struct Calibration
{
    double temperatureOffset = 0; // °C
    double humidityOffset = 0; // %
    double pressureOffset = 0; // hPa, station and sea-level pressure alike
    double windMultiplier = 1; // every speed and the gust
    double rainMultiplier = 1; // the day's total and the rate
    double solarMultiplier = 1;

    bool operator==(const Calibration &other) const;
    bool operator!=(const Calibration &other) const { return !(*this == other); }

    // The station worked its dew point out from the raw temperature and
    // humidity: with either corrected, it has to be worked out again.
    bool movesDewPoint() const { return temperatureOffset != 0 || humidityOffset != 0; }
};

// The quantities whose value a calibration changes, the dew point included
// when it moves.
QuantitySet calibratedQuantities(const Calibration &c);

// Applies every correction that is not a default; humidity is then held to
// 0-100. Leaves the dew point to the caller (see movesDewPoint).
void calibrate(Readings &r, const Calibration &c);

} // namespace quality

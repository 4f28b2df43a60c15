#include "calibration.h"

#include <algorithm>
#include <initializer_list>

namespace quality {

namespace {

struct Correction
{
    double Calibration::*factor;
    bool multiplies;
    std::initializer_list<Quantity> quantities;
};

const Correction corrections[] = {
    { &Calibration::temperatureOffset, false, { Quantity::Temperature } },
    { &Calibration::humidityOffset, false, { Quantity::Humidity } },
    { &Calibration::pressureOffset, false,
        { Quantity::StationPressure, Quantity::SeaLevelPressure } },
    { &Calibration::windMultiplier, true,
        { Quantity::WindSpeed, Quantity::WindSpeed2, Quantity::WindSpeed10, Quantity::WindGust } },
    { &Calibration::rainMultiplier, true, { Quantity::RainDay, Quantity::RainRate } },
    { &Calibration::solarMultiplier, true, { Quantity::Solar } },
};

// Defaults are skipped rather than applied: -0.0 + 0 is +0.0, and a default
// installation must pass every bit through as before.
bool isDefault(const Correction &k, const Calibration &c)
{
    return c.*k.factor == (k.multiplies ? 1.0 : 0.0);
}

} // namespace

bool Calibration::operator==(const Calibration &o) const
{
    return temperatureOffset == o.temperatureOffset && humidityOffset == o.humidityOffset
        && pressureOffset == o.pressureOffset && windMultiplier == o.windMultiplier
        && rainMultiplier == o.rainMultiplier && solarMultiplier == o.solarMultiplier;
}

QuantitySet calibratedQuantities(const Calibration &c)
{
    QuantitySet set;
    for (const Correction &k : corrections) {
        if (!isDefault(k, c)) {
            for (Quantity q : k.quantities)
                set.set(std::size_t(q));
        }
    }
    if (c.movesDewPoint())
        set.set(std::size_t(Quantity::DewPoint));
    return set;
}

void calibrate(Readings &r, const Calibration &c)
{
    for (const Correction &k : corrections) {
        if (isDefault(k, c))
            continue;
        for (Quantity q : k.quantities)
            r[q] = k.multiplies ? r[q] * c.*k.factor : r[q] + c.*k.factor;
    }
    if (c.humidityOffset != 0)
        r[Quantity::Humidity] = std::clamp(r[Quantity::Humidity], 0.0, 100.0);
}

} // namespace quality

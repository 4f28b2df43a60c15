#include "stationreadings.h"

#include <initializer_list>

namespace quality {

namespace {

using S = StationValues;

struct Field
{
    Quantity quantity;
    double S::*field;
};

// Solar radiation and rain have rules of their own (below).
const Field fields[] = {
    { Quantity::Temperature, &S::airTemp },
    { Quantity::Humidity, &S::humidity },
    { Quantity::DewPoint, &S::dewPoint },
    { Quantity::StationPressure, &S::pressureRaw },
    { Quantity::SeaLevelPressure, &S::pressure },
    { Quantity::WindSpeed, &S::wind },
    { Quantity::WindSpeed2, &S::wind2 },
    { Quantity::WindSpeed10, &S::wind10 },
    { Quantity::WindGust, &S::windGust },
    { Quantity::WindDir, &S::windDir },
    { Quantity::WindDir2, &S::windDir2 },
    { Quantity::WindDir10, &S::windDir10 },
    { Quantity::WindGustDir, &S::windDirGust },
    { Quantity::RainDay, &S::rainDay },
    { Quantity::RainRate, &S::rainRate },
};

constexpr int SolarType = 3;

double S::*solarField(const S &v)
{
    if (v.analog1Type == SolarType)
        return &S::analog1;
    if (v.analog2Type == SolarType)
        return &S::analog2;
    return nullptr;
}

bool isRain(Quantity q)
{
    return q == Quantity::RainDay || q == Quantity::RainRate;
}

struct Dependent
{
    const char *key;
    std::initializer_list<Quantity> inputs;
};

const Dependent dependents[] = {
    { "altimeter_hpa", { Quantity::StationPressure } },
    { "density_altitude_ft", { Quantity::Temperature, Quantity::StationPressure } },
    { "cloud_base_ft", { Quantity::Temperature, Quantity::DewPoint } },
    { "heat_index_c", { Quantity::Temperature, Quantity::Humidity } },
    { "wind_chill_c", { Quantity::Temperature, Quantity::WindSpeed } },
    { "humidex", { Quantity::Temperature, Quantity::DewPoint } },
    { "wbgt_c", { Quantity::Temperature, Quantity::Humidity, Quantity::Solar } },
};

} // namespace

Readings readingsOf(const StationValues &v)
{
    Readings r;
    const bool gauge = v.rainGauge() != RainGauge::None;
    for (const Field &f : fields)
        if (gauge || !isRain(f.quantity))
            r[f.quantity] = v.*f.field;
    if (auto solar = solarField(v))
        r[Quantity::Solar] = v.*solar;
    return r;
}

void writeBack(StationValues &v, const Readings &r, QuantitySet which)
{
    for (const Field &f : fields)
        if (which.test(std::size_t(f.quantity)))
            v.*f.field = r[f.quantity];
    auto solar = solarField(v);
    if (solar && which.test(std::size_t(Quantity::Solar)))
        v.*solar = r[Quantity::Solar];
}

QStringList rejectedKeys(QuantitySet rejected)
{
    QStringList keys;
    if (rejected.none())
        return keys;
    forEachQuantity([&](Quantity q) {
        if (rejected.test(std::size_t(q)))
            keys << QLatin1String(info(q).key);
    });
    for (const Dependent &d : dependents)
        for (Quantity q : d.inputs)
            if (rejected.test(std::size_t(q))) {
                keys << QLatin1String(d.key);
                break;
            }
    return keys;
}

int solarRegister(const StationValues &v)
{
    if (v.analog1Type == SolarType)
        return 245;
    if (v.analog2Type == SolarType)
        return 247;
    return 0;
}

} // namespace quality

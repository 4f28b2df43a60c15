#include "alarmquantities.h"

#include "meteo/conversion.h"
#include "settings/units.h"
#include "state/stateobject.h"

#include <cstring>

namespace alarms {

namespace {

const state::Quantity *quantity(const QString &key)
{
    const QByteArray name = key.toUtf8();
    for (const state::Quantity &q : state::quantities())
        if (q.numeric() && name == q.key)
            return &q;
    return nullptr;
}

// The state object names each key's base unit; what it measures follows from
// it, so a key added there converts without a list here.
Measure measure(const state::Quantity *q)
{
    static const struct
    {
        const char *unit;
        Measure measure;
    } byUnit[]
        = { { "°C", Measure::Temperature }, { "hPa", Measure::Pressure }, { "m/s", Measure::Speed },
              { "km", Measure::Distance }, { "mm", Measure::Rain }, { "mm/h", Measure::RainRate } };
    for (const auto &u : byUnit)
        if (q && std::strcmp(q->unit, u.unit) == 0)
            return u.measure;
    return Measure::Plain;
}

bool inches(const DisplayUnits &units)
{
    return units.rain == RainGauge::Inches;
}

} // namespace

const QStringList &numericQuantities()
{
    static const QStringList keys = [] {
        QStringList all;
        for (const state::Quantity &q : state::quantities())
            if (q.numeric())
                all.append(QString::fromUtf8(q.key));
        return all;
    }();
    return keys;
}

bool isNumericQuantity(const QString &key)
{
    return quantity(key) != nullptr;
}

QString quantityName(const QString &key)
{
    const state::Quantity *q = quantity(key);
    return q ? QString::fromUtf8(q->name) : key;
}

QHash<QString, double> numericValues(const StationValues &values, const QStringList &keys)
{
    // The state object decides what a sensor at fault leaves out: one rule
    // for MQTT, the web and the alarms.
    QHash<QString, double> found;
    for (const QString &key : keys)
        if (const std::optional<double> v = state::stateNumber(key.toUtf8().constData(), values))
            found.insert(key, *v);
    return found;
}

double toDisplay(const QString &key, double base, const DisplayUnits &units)
{
    const Measure m = measure(quantity(key));
    if (m == Measure::Rain || m == Measure::RainRate)
        return meteo::convertRain(base, units.rain);
    return meteo::convert(m, base, units);
}

double fromDisplay(const QString &key, double shown, const DisplayUnits &units)
{
    // Two points of the line give its inverse without a second table of factors.
    const double at0 = toDisplay(key, 0, units);
    const double slope = toDisplay(key, 1, units) - at0;
    return slope == 0 ? shown : (shown - at0) / slope;
}

QString displayUnit(const QString &key, const DisplayUnits &units)
{
    const state::Quantity *q = quantity(key);
    const Measure m = measure(q);
    // What the display units do not choose is the state object's own unit.
    if (m == Measure::Plain)
        return q ? QString::fromUtf8(q->unit) : QString();
    return units::measureLabel(m, units, units.rain);
}

int displayDecimals(const QString &key, const DisplayUnits &units)
{
    const state::Quantity *q = quantity(key);
    switch (measure(q)) {
    case Measure::Temperature:
    case Measure::Speed:
    case Measure::Distance:
        return 1;
    case Measure::Pressure:
        return units.pressure == PressureUnit::Millibar ? 1 : 2;
    case Measure::Rain:
        return inches(units) ? 2 : 1;
    case Measure::RainRate:
        return 2;
    default:
        return q && q->decimals >= 0 ? q->decimals : 1;
    }
}

QString displayText(const QString &key, double base, const DisplayUnits &units)
{
    const QString number
        = QString::number(toDisplay(key, base, units), 'f', displayDecimals(key, units));
    const QString unit = displayUnit(key, units);
    return unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
}

} // namespace alarms

#include "displayquantities.h"

#include "meteo/conversion.h"
#include "settings/units.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace display {

namespace {

using V = const StationValues &;
using R = PressureReading;

double selected(double adjusted, double station, R reading)
{
    return meteo::selectPressure(adjusted, station, reading);
}

QString incremented(const QString &digits)
{
    QString out = digits;
    for (int i = out.size() - 1; i >= 0; --i) {
        if (out[i] != QLatin1Char('9')) {
            out[i] = QChar(out[i].unicode() + 1);
            return out;
        }
        out[i] = QLatin1Char('0');
    }
    return QLatin1Char('1') + out;
}

} // namespace

const QVector<Quantity> &quantities()
{
    using M = Measure;
    static const QVector<Quantity> all = {
        { "airTemp", M::Temperature, 1, [](V v, R) { return v.airTemp; } },
        { "airTempH", M::Temperature, 1, [](V v, R) { return v.airTempH; }, Marker::NoHigh },
        { "airTempL", M::Temperature, 1, [](V v, R) { return v.airTempL; }, Marker::NoLow },
        { "dewPoint", M::Temperature, 1, [](V v, R) { return v.dewPoint; } },
        { "humidity", M::Percent, 1, [](V v, R) { return v.humidity; } },
        { "humidityH", M::Percent, 1, [](V v, R) { return v.humidityH; }, Marker::NoHigh },
        { "humidityL", M::Percent, 1, [](V v, R) { return v.humidityL; }, Marker::NoLow },
        { "pressure", M::Pressure, UnitDecimals,
            [](V v, R r) { return selected(v.pressure, v.pressureRaw, r); } },
        { "pressureH", M::Pressure, UnitDecimals,
            [](V v, R r) { return selected(v.pressureH, v.pressureRawH, r); }, Marker::NoHigh },
        { "pressureL", M::Pressure, UnitDecimals,
            [](V v, R r) { return selected(v.pressureL, v.pressureRawL, r); }, Marker::NoLow },
        { "pressureTrend", M::Plain, 0, [](V v, R) { return v.pressureTrend; } },
        { "pressureRaw", M::Pressure, 2, [](V v, R) { return v.pressureRaw; }, Marker::Zero },
        { "pressureTemp", M::Plain, 0, [](V v, R) { return v.pressureTemp; } },
        { "altimeter", M::Pressure, UnitDecimals, [](V v, R) { return v.altimeter; } },
        { "highAltimeter", M::Pressure, UnitDecimals, [](V v, R) { return v.highAltimeter; },
            Marker::NoHigh },
        { "lowAltimeter", M::Pressure, UnitDecimals, [](V v, R) { return v.lowAltimeter; },
            Marker::NoLow },
        { "altimeterRaw", M::Pressure, 2, [](V v, R) { return v.pressureRaw; }, Marker::Zero },
        { "wind", M::Speed, 1, [](V v, R) { return v.wind; } },
        { "windDir", M::Direction, 1, [](V v, R) { return v.windDir; } },
        { "wind2", M::Speed, 1, [](V v, R) { return v.wind2; } },
        { "windDir2", M::Direction, 1, [](V v, R) { return v.windDir2; } },
        { "wind10", M::Speed, 1, [](V v, R) { return v.wind10; } },
        { "windDir10", M::Direction, 1, [](V v, R) { return v.windDir10; } },
        { "windGust", M::Speed, 1, [](V v, R) { return v.windGust; } },
        { "windDirGust", M::Direction, 1, [](V v, R) { return v.windDirGust; } },
        { "rainUnits", M::Plain, 0, [](V v, R) { return double(v.rainUnits); } },
        { "rainDay", M::Rain, UnitDecimals, [](V v, R) { return v.rainDay; } },
        { "rainRate", M::RainRate, 2, [](V v, R) { return v.rainRate; } },
        { "lightningStatus", M::Plain, 0, [](V v, R) { return double(v.lightningStatus); } },
        { "lightningDistance", M::Distance, 1, [](V v, R) { return double(v.lightningDistance); } },
        { "lightning10", M::Plain, 0, [](V v, R) { return double(v.lightning10); } },
        { "lightning30", M::Plain, 0, [](V v, R) { return double(v.lightning30); } },
        { "lightning60", M::Plain, 0, [](V v, R) { return double(v.lightning60); } },
        { "heatIndex", M::Temperature, 1, [](V v, R) { return v.heatIndex; },
            Marker::NotAvailable },
        { "windChill", M::Temperature, 1, [](V v, R) { return v.windChill; },
            Marker::NotAvailable },
        { "solarRadiation", M::Irradiance, 0, [](V v, R) { return solarRadiation(v); },
            Marker::NoSensor },
        { "wbgt", M::Temperature, 1, [](V v, R) { return v.wbgt; }, Marker::NotAvailable },
        { "humidex", M::Celsius, 1, [](V v, R) { return v.humidex; }, Marker::NotAvailable },
        { "densityAltitude", M::Feet, 0, [](V v, R) { return double(v.densityAltitude); } },
        { "estimatedCloudBase", M::Feet, 0, [](V v, R) { return double(v.estimatedCloudBase); } },
    };
    return all;
}

const Quantity *quantity(const char *name)
{
    for (const Quantity &q : quantities())
        if (std::strcmp(q.name, name) == 0)
            return &q;
    return nullptr;
}

bool isMarker(const Quantity &q, double value)
{
    switch (q.marker) {
    case Marker::None:
        return false;
    case Marker::NotAvailable:
        return value <= StationValues::NotAvailable;
    case Marker::NoHigh:
        return value == StationValues::NoHigh;
    case Marker::NoLow:
        return value == StationValues::NoLow;
    case Marker::NoSensor:
        return value == StationValues::NoSolarSensor;
    case Marker::Zero:
        return value == 0;
    }
    return false;
}

namespace {

// The quantities worked out from others, whose state key the data checks
// mark when an input was refused; a measured value refused is NaN already.
const char *derivedKey(const char *name)
{
    static const char *const keys[][2] = {
        { "altimeter", "altimeter_hpa" },
        { "densityAltitude", "density_altitude_ft" },
        { "estimatedCloudBase", "cloud_base_ft" },
        { "heatIndex", "heat_index_c" },
        { "windChill", "wind_chill_c" },
        { "humidex", "humidex" },
        { "wbgt", "wbgt_c" },
    };
    for (const auto &k : keys)
        if (std::strcmp(k[0], name) == 0)
            return k[1];
    return nullptr;
}

} // namespace

double number(const Quantity &q, const StationValues &values, const DisplayUnits &units)
{
    if (!values.rejected.isEmpty()) {
        const char *key = derivedKey(q.name);
        if (key && values.isRejected(key))
            return std::numeric_limits<double>::quiet_NaN();
    }
    const double base = q.base(values, units.pressureReading);
    // Zero is zero in every unit; the other markers must not be converted.
    if (q.marker != Marker::Zero && isMarker(q, base))
        return base;
    return meteo::convert(q.measure, base, units);
}

int decimals(const Quantity &q, const StationValues &values, const DisplayUnits &units)
{
    if (q.decimals != UnitDecimals)
        return q.decimals;
    if (q.measure == Measure::Rain)
        return values.rainGauge() == RainGauge::Inches ? 2 : 1;
    return units.pressure == PressureUnit::Millibar ? 1 : 2;
}

QString unit(const Quantity &q, const StationValues &values, const DisplayUnits &units)
{
    return units::measureLabel(q.measure, units, values.rainGauge());
}

QString fixed(double value, int decimals)
{
    // A value the data checks refused.
    if (std::isnan(value))
        return QStringLiteral("--");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
    // The shortest digits that read back as the value, as JavaScript's
    // Number.toString() has them.
    char buffer[32];
    const auto result = std::to_chars(
        buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific);
    const QString text = QString::fromLatin1(buffer, int(result.ptr - buffer));
    const int e = text.indexOf(QLatin1Char('e'));
    QString digits = text.left(e).remove(QLatin1Char('.'));
    int point = text.mid(e + 1).toInt() + 1;
    while (point < 1) {
        digits.prepend(QLatin1Char('0'));
        ++point;
    }
    while (digits.size() < point + decimals + 1)
        digits.append(QLatin1Char('0'));
    QString kept = digits.left(point + decimals);
    if (digits.at(point + decimals) >= QLatin1Char('5'))
        kept = incremented(kept);
    const QString whole = kept.left(kept.size() - decimals);
    const QString out = decimals > 0 ? whole + QLatin1Char('.') + kept.right(decimals) : whole;
    return value < 0 ? QLatin1Char('-') + out : out;
}

QVector<Shown> show(const StationValues &values, const DisplayUnits &units)
{
    QVector<Shown> all;
    all.reserve(quantities().size());
    for (const Quantity &q : quantities()) {
        Shown s;
        s.name = QLatin1String(q.name);
        s.value = number(q, values, units);
        const bool noGauge = q.measure == Measure::Rain && values.rainGauge() == RainGauge::None;
        s.available = !isMarker(q, s.value) && !noGauge && !std::isnan(s.value);
        s.decimals = decimals(q, values, units);
        s.unit = unit(q, values, units);
        if (s.available)
            s.text = fixed(s.value, s.decimals);
        else
            s.text = s.value == StationValues::NotAvailable ? QStringLiteral("N/A")
                                                            : QStringLiteral("--");
        all.append(s);
    }
    return all;
}

} // namespace display

#include "dataquality.h"

#include "settings/settingsreader.h"

#include <QStringList>

#include <cmath>

namespace quality {

namespace {

constexpr qint64 HourMs = 3600 * 1000;

} // namespace

QualitySettings qualitySettingsFrom(const SettingsReader &settings)
{
    QualitySettings s;
    Calibration &c = s.calibration;
    c.temperatureOffset = settings.number(Setting::CalTemperatureOffset);
    c.humidityOffset = settings.number(Setting::CalHumidityOffset);
    c.pressureOffset = settings.number(Setting::CalPressureOffset);
    c.windMultiplier = settings.number(Setting::CalWindMultiplier);
    c.rainMultiplier = settings.number(Setting::CalRainMultiplier);
    c.solarMultiplier = settings.number(Setting::CalSolarMultiplier);
    s.checks = settings.flag(Setting::QualityChecks);
    return s;
}

QVariantMap RejectionCounts::byKey() const
{
    QVariantMap map;
    forEachQuantity(
        [&](Quantity q) { map.insert(QLatin1String(info(q).key), totals[std::size_t(q)]); });
    return map;
}

void RejectionCounts::take(const QVariantMap &byKey)
{
    forEachQuantity([&](Quantity q) {
        const auto it = byKey.constFind(QLatin1String(info(q).key));
        if (it != byKey.constEnd())
            totals[std::size_t(q)] = it->toULongLong();
    });
}

void RejectionCounts::add(QuantitySet rejected)
{
    for (int i = 0; i < QuantityCount; ++i)
        totals[std::size_t(i)] += rejected.test(std::size_t(i)) ? 1 : 0;
}

QString RejectionCounts::listOf(const Counts &counts)
{
    QStringList parts;
    forEachQuantity([&](Quantity q) {
        if (const quint64 n = counts[std::size_t(q)])
            parts << QStringLiteral("%1 %2").arg(QString::fromUtf8(info(q).label)).arg(n);
    });
    return parts.join(QLatin1String(", "));
}

QString RejectionCounts::summary() const
{
    const QString list = listOf(totals);
    return list.isEmpty() ? QStringLiteral("None") : list;
}

QString RejectionCounts::hourlyLine(qint64 nowMs)
{
    // A clock set back starts the hour again rather than wait for it.
    if (!started || nowMs < lineAt) {
        started = true;
        lineAt = nowMs;
        return QString();
    }
    if (nowMs - lineAt < HourMs)
        return QString();
    Counts fresh;
    quint64 all = 0;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        fresh[i] = totals[i] - atLastLine[i];
        all += fresh[i];
    }
    lineAt = nowMs;
    atLastLine = totals;
    if (all == 0)
        return QString();
    return QStringLiteral("Data checks: %1 values rejected in the last hour (%2)")
        .arg(all)
        .arg(listOf(fresh));
}

void DataQuality::setSettings(const QualitySettings &s)
{
    if (s == current)
        return;
    if (s.checks && !current.checks) {
        for (SpikeFilter &f : filters)
            f.reset();
        lastGood = Readings();
    }
    current = s;
}

void DataQuality::calibrate(Readings &r) const
{
    quality::calibrate(r, current.calibration);
}

QuantitySet DataQuality::check(Readings &r, qint64 atMs, double rainScale)
{
    QuantitySet rejected;
    if (!current.checks)
        return rejected;
    forEachQuantity([&](Quantity q) {
        const double value = r[q];
        if (std::isnan(value))
            return;
        const bool rain = q == Quantity::RainDay || q == Quantity::RainRate;
        const double scale = rain ? rainScale : 1.0;
        // Out of bounds never reaches the filter: it is no level to follow.
        if (withinLimits(q, value * scale)
            && filters[std::size_t(q)].accept(info(q), value, atMs, scale)) {
            lastGood[q] = value;
            return;
        }
        r[q] = std::numeric_limits<double>::quiet_NaN();
        rejected.set(std::size_t(q));
    });
    counts.add(rejected);
    return rejected;
}

DataQuality::Served DataQuality::served(const Readings &checked, QuantitySet rejected) const
{
    Served out { checked, rejected };
    const QuantitySet corrected = calibratedQuantities(current.calibration);
    forEachQuantity([&](Quantity q) {
        const std::size_t i = std::size_t(q);
        if (rejected.test(i))
            out.values[q] = lastGood[q];
        // A quantity the station does not deliver keeps its registers.
        else if (corrected.test(i) && !std::isnan(checked[q]))
            out.which.set(i);
    });
    return out;
}

} // namespace quality

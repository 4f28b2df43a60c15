#include "historymodel.h"

#include "meteo/conversion.h"
#include "settings/settingsreader.h"

#include <QDebug>
#include <QtCharts/QXYSeries>

#include <algorithm>
#include <cmath>

namespace {

bool known(double value)
{
    return !std::isnan(value);
}

// 1, 2 or 5 times a power of ten, at least `rough`.
double niceStep(double rough)
{
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : { 1.0, 2.0, 5.0, 10.0 })
        if (m * power >= rough)
            return m * power;
    return 10 * power;
}

} // namespace

HistoryModel::HistoryModel(
    const SettingsReader &settings, const QString &archiveFile, QObject *parent)
    : QObject(parent)
    , units(settings.displayUnits())
    , file(archiveFile)
    , now([] { return QDateTime::currentDateTime(); })
{
}

void HistoryModel::readSettings(const SettingsReader &settings)
{
    setUnits(settings.displayUnits());
}

void HistoryModel::setUnits(const DisplayUnits &newUnits)
{
    if (newUnits == units)
        return;
    units = newUnits;
    rebuild();
    emit loaded();
}

QStringList HistoryModel::rangeNames() const
{
    return { QStringLiteral("24 h"), QStringLiteral("7 d"), QStringLiteral("30 d"),
        QStringLiteral("1 y") };
}

void HistoryModel::setRange(int range)
{
    range = qBound(int(Day), range, int(Year));
    if (range == rangeIndex)
        return;
    rangeIndex = range;
    emit rangeChanged();
    if (lastPoints > 0)
        load(lastPoints);
}

void HistoryModel::setActive(bool active)
{
    if (active == isActive)
        return;
    isActive = active;
    // Lets the debug log tell that the charts came up (the Windows window test waits for it).
    if (active)
        qDebug() << "History view shown";
    emit activeChanged();
}

qint64 HistoryModel::span() const
{
    return archive::rangeSeconds(rangeIndex);
}

QString HistoryModel::rainUnit() const
{
    return units.rain == RainGauge::Inches ? QStringLiteral("in") : QStringLiteral("mm");
}

bool HistoryModel::stationPressure() const
{
    return units.pressureReading == PressureReading::Station;
}

void HistoryModel::load(int points)
{
    lastPoints = std::max(points, 50);
    bucket = archive::bucketSeconds(span(), lastPoints);
    // The bucket in progress is shown too.
    const qint64 latestEnd = (now().toSecsSinceEpoch() / bucket + 1) * bucket;
    if (!following) {
        to = (to + bucket - 1) / bucket * bucket;
        following = to >= latestEnd;
    }
    if (following)
        to = latestEnd;
    from = to - span();

    archive::HistoryData data;
    QString error;
    if (!archive::readHistory(file, from, to, bucket, rangeIndex, &data, &error))
        qDebug().noquote() << "History: cannot read" << file << ":" << error;
    buckets = data.buckets;
    periods = data.periods;
    days = data.days;
    rebuild();
    emit loaded();
}

void HistoryModel::previous()
{
    following = false;
    to -= span();
    load(lastPoints);
}

void HistoryModel::next()
{
    if (following)
        return;
    to += span();
    load(lastPoints);
}

void HistoryModel::latest()
{
    following = true;
    load(lastPoints);
}

void HistoryModel::archiveChanged()
{
    if (isActive && following && lastPoints > 0)
        load(lastPoints);
}

void HistoryModel::addPoint(const QString &name, qint64 at, double value)
{
    if (known(value))
        series[name].append(QPointF(double(at) * 1000, value));
}

void HistoryModel::rebuild()
{
    archive::HistoryData data;
    data.from = from;
    data.to = to;
    data.bucket = bucket;
    data.buckets = buckets;
    data.days = days;
    series = archive::historySeries(data, rangeIndex, units);

    readings.clear();
    readings.reserve(buckets.size());
    const TemperatureUnit temperature = units.temperature;
    const SpeedUnit speed = units.speed;
    const bool station = stationPressure();
    const RainGauge gauge = units.rain;
    const auto temp = [temperature](double c) { return meteo::convertTemperature(c, temperature); };
    const auto wind = [speed](double ms) { return meteo::convertSpeed(ms, speed); };
    for (const archive::Bucket &b : buckets) {
        const double press = meteo::convertPressure(station ? b.pressStn : b.press, units.pressure);
        readings.append(
            { temp(b.temp), temp(b.dew), b.hum, press, wind(b.wind), wind(b.gust), b.solar });
    }

    // Bars drawn as one stepped outline from the zero line.
    bool anyRain = false;
    for (const archive::Period &p : periods) {
        if (!known(p.rain))
            continue;
        anyRain = true;
        const qint64 start = std::max(p.start, from);
        const qint64 end = std::min(p.end, to);
        const double amount = meteo::convertRain(p.rain, gauge);
        addPoint(QStringLiteral("rain"), start, 0);
        addPoint(QStringLiteral("rain"), start, amount);
        addPoint(QStringLiteral("rain"), end, amount);
        addPoint(QStringLiteral("rain"), end, 0);
        if (!series.contains(QStringLiteral("rainTotal")))
            addPoint(QStringLiteral("rainTotal"), start, 0);
        addPoint(QStringLiteral("rainTotal"), end, meteo::convertRain(p.runningRain, gauge));
    }
    if (!anyRain)
        series.remove(QStringLiteral("rainTotal"));
}

QVector<QPointF> HistoryModel::points(const QString &name) const
{
    return series.value(name);
}

bool HistoryModel::fill(QObject *target, const QString &name) const
{
    auto *xy = qobject_cast<QtCharts::QXYSeries *>(target);
    if (!xy)
        return false;
    const QVector<QPointF> values = series.value(name);
    xy->replace(values);
    return !values.isEmpty();
}

bool HistoryModel::hasData(const QString &chart) const
{
    if (chart == QLatin1String("rain"))
        return series.contains(QStringLiteral("rainTotal"));
    return series.contains(chart);
}

QVariantList HistoryModel::axis(const QString &chart) const
{
    struct Axis
    {
        const char *chart;
        QStringList names;
        bool fromZero;
        double ceiling;
    };
    static const Axis axes[] = {
        { "temp", { "temp", "tempLow", "tempHigh", "dew" }, false, qInf() },
        { "hum", { "hum", "humLow", "humHigh" }, false, 100 },
        { "press", { "press", "pressLow", "pressHigh" }, false, qInf() },
        { "wind", { "wind", "gust" }, true, qInf() },
        { "rain", { "rain" }, true, qInf() },
        { "rainTotal", { "rainTotal" }, true, qInf() },
        { "solar", { "solar", "solarMax" }, true, qInf() },
    };
    const Axis *found = nullptr;
    for (const Axis &a : axes)
        if (chart == QLatin1String(a.chart))
            found = &a;
    if (!found)
        return { 0.0, 1.0, 2 };

    double low = qInf();
    double high = -qInf();
    for (const QString &name : found->names)
        for (const QPointF &p : series.value(name)) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    if (low > high)
        return { 0.0, 1.0, 2 };
    if (found->fromZero)
        low = std::min(0.0, low);
    if (high - low < 1e-9) {
        // A flat line sits in the middle, or on the floor from zero.
        high += found->fromZero ? 1 : 0.5;
        low -= found->fromZero ? 0 : 0.5;
    }
    const double step = niceStep((high - low) / 4);
    low = std::floor(low / step) * step;
    high = std::max(std::min(std::ceil(high / step) * step, found->ceiling), low + step);
    return { low, high, int(std::lround((high - low) / step)) + 1 };
}

QVariantMap HistoryModel::valuesAt(double msecs) const
{
    QVariantMap values;
    const qint64 t = qint64(std::floor(msecs / 1000));
    const auto put = [&values](const char *key, double value) {
        if (known(value))
            values.insert(QLatin1String(key), value);
    };
    const auto after = std::upper_bound(buckets.cbegin(), buckets.cend(), t,
        [](qint64 at, const archive::Bucket &b) { return at < b.start; });
    const int index = int(after - buckets.cbegin()) - 1;
    if (index >= 0 && t < buckets.at(index).start + bucket) {
        const Reading &r = readings.at(index);
        values.insert(QStringLiteral("time"), double(buckets.at(index).start + bucket / 2) * 1000);
        put("temp", r.temp);
        put("dew", r.dew);
        put("hum", r.hum);
        put("press", r.press);
        put("wind", r.wind);
        put("gust", r.gust);
        put("solar", r.solar);
    }
    const RainGauge gauge = units.rain;
    for (const archive::Period &p : periods) {
        if (t >= p.start && t < p.end && known(p.rain)) {
            put("rain", meteo::convertRain(p.rain, gauge));
            put("rainTotal", meteo::convertRain(p.runningRain, gauge));
            if (!values.contains(QStringLiteral("time")))
                values.insert(QStringLiteral("time"), msecs);
        }
    }
    return values;
}

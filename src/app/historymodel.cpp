#include "historymodel.h"

#include "meteo/conversion.h"
#include "settings/syssettings.h"

#include <QDebug>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTimeZone>
#include <QtCharts/QXYSeries>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr qint64 Day = 86400;
constexpr double MillimetresPerInch = 25.4;

bool known(double value)
{
    return !std::isnan(value);
}

QPair<qint64, qint64> utcHour(qint64 t)
{
    const qint64 start = t - t % 3600;
    return { start, start + 3600 };
}

// Local days, each looked up once, through the zone's own table of
// transitions: a year has 8760 hours to place, and each lookup of plain local
// time asks the C library, which checks the zone file on disk.
archive::PeriodOf localDays()
{
    auto day = std::make_shared<QPair<qint64, qint64>>(0, 0);
    return [day, zone = QTimeZone::systemTimeZone()](qint64 t) {
        if (t < day->first || t >= day->second) {
            const QDate date = QDateTime::fromSecsSinceEpoch(t, zone).date();
            *day = { QDateTime(date, QTime(0, 0), zone).toSecsSinceEpoch(),
                QDateTime(date.addDays(1), QTime(0, 0), zone).toSecsSinceEpoch() };
        }
        return *day;
    };
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

HistoryModel::HistoryModel(SysSettings &settings, const QString &archiveFile, QObject *parent)
    : QObject(parent)
    , settings(settings)
    , file(archiveFile)
    , now([] { return QDateTime::currentDateTime(); })
{
    connect(&settings, &SysSettings::unitsChanged, this, [this] {
        rebuild();
        emit loaded();
    });
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
    switch (rangeIndex) {
    case Week:
        return 7 * ::Day;
    case Month:
        return 30 * ::Day;
    case Year:
        return 365 * ::Day;
    default:
        return ::Day;
    }
}

QString HistoryModel::rainUnit() const
{
    return settings.getRainUnits() == 2 ? QStringLiteral("in") : QStringLiteral("mm");
}

bool HistoryModel::stationPressure() const
{
    return settings.getPressureAdjustment() == 1;
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

    buckets.clear();
    QVector<archive::HourTotal> hours;
    const QString connection = QStringLiteral("skyquill-history-%1").arg(quintptr(this));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        // Opening a file that is not there would make an empty one.
        if (QFileInfo::exists(file)) {
            QString error;
            if (!db.open())
                error = db.lastError().text();
            else if (!archive::queryBuckets(db, from, to, bucket, &buckets, &error)
                || !archive::queryHours(db, from, to, &hours, &error))
                buckets.clear();
            if (!error.isEmpty())
                qDebug().noquote() << "History: cannot read" << file << ":" << error;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);

    periods = archive::foldPeriods(hours, rainPerDay() ? localDays() : utcHour);
    days = dailyBands() ? archive::foldPeriods(hours, localDays()) : QVector<archive::Period>();
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
    series.clear();
    readings.clear();
    readings.reserve(buckets.size());
    const int temperature = settings.getTemperatureUnits();
    const int pressure = settings.getPressureUnits();
    const int speed = settings.getSpeedUnits();
    const bool station = settings.getPressureAdjustment() == 1;
    const double rainScale = settings.getRainUnits() == 2 ? 1 / MillimetresPerInch : 1;
    const auto temp = [temperature](double c) { return meteo::convertTemperature(c, temperature); };
    const auto press = [pressure](double hPa) { return meteo::convertPressure(hPa, pressure); };
    const auto wind = [speed](double ms) { return meteo::convertSpeed(ms, speed); };

    for (const archive::Bucket &b : buckets) {
        const qint64 at = b.start + bucket / 2;
        addPoint(QStringLiteral("temp"), at, temp(b.temp));
        if (!dailyBands() && known(b.tempMin) && known(b.tempMax)) {
            addPoint(QStringLiteral("tempLow"), at, temp(b.tempMin));
            addPoint(QStringLiteral("tempHigh"), at, temp(b.tempMax));
        }
        addPoint(QStringLiteral("dew"), at, temp(b.dew));
        addPoint(QStringLiteral("hum"), at, b.hum);
        if (known(b.humMin) && known(b.humMax)) {
            addPoint(QStringLiteral("humLow"), at, b.humMin);
            addPoint(QStringLiteral("humHigh"), at, b.humMax);
        }
        const double mean = station ? b.pressStn : b.press;
        const double low = station ? b.pressStnMin : b.pressMin;
        const double high = station ? b.pressStnMax : b.pressMax;
        addPoint(QStringLiteral("press"), at, press(mean));
        if (known(low) && known(high)) {
            addPoint(QStringLiteral("pressLow"), at, press(low));
            addPoint(QStringLiteral("pressHigh"), at, press(high));
        }
        addPoint(QStringLiteral("wind"), at, wind(b.wind));
        addPoint(QStringLiteral("gust"), at, wind(b.gust));
        if (known(b.solar)) {
            addPoint(QStringLiteral("solar"), at, b.solar);
            addPoint(QStringLiteral("solarZero"), at, 0);
        }
        addPoint(QStringLiteral("solarMax"), at, b.solarMax);
        readings.append(
            { temp(b.temp), temp(b.dew), b.hum, press(mean), wind(b.wind), wind(b.gust), b.solar });
    }

    // Steps, one flat top per day, so a band reads as the day's range.
    for (const archive::Period &d : days) {
        if (!known(d.low) || !known(d.high))
            continue;
        const qint64 start = std::max(d.start, from);
        const qint64 end = std::min(d.end, to);
        for (qint64 at : { start, end }) {
            addPoint(QStringLiteral("tempLow"), at, temp(d.low));
            addPoint(QStringLiteral("tempHigh"), at, temp(d.high));
            addPoint(QStringLiteral("dayLow"), at, temp(d.low));
            addPoint(QStringLiteral("dayHigh"), at, temp(d.high));
        }
    }

    // Bars drawn as one stepped outline from the zero line.
    bool anyRain = false;
    for (const archive::Period &p : periods) {
        if (!known(p.rain))
            continue;
        anyRain = true;
        const qint64 start = std::max(p.start, from);
        const qint64 end = std::min(p.end, to);
        const double amount = p.rain * rainScale;
        addPoint(QStringLiteral("rain"), start, 0);
        addPoint(QStringLiteral("rain"), start, amount);
        addPoint(QStringLiteral("rain"), end, amount);
        addPoint(QStringLiteral("rain"), end, 0);
        if (!series.contains(QStringLiteral("rainTotal")))
            addPoint(QStringLiteral("rainTotal"), start, 0);
        addPoint(QStringLiteral("rainTotal"), end, p.runningRain * rainScale);
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
    const double rainScale = settings.getRainUnits() == 2 ? 1 / MillimetresPerInch : 1;
    for (const archive::Period &p : periods) {
        if (t >= p.start && t < p.end && known(p.rain)) {
            put("rain", p.rain * rainScale);
            put("rainTotal", p.runningRain * rainScale);
            if (!values.contains(QStringLiteral("time")))
                values.insert(QStringLiteral("time"), msecs);
        }
    }
    return values;
}

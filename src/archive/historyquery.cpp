#include "historyquery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace archive {

namespace {

// Each divides a day, so buckets line up with days whatever the range.
constexpr int Lengths[]
    = { 60, 120, 180, 300, 600, 1200, 1800, 3600, 7200, 10800, 21600, 43200, 86400 };

double unscaled(const QVariant &value, double scale)
{
    return value.isNull() ? Missing : value.toDouble() / scale;
}

QString bucketSql(const Tier &tier)
{
    // The minutes table has one value where the rollups keep a range.
    const bool minutes = tier.seconds == Minutes.seconds;
    const QLatin1String stationLow(minutes ? "press_stn" : "press_stn_min");
    const QLatin1String stationHigh(minutes ? "press_stn" : "press_stn_max");
    const QLatin1String solarHigh(minutes ? "solar" : "solar_max");
    return QStringLiteral("SELECT (t - :from) / :bucket AS b, AVG(temp), MIN(temp_min),"
                          " MAX(temp_max), AVG(dew), AVG(hum), MIN(hum_min), MAX(hum_max),"
                          " AVG(press), MIN(press_min), MAX(press_max), AVG(press_stn), MIN(%2),"
                          " MAX(%3), AVG(wind), MAX(gust), %5, AVG(solar), MAX(%4)"
                          " FROM %1 WHERE t >= :from AND t < :to GROUP BY b ORDER BY b")
        .arg(QLatin1String(tier.table), stationLow, stationHigh, solarHigh, sumOf("rain"));
}

// What bucketSql selects after the bucket's number, in its order, and the
// scale each is stored in.
const std::pair<double Bucket::*, double> bucketColumns[] = {
    { &Bucket::temp, scale::Temperature },
    { &Bucket::tempMin, scale::Temperature },
    { &Bucket::tempMax, scale::Temperature },
    { &Bucket::dew, scale::Temperature },
    { &Bucket::hum, scale::Humidity },
    { &Bucket::humMin, scale::Humidity },
    { &Bucket::humMax, scale::Humidity },
    { &Bucket::press, scale::Pressure },
    { &Bucket::pressMin, scale::Pressure },
    { &Bucket::pressMax, scale::Pressure },
    { &Bucket::pressStn, scale::Pressure },
    { &Bucket::pressStnMin, scale::Pressure },
    { &Bucket::pressStnMax, scale::Pressure },
    { &Bucket::wind, scale::Speed },
    { &Bucket::gust, scale::Speed },
    { &Bucket::rain, scale::Rain },
    { &Bucket::solar, scale::Solar },
    { &Bucket::solarMax, scale::Solar },
};

bool failed(const QSqlQuery &q, QString *error)
{
    if (error)
        *error = q.lastError().text();
    return false;
}

} // namespace

int bucketSeconds(qint64 span, int points)
{
    const qint64 wanted = points > 0 ? (span + points - 1) / points : span;
    for (int length : Lengths)
        if (length >= wanted)
            return length;
    return Lengths[std::size(Lengths) - 1];
}

const Tier &tierFor(int bucket)
{
    if (bucket % Days.seconds == 0)
        return Days;
    if (bucket % Hours.seconds == 0)
        return Hours;
    if (bucket % Tens.seconds == 0)
        return Tens;
    return Minutes;
}

namespace {

// Runs the prepared query over [from, to) and hands it to `take` at each row.
template <typename Take> bool run(QSqlQuery &q, qint64 from, qint64 to, QString *error, Take take)
{
    q.bindValue(QStringLiteral(":from"), from);
    q.bindValue(QStringLiteral(":to"), to);
    if (!q.exec())
        return failed(q, error);
    while (q.next())
        take();
    if (q.lastError().isValid())
        return failed(q, error);
    return true;
}

} // namespace

bool queryBuckets(const QSqlDatabase &db, qint64 from, qint64 to, int bucket,
    QVector<Bucket> *buckets, QString *error)
{
    buckets->clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(bucketSql(tierFor(bucket))))
        return failed(q, error);
    q.bindValue(QStringLiteral(":bucket"), bucket);
    return run(q, from, to, error, [&] {
        Bucket b;
        b.start = from + q.value(0).toLongLong() * bucket;
        for (size_t i = 0; i < std::size(bucketColumns); ++i)
            b.*bucketColumns[i].first = unscaled(q.value(int(i) + 1), bucketColumns[i].second);
        buckets->append(b);
    });
}

bool queryHours(
    const QSqlDatabase &db, qint64 from, qint64 to, QVector<HourTotal> *hours, QString *error)
{
    hours->clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT t, temp_min, temp_max, rain FROM hours"
                                  " WHERE t >= :from AND t < :to ORDER BY t")))
        return failed(q, error);
    return run(q, from, to, error, [&] {
        HourTotal h;
        h.start = q.value(0).toLongLong();
        h.tempMin = unscaled(q.value(1), scale::Temperature);
        h.tempMax = unscaled(q.value(2), scale::Temperature);
        h.rain = unscaled(q.value(3), scale::Rain);
        hours->append(h);
    });
}

QVector<Period> foldPeriods(const QVector<HourTotal> &hours, const PeriodOf &periodOf)
{
    QVector<Period> periods;
    double running = 0;
    for (const HourTotal &h : hours) {
        const QPair<qint64, qint64> span = periodOf(h.start);
        if (periods.isEmpty() || periods.back().start != span.first) {
            Period p;
            p.start = span.first;
            p.end = span.second;
            p.runningRain = running;
            periods.append(p);
        }
        Period &p = periods.back();
        if (!std::isnan(h.tempMin))
            p.low = std::isnan(p.low) ? h.tempMin : std::min(p.low, h.tempMin);
        if (!std::isnan(h.tempMax))
            p.high = std::isnan(p.high) ? h.tempMax : std::max(p.high, h.tempMax);
        if (!std::isnan(h.rain)) {
            p.rain = (std::isnan(p.rain) ? 0 : p.rain) + h.rain;
            running += h.rain;
            p.runningRain = running;
        }
    }
    return periods;
}

} // namespace archive

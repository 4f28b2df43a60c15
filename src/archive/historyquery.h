#pragma once

#include "archiveschema.h"

#include <QPair>
#include <QSqlDatabase>
#include <QVector>

#include <functional>

// What the history graphs read: the archive folded in SQL into at most one
// bucket per point, each keeping its minimum and maximum so spikes survive.
namespace archive {

// One bucket, base units; a quantity absent from it is Missing.
struct Bucket
{
    qint64 start = 0; // UTC epoch seconds
    double temp = Missing, tempMin = Missing, tempMax = Missing, dew = Missing;
    double hum = Missing, humMin = Missing, humMax = Missing;
    double press = Missing, pressMin = Missing, pressMax = Missing;
    double pressStn = Missing, pressStnMin = Missing, pressStnMax = Missing;
    double wind = Missing, gust = Missing;
    double rain = Missing;
    double solar = Missing, solarMax = Missing;
};

// One hour's extremes and rain, for the daily bands and the rain bars.
struct HourTotal
{
    qint64 start = 0;
    double tempMin = Missing, tempMax = Missing;
    double rain = Missing;
};

// A local hour or day: its extremes and rain, and the rain from the first
// period shown up to its end.
struct Period
{
    qint64 start = 0;
    qint64 end = 0;
    double low = Missing, high = Missing;
    double rain = Missing;
    double runningRain = 0;
};

// The shortest bucket, from a fixed list of lengths that divide a day, that
// shows `span` seconds in at most `points` buckets; a day at most.
int bucketSeconds(qint64 span, int points);

// The table a bucket of that length is folded from: the coarsest rollup
// whose period divides it.
const Tier &tierFor(int bucket);

// The buckets of [from, to), `bucket` seconds each counted from `from`, in
// time order; buckets without data are left out. `from` is a multiple of the
// bucket. False with `error` set when the query failed.
bool queryBuckets(const QSqlDatabase &db, qint64 from, qint64 to, int bucket,
    QVector<Bucket> *buckets, QString *error);

bool queryHours(
    const QSqlDatabase &db, qint64 from, qint64 to, QVector<HourTotal> *hours, QString *error);

// Folds hours into the periods `periodOf` puts them in (it gives the [start,
// end) of the period holding an instant), in time order.
using PeriodOf = std::function<QPair<qint64, qint64>(qint64)>;
QVector<Period> foldPeriods(const QVector<HourTotal> &hours, const PeriodOf &periodOf);

} // namespace archive

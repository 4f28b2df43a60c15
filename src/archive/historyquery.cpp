#include "historyquery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>

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
                          " MAX(%3), AVG(wind), MAX(gust), SUM(rain), AVG(solar), MAX(%4)"
                          " FROM %1 WHERE t >= :from AND t < :to GROUP BY b ORDER BY b")
        .arg(QLatin1String(tier.table), stationLow, stationHigh, solarHigh);
}

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

bool queryBuckets(const QSqlDatabase &db, qint64 from, qint64 to, int bucket,
    QVector<Bucket> *buckets, QString *error)
{
    buckets->clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(bucketSql(tierFor(bucket))))
        return failed(q, error);
    q.bindValue(QStringLiteral(":from"), from);
    q.bindValue(QStringLiteral(":to"), to);
    q.bindValue(QStringLiteral(":bucket"), bucket);
    if (!q.exec())
        return failed(q, error);
    while (q.next()) {
        Bucket b;
        b.start = from + q.value(0).toLongLong() * bucket;
        b.temp = unscaled(q.value(1), scale::Temperature);
        b.tempMin = unscaled(q.value(2), scale::Temperature);
        b.tempMax = unscaled(q.value(3), scale::Temperature);
        b.dew = unscaled(q.value(4), scale::Temperature);
        b.hum = unscaled(q.value(5), scale::Humidity);
        b.humMin = unscaled(q.value(6), scale::Humidity);
        b.humMax = unscaled(q.value(7), scale::Humidity);
        b.press = unscaled(q.value(8), scale::Pressure);
        b.pressMin = unscaled(q.value(9), scale::Pressure);
        b.pressMax = unscaled(q.value(10), scale::Pressure);
        b.pressStn = unscaled(q.value(11), scale::Pressure);
        b.pressStnMin = unscaled(q.value(12), scale::Pressure);
        b.pressStnMax = unscaled(q.value(13), scale::Pressure);
        b.wind = unscaled(q.value(14), scale::Speed);
        b.gust = unscaled(q.value(15), scale::Speed);
        b.rain = unscaled(q.value(16), scale::Rain);
        b.solar = unscaled(q.value(17), scale::Solar);
        b.solarMax = unscaled(q.value(18), scale::Solar);
        buckets->append(b);
    }
    if (q.lastError().isValid())
        return failed(q, error);
    return true;
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
    q.bindValue(QStringLiteral(":from"), from);
    q.bindValue(QStringLiteral(":to"), to);
    if (!q.exec())
        return failed(q, error);
    while (q.next()) {
        HourTotal h;
        h.start = q.value(0).toLongLong();
        h.tempMin = unscaled(q.value(1), scale::Temperature);
        h.tempMax = unscaled(q.value(2), scale::Temperature);
        h.rain = unscaled(q.value(3), scale::Rain);
        hours->append(h);
    }
    if (q.lastError().isValid())
        return failed(q, error);
    return true;
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

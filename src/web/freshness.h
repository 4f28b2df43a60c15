#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace web {

// The dashboards show "No Data Connection" when no good read has come for
// ten update intervals (one second each), counting from the start when none
// has come yet. The pages and the API say the same at the same moment.
constexpr qint64 StaleAfterMs = 10 * 1000;

struct Freshness
{
    bool stale = false;
    // Seconds since the last good read; below 0 when there has been none.
    double ageSeconds = -1;
};

// Times are milliseconds of one monotonic clock; `lastGoodMs` below 0 means
// no good read yet.
Freshness freshness(qint64 startedMs, qint64 lastGoodMs, qint64 nowMs);

// A JSON object with "stale" and "age_s" (null without a good read) added.
QByteArray withFreshness(const QByteArray &object, const Freshness &fresh);

// One Server-Sent Event: `data` must hold no line break (compact JSON).
QByteArray event(const char *name, const QByteArray &data);

} // namespace web

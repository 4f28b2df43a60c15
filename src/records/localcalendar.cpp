#include "localcalendar.h"

#include <QDateTime>

#include <algorithm>

namespace records {

namespace {

constexpr qint64 Day = 86400;

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

LocalCalendar::LocalCalendar(const QTimeZone &zone)
    : tz(zone.isValid() ? zone : QTimeZone::utc())
{
}

qint64 LocalCalendar::dayOf(qint64 utc)
{
    if (utc >= cachedFrom && utc < cachedTo)
        return cachedDay;
    const QDateTime at = QDateTime::fromSecsSinceEpoch(utc, Qt::UTC);
    const qint64 offset = tz.offsetFromUtc(at);
    cachedDay = floorDiv(utc + offset, Day);
    // The same day holds until its local midnight at this offset, or until
    // the offset changes, whichever comes first.
    cachedFrom = utc;
    cachedTo = (cachedDay + 1) * Day - offset;
    if (tz.hasTransitions()) {
        const QTimeZone::OffsetData next = tz.nextTransition(at);
        if (next.atUtc.isValid())
            cachedTo = std::min(cachedTo, next.atUtc.toSecsSinceEpoch());
    }
    cachedTo = std::max(cachedTo, utc + 1);
    return cachedDay;
}

QTime LocalCalendar::localTime(qint64 utc) const
{
    return QDateTime::fromSecsSinceEpoch(utc, tz).time();
}

qint64 LocalCalendar::spanFrom(const QDate &first)
{
    return (dayNumber(first) - 1) * Day;
}

qint64 LocalCalendar::spanTo(const QDate &last)
{
    return (dayNumber(last) + 2) * Day;
}

} // namespace records

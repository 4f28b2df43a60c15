#pragma once

#include <QDate>
#include <QTime>
#include <QTimeZone>

#include <limits>

// Local calendar days for instants kept in UTC. The archive's keys are UTC
// minutes, while a climate day, month and year are the station's own: the
// offset may be a half or three quarters of an hour, and may change twice a
// year, so a day is rarely 86400 s counted from a UTC midnight.
namespace records {

class LocalCalendar
{
public:
    explicit LocalCalendar(const QTimeZone &zone = QTimeZone::systemTimeZone());

    const QTimeZone &zone() const { return tz; }
    QByteArray zoneId() const { return tz.id(); }

    // The local day holding an instant, as a count of days since 1970-01-01.
    // Cached: instants read in time order cost one compare each but at the
    // day's end or at a change of offset.
    qint64 dayOf(qint64 utc);
    static QDate dateOf(qint64 day) { return QDate::fromJulianDay(day + 2440588); }
    static qint64 dayNumber(const QDate &date) { return date.toJulianDay() - 2440588; }
    QDate localDate(qint64 utc) { return dateOf(dayOf(utc)); }
    // The local time of day of an instant.
    QTime localTime(qint64 utc) const;

    // A UTC span that surely holds every instant of the local dates [first,
    // last]: a day wider on each side than any offset can move them. A query
    // reads it and keeps the minutes whose local date falls inside.
    static qint64 spanFrom(const QDate &first);
    static qint64 spanTo(const QDate &last);

private:
    QTimeZone tz;
    qint64 cachedFrom = std::numeric_limits<qint64>::max();
    qint64 cachedTo = std::numeric_limits<qint64>::min();
    qint64 cachedDay = 0;
};

} // namespace records

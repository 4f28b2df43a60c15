#pragma once

#include "archive/archivestore.h"
#include "support/syntheticweather.h"

#include <QDateTime>
#include <QTimeZone>

// Six weeks of made-up weather in Adelaide (UTC+9:30, +10:30 from 4 October),
// no rain but what is planted, and extremes no synthetic minute comes near,
// each at a known local time.
namespace planted {

inline QTimeZone zone()
{
    return QTimeZone("Australia/Adelaide");
}

inline qint64 at(int month, int day, int hour, int minute)
{
    return QDateTime(QDate(2026, month, day), QTime(hour, minute), zone()).toSecsSinceEpoch();
}

const qint64 First = at(9, 25, 0, 0);
const qint64 End = at(11, 6, 0, 0); // Nov 5 is the last day, still open
const qint64 Hottest = at(10, 20, 14, 47);
const qint64 Coldest = at(11, 2, 5, 33);
const qint64 Gustiest = at(10, 5, 11, 11);
const qint64 Driest = at(10, 28, 16, 2);
const qint64 HighestPressure = at(9, 27, 9, 0);
const qint64 LowestPressure = at(10, 9, 3, 30);
const qint64 Sunniest = at(10, 30, 13, 13);

inline QVector<archive::MinuteRow> minutes()
{
    QVector<archive::MinuteRow> rows = syntheticMinutes(First, int((End - First) / 60), 7);
    const auto rain = [&rows](qint64 from, int count, double mm) {
        for (int i = 0; i < count; ++i)
            rows[int((from - First) / 60) + i].rain = mm;
    };
    for (archive::MinuteRow &r : rows) {
        r.rain = 0;
        if (r.start == Hottest)
            r.tempMax = 41.37;
        if (r.start == Coldest)
            r.tempMin = -12.34;
        if (r.start == Gustiest)
            r.gust = 38.9;
        if (r.start == Driest)
            r.humMin = 3.5;
        if (r.start == HighestPressure)
            r.pressMax = 1044.1;
        if (r.start == LowestPressure)
            r.pressMin = 962.4;
        if (r.start == Sunniest)
            r.solar = 1234.5;
    }
    // Wet from 1 to 6 October, 1 mm at noon each day.
    for (int day = 1; day <= 6; ++day)
        rain(at(10, day, 12, 0), 10, 0.1);
    // 30 mm between 10:00 and 11:00 on 12 October, whose UTC day is the 11th.
    rain(at(10, 12, 10, 0), 60, 0.5);
    // Too little to make 20 October wet.
    rain(at(10, 20, 12, 0), 1, 0.15);
    // A shower over midnight: 3 and 4 November are wet.
    rain(at(11, 3, 23, 50), 20, 0.05);
    return rows;
}

inline bool write(const QString &path, const QVector<archive::MinuteRow> &rows)
{
    ArchiveStore store;
    return store.open(path) == ArchiveStore::OpenResult::Ready && store.insert(rows).ok;
}

} // namespace planted

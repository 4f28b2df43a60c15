#pragma once

#include "historyquery.h"
#include "record/units.h"

#include <QHash>
#include <QPointF>
#include <QString>
#include <QVector>

// The history graphs' periods and series, shared by every view that draws
// them (the console's history window, the web pages): which period a range
// shows, reading it from the archive, and the named series in display units.
namespace archive {

// 24 h, 7 d, 30 d, 1 y.
enum HistoryRange
{
    DayRange,
    WeekRange,
    MonthRange,
    YearRange
};

qint64 rangeSeconds(int range);
// The longer ranges draw the temperature as one band per local day and the
// rain per local day; the shorter ones per bucket and per hour.
inline bool dailyRange(int range)
{
    return range > WeekRange;
}

// What one period of a range holds, in base units.
struct HistoryData
{
    qint64 from = 0;
    qint64 to = 0;
    int bucket = 60;
    QVector<Bucket> buckets;
    // Rain per hour or per local day (dailyRange), and the local days.
    QVector<Period> periods;
    QVector<Period> days;
};

// Reads [from, to) of the archive file, read-only, in buckets of `bucket`
// seconds; safe on any thread. A missing file reads as empty; false with
// `error` set when the archive could not be read.
bool readHistory(const QString &file, qint64 from, qint64 to, int bucket, int range,
    HistoryData *data, QString *error);

// Named series of (ms since the epoch, value) in display units: temp, dew,
// tempLow/tempHigh (per bucket, or stepped per day for the daily ranges),
// dayLow/dayHigh, hum, humLow/humHigh, press, pressLow/pressHigh (the
// pressure the units read), wind, gust, solar, solarZero, solarMax. Rain is
// left to the caller: each view draws it its own way from `periods`.
using SeriesMap = QHash<QString, QVector<QPointF>>;
SeriesMap historySeries(const HistoryData &data, int range, const DisplayUnits &units);

} // namespace archive

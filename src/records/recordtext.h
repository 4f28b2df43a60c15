#pragma once

#include "climatereport.h"
#include "recordbook.h"

#include <QByteArray>
#include <QString>
#include <QTimeZone>
#include <QVector>

// The records put into words and numbers for people and for other programs.
namespace records {

// "38.2 °C", "12 days": a record's value in the display units with its unit.
QString valueText(Quantity quantity, double value, const DisplayUnits &units);

// When a record was set, local time: "2026-07-14 15:32"; a day's or a
// month's rain gives its date or month, a spell its first and last day.
QString timeText(Quantity quantity, const Record &record, const QTimeZone &zone);

// The line for the log: "New record: highest temperature of all time,
// 38.2 °C at 2026-07-14 15:32 (was 37.9 °C at 2019-08-02 14:10)".
QString eventText(const RecordEvent &event, const DisplayUnits &units, const QTimeZone &zone);

// The MQTT message: base units and UTC times, like the state object.
QByteArray eventJson(const RecordEvent &event);

// One line of the records page: a quantity with its value and time in each
// scope; empty texts where a scope has no value yet.
struct RecordRow
{
    Quantity quantity;
    QString name;
    QString values[ScopeCount];
    QString times[ScopeCount];
};
QVector<RecordRow> recordRows(
    const RecordBook &book, const DisplayUnits &units, const QTimeZone &zone);

// The whole table for the web: the local year and month the scopes hold, then
// for each quantity (`record`, its key, and `name`) one object per scope
// (`all_time`, `year`, `month`; null while it has no value) with the value in
// base units and its UTC `time` (and `since` for a spell), as eventJson()
// has them, beside `text` and `local`, the value in the display units and the
// time in local words, as the Records page shows them.
QByteArray tableJson(const RecordBook &book, const DisplayUnits &units, const QTimeZone &zone);

} // namespace records

#pragma once

#include "archive/minuteaggregator.h"
#include "localcalendar.h"

#include <QJsonObject>
#include <QMetaType>
#include <QVector>

#include <optional>

// The station's records: all-time, this-year and this-month highs and lows,
// each with its time, kept by one pure update that takes one finished minute
// at a time. The live minutes and a rebuild from the archive go through the
// same update, so both give the same table.
namespace records {

enum class Quantity
{
    TempHigh,
    TempLow,
    DewHigh,
    DewLow,
    HumidityHigh,
    HumidityLow,
    PressureHigh, // sea level
    PressureLow,
    Wind, // a minute's mean
    Gust,
    RainRate, // a minute's rain, per hour
    RainDay, // a local day's rain
    RainMonth,
    Solar,
    DrySpell, // local days in a row with less than 0.2 mm
    WetSpell,
};
constexpr int QuantityCount = 16;

enum class Scope
{
    AllTime,
    Year, // the local year of the newest minute
    Month,
};
constexpr int ScopeCount = 3;

// What a quantity is measured in, for showing it.
enum class Kind
{
    Temperature,
    Humidity,
    Pressure,
    Speed,
    Rain,
    RainRate,
    Solar,
    Days,
};

struct QuantityInfo
{
    const char *key; // stable: the state file, MQTT and the web use it
    const char *name;
    Kind kind;
    bool lowest; // a record is a new lowest rather than a new highest
};
const QuantityInfo &info(Quantity quantity);
const char *scopeKey(Scope scope);
const char *scopeName(Scope scope);

// Base units: °C, %, hPa, m/s, mm, mm/h, W/m², days.
struct Record
{
    double value = archive::Missing;
    qint64 when = 0; // UTC: the minute it was reached; a spell's last minute
    qint64 since = 0; // a spell's first minute

    bool known() const;
    bool operator==(const Record &o) const;
    bool operator!=(const Record &o) const { return !(*this == o); }
};

// A record broken, for the log line, MQTT and the notifiers.
struct RecordEvent
{
    Quantity what = Quantity::TempHigh;
    Scope scope = Scope::AllTime;
    Record previous;
    Record now;
};

class RecordBook
{
public:
    RecordBook();

    // Takes one finished minute, as the archive keeps it (asStored), in time
    // order; a minute not after the newest one taken is passed over. Returns
    // the records broken that deserve a word: all-time and this-year ones
    // that had a value before, each the widest scope it beats, and each
    // quantity and scope at most once a local day, so a warm afternoon
    // creeping upwards says so once. This-month records change too often to
    // tell.
    QVector<RecordEvent> add(const archive::MinuteRow &row, LocalCalendar &calendar);

    const Record &record(Scope scope, Quantity quantity) const;
    // The local year and month the this-year and this-month scopes hold; 0
    // before any minute.
    int year() const { return openYear; }
    int month() const { return openMonth; }
    qint64 minutes() const { return count; }
    qint64 lastMinute() const { return last; }

    // Everything, running totals too, so that a book read back goes on as
    // the one written would have. `zone` names the calendar it was kept in.
    QJsonObject toJson(const QByteArray &zone) const;
    // Nothing, with `error` set, for anything not written by toJson() in
    // this zone.
    static std::optional<RecordBook> fromJson(
        const QJsonObject &json, const QByteArray &zone, QString *error);

    // The table and the running totals; not the once-a-day memory of events.
    bool operator==(const RecordBook &o) const;
    bool operator!=(const RecordBook &o) const { return !(*this == o); }

private:
    struct Run
    {
        int length = 0;
        bool dry = false;
        qint64 lastDay = 0;
        qint64 since = 0;
        bool operator==(const Run &o) const;
    };

    void openDay(qint64 day, qint64 firstMinute);
    void closeDay(QVector<RecordEvent> *events);
    // One candidate for each scope (a spell counts only the days inside it).
    void offer(Quantity q, const Record (&candidates)[ScopeCount], QVector<RecordEvent> *events);
    void offer(Quantity q, const Record &candidate, QVector<RecordEvent> *events);
    void clearScope(Scope s);

    Record table[ScopeCount][QuantityCount];
    Run runs[ScopeCount];
    qint64 count = 0;
    qint64 last = 0;
    qint64 day = 0;
    qint64 dayFirst = 0;
    int openYear = 0;
    int openMonth = 0;
    double dayRain = archive::Missing;
    double monthRain = archive::Missing;
    // The local day each quantity and scope last gave an event.
    qint64 told[ScopeCount][QuantityCount];
};

} // namespace records

Q_DECLARE_METATYPE(records::RecordEvent)

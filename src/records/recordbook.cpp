#include "recordbook.h"

#include "climateday.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <limits>

namespace records {

namespace {

constexpr int FormatVersion = 1;
constexpr qint64 NeverTold = std::numeric_limits<qint64>::min();

bool known(double value)
{
    return !std::isnan(value);
}

bool same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

double either(double preferred, double fallback)
{
    return known(preferred) ? preferred : fallback;
}

const QuantityInfo Infos[QuantityCount] = {
    { "temp_high", "highest temperature", Kind::Temperature, false },
    { "temp_low", "lowest temperature", Kind::Temperature, true },
    { "dew_high", "highest dew point", Kind::Temperature, false },
    { "dew_low", "lowest dew point", Kind::Temperature, true },
    { "humidity_high", "highest humidity", Kind::Humidity, false },
    { "humidity_low", "lowest humidity", Kind::Humidity, true },
    { "pressure_high", "highest sea-level pressure", Kind::Pressure, false },
    { "pressure_low", "lowest sea-level pressure", Kind::Pressure, true },
    { "wind", "strongest wind", Kind::Speed, false },
    { "gust", "strongest gust", Kind::Speed, false },
    { "rain_rate", "highest rain rate", Kind::RainRate, false },
    { "rain_day", "wettest day", Kind::Rain, false },
    { "rain_month", "wettest month", Kind::Rain, false },
    { "solar", "highest solar radiation", Kind::Solar, false },
    { "dry_spell", "longest dry spell", Kind::Days, false },
    { "wet_spell", "longest wet spell", Kind::Days, false },
};

QJsonValue number(double value)
{
    return known(value) ? QJsonValue(value) : QJsonValue();
}

double numberOf(const QJsonValue &value)
{
    return value.isDouble() ? value.toDouble() : archive::Missing;
}

// Whole seconds survive a double exactly up to 2^53; a damaged file may
// hold anything, and a double out of range has no qint64.
qint64 timeOf(const QJsonValue &value)
{
    constexpr double Limit = 9007199254740992.0;
    return qint64(std::clamp(value.toDouble(), -Limit, Limit));
}

} // namespace

const QuantityInfo &info(Quantity quantity)
{
    return Infos[int(quantity)];
}

const char *scopeKey(Scope scope)
{
    static const char *const keys[] = { "all_time", "year", "month" };
    return keys[int(scope)];
}

const char *scopeName(Scope scope)
{
    static const char *const names[] = { "of all time", "this year", "this month" };
    return names[int(scope)];
}

bool Record::known() const
{
    return !std::isnan(value);
}

bool Record::operator==(const Record &o) const
{
    return same(value, o.value) && when == o.when && since == o.since;
}

bool RecordBook::Run::operator==(const Run &o) const
{
    return length == o.length && dry == o.dry && lastDay == o.lastDay && since == o.since;
}

RecordBook::RecordBook()
{
    for (auto &scope : told)
        for (qint64 &when : scope)
            when = NeverTold;
}

const Record &RecordBook::record(Scope scope, Quantity quantity) const
{
    return table[int(scope)][int(quantity)];
}

void RecordBook::clearScope(Scope s)
{
    for (Record &r : table[int(s)])
        r = Record();
    runs[int(s)] = Run();
}

void RecordBook::openDay(qint64 number, qint64 firstMinute)
{
    const QDate date = LocalCalendar::dateOf(number);
    if (date.year() != openYear) {
        clearScope(Scope::Year);
        clearScope(Scope::Month);
        monthRain = archive::Missing;
    } else if (date.month() != openMonth) {
        clearScope(Scope::Month);
        monthRain = archive::Missing;
    }
    openYear = date.year();
    openMonth = date.month();
    day = number;
    dayFirst = firstMinute;
    dayRain = archive::Missing;
}

void RecordBook::closeDay(QVector<RecordEvent> *events)
{
    // A day without a gauge is neither: it ends any spell.
    const bool status = known(dayRain);
    const bool dry = status && dryDay(dayRain);
    Record dryCandidates[ScopeCount];
    Record wetCandidates[ScopeCount];
    for (int s = 0; s < ScopeCount; ++s) {
        Run &run = runs[s];
        if (!status) {
            run = Run();
            continue;
        }
        if (run.length > 0 && run.dry == dry && run.lastDay == day - 1) {
            ++run.length;
        } else {
            run.length = 1;
            run.dry = dry;
            run.since = dayFirst;
        }
        run.lastDay = day;
        Record candidate { double(run.length), last, run.since };
        (dry ? dryCandidates : wetCandidates)[s] = candidate;
    }
    offer(Quantity::DrySpell, dryCandidates, events);
    offer(Quantity::WetSpell, wetCandidates, events);
}

void RecordBook::offer(Quantity q, const Record &candidate, QVector<RecordEvent> *events)
{
    const Record candidates[ScopeCount] = { candidate, candidate, candidate };
    offer(q, candidates, events);
}

void RecordBook::offer(
    Quantity q, const Record (&candidates)[ScopeCount], QVector<RecordEvent> *events)
{
    const bool lowest = info(q).lowest;
    int widest = -1;
    Record previous;
    for (int s = ScopeCount - 1; s >= 0; --s) {
        const Record &c = candidates[s];
        Record &r = table[s][int(q)];
        if (!c.known())
            continue;
        if (r.known() && (lowest ? c.value >= r.value : c.value <= r.value))
            continue;
        widest = s;
        previous = r;
        r = c;
    }
    if (widest < 0 || widest == int(Scope::Month) || !previous.known() || !events)
        return;
    qint64 &lastTold = told[widest][int(q)];
    if (lastTold == day)
        return;
    lastTold = day;
    events->append({ q, Scope(widest), previous, candidates[widest] });
}

QVector<RecordEvent> RecordBook::add(const archive::MinuteRow &r, LocalCalendar &calendar)
{
    QVector<RecordEvent> events;
    if (count > 0 && r.start <= last)
        return events;
    const qint64 number = calendar.dayOf(r.start);
    if (count == 0) {
        openDay(number, r.start);
    } else if (number > day) {
        // A local day that goes back (an offset set back over midnight)
        // stays in the day it came from.
        closeDay(&events);
        openDay(number, r.start);
    }
    // The first minute after a gap holds the rain of the whole gap (the
    // archive carries what fell while the console was off into it): an
    // amount, not a rate.
    const bool follows = count > 0 && r.start - last == 60;
    last = r.start;
    ++count;

    const auto at = [&r](double value) { return Record { value, r.start, 0 }; };
    offer(Quantity::TempHigh, at(either(r.tempMax, r.temp)), &events);
    offer(Quantity::TempLow, at(either(r.tempMin, r.temp)), &events);
    offer(Quantity::DewHigh, at(r.dew), &events);
    offer(Quantity::DewLow, at(r.dew), &events);
    offer(Quantity::HumidityHigh, at(either(r.humMax, r.hum)), &events);
    offer(Quantity::HumidityLow, at(either(r.humMin, r.hum)), &events);
    offer(Quantity::PressureHigh, at(either(r.pressMax, r.press)), &events);
    offer(Quantity::PressureLow, at(either(r.pressMin, r.press)), &events);
    offer(Quantity::Wind, at(r.wind), &events);
    offer(Quantity::Gust, at(either(r.gust, r.wind)), &events);
    offer(Quantity::Solar, at(r.solar), &events);
    if (known(r.rain)) {
        dayRain = (known(dayRain) ? dayRain : 0) + r.rain;
        monthRain = (known(monthRain) ? monthRain : 0) + r.rain;
        if (follows)
            offer(Quantity::RainRate, at(r.rain * 60), &events);
        offer(Quantity::RainDay, at(dayRain), &events);
        offer(Quantity::RainMonth, at(monthRain), &events);
    }
    return events;
}

QJsonObject RecordBook::toJson(const QByteArray &zone) const
{
    QJsonObject scopes;
    for (int s = 0; s < ScopeCount; ++s) {
        QJsonObject list;
        for (int q = 0; q < QuantityCount; ++q) {
            const Record &r = table[s][q];
            if (r.known())
                list.insert(QLatin1String(Infos[q].key),
                    QJsonArray { r.value, double(r.when), double(r.since) });
        }
        const Run &run = runs[s];
        list.insert(QStringLiteral("run"),
            QJsonArray { run.length, run.dry, double(run.lastDay), double(run.since) });
        scopes.insert(QLatin1String(scopeKey(Scope(s))), list);
    }
    return {
        { QStringLiteral("version"), FormatVersion },
        { QStringLiteral("zone"), QString::fromUtf8(zone) },
        { QStringLiteral("minutes"), double(count) },
        { QStringLiteral("last"), double(last) },
        { QStringLiteral("day"), double(day) },
        { QStringLiteral("day_first"), double(dayFirst) },
        { QStringLiteral("year"), openYear },
        { QStringLiteral("month"), openMonth },
        { QStringLiteral("day_rain"), number(dayRain) },
        { QStringLiteral("month_rain"), number(monthRain) },
        { QStringLiteral("records"), scopes },
    };
}

std::optional<RecordBook> RecordBook::fromJson(
    const QJsonObject &json, const QByteArray &zone, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (json.value(QStringLiteral("version")).toInt() != FormatVersion)
        return fail(QStringLiteral("not a records file of this version"));
    if (json.value(QStringLiteral("zone")).toString().toUtf8() != zone)
        return fail(QStringLiteral("kept in another time zone"));
    RecordBook book;
    book.count = timeOf(json.value(QStringLiteral("minutes")));
    book.last = timeOf(json.value(QStringLiteral("last")));
    book.day = timeOf(json.value(QStringLiteral("day")));
    book.dayFirst = timeOf(json.value(QStringLiteral("day_first")));
    book.openYear = json.value(QStringLiteral("year")).toInt();
    book.openMonth = json.value(QStringLiteral("month")).toInt();
    book.dayRain = numberOf(json.value(QStringLiteral("day_rain")));
    book.monthRain = numberOf(json.value(QStringLiteral("month_rain")));
    if (book.count < 0 || (book.count > 0 && (book.openMonth < 1 || book.openMonth > 12)))
        return fail(QStringLiteral("its running totals make no sense"));
    const QJsonObject scopes = json.value(QStringLiteral("records")).toObject();
    for (int s = 0; s < ScopeCount; ++s) {
        const QJsonObject list = scopes.value(QLatin1String(scopeKey(Scope(s)))).toObject();
        for (int q = 0; q < QuantityCount; ++q) {
            const QJsonValue entry = list.value(QLatin1String(Infos[q].key));
            if (entry.isUndefined())
                continue;
            const QJsonArray a = entry.toArray();
            if (a.size() != 3 || !a.at(0).isDouble())
                return fail(QStringLiteral("a record is damaged"));
            book.table[s][q] = { a.at(0).toDouble(), timeOf(a.at(1)), timeOf(a.at(2)) };
        }
        const QJsonArray run = list.value(QStringLiteral("run")).toArray();
        if (run.size() != 4)
            return fail(QStringLiteral("a spell is damaged"));
        book.runs[s]
            = { run.at(0).toInt(), run.at(1).toBool(), timeOf(run.at(2)), timeOf(run.at(3)) };
    }
    return book;
}

bool RecordBook::operator==(const RecordBook &o) const
{
    for (int s = 0; s < ScopeCount; ++s) {
        if (!(runs[s] == o.runs[s]))
            return false;
        for (int q = 0; q < QuantityCount; ++q)
            if (table[s][q] != o.table[s][q])
                return false;
    }
    return count == o.count && last == o.last && day == o.day && dayFirst == o.dayFirst
        && openYear == o.openYear && openMonth == o.openMonth && same(dayRain, o.dayRain)
        && same(monthRain, o.monthRain);
}

} // namespace records

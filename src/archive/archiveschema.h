#pragma once

#include "minuteaggregator.h"

#include <QString>
#include <QVariant>
#include <QVector>

// The archive's tables. Values are kept as whole numbers of a fixed fraction
// of their base unit (hundredths of a degree Celsius, and so on): SQLite then
// stores most of them in two or three bytes instead of eight, which keeps a
// year of minutes near 35 MB. The view `minute_values` shows them in the base
// units themselves for anyone reading the file.
//
//   minutes  one row per UTC minute with a good cycle
//   tens     the minutes folded per 10 minutes, kept in the same transaction
//   hours    the same per hour
//   days     the hours folded per UTC day
// so a graph of a year reads a few hundred rows, not half a million.
namespace archive {

// PRAGMA user_version of the tables below; a later version migrates from it.
constexpr int SchemaVersion = 1;

// The rollup tables and the period (seconds) each folds.
struct Tier
{
    const char *table;
    int seconds;
};
constexpr Tier Minutes { "minutes", 60 };
constexpr Tier Tens { "tens", 600 };
constexpr Tier Hours { "hours", 3600 };
constexpr Tier Days { "days", 86400 };

// Scale of each stored column: stored = round(value * scale).
namespace scale {
constexpr double Temperature = 100; // °C
constexpr double Humidity = 100; // %
constexpr double Pressure = 100; // hPa
constexpr double Speed = 100; // m/s
constexpr double Direction = 10; // degrees
constexpr double Rain = 1000; // mm
constexpr double Solar = 10; // W/m²
constexpr double Distance = 10; // km
} // namespace scale

// Statements that create every table, index and view of an empty archive.
QVector<QString> createStatements();

// INSERT OR IGNORE of one minute row, with positional placeholders in the
// order minuteValues() gives them.
QString insertMinuteSql();

// The stored form of each value of `row`, in insertMinuteSql() order; a
// missing value is a null QVariant.
QVector<QVariant> minuteValues(const MinuteRow &row);

// The station's rain total at the last minute archived live, one row that
// each live write replaces: where a new run's rain count starts. Made on
// every opening, so archives from before it gain it too.
QString createRainMarkSql();
QString selectRainMarkSql(); // t, total
QString replaceRainMarkSql(); // ?, ?: t, total

// Refolds the rollup rows of `tier` in [:from, :to), both ends multiples of
// its period: from the minutes, or for days from the hours. No aggregate in
// it can overflow, whatever the rows hold.
QString rollupSql(const Tier &tier);

// The sum of `column` as SQL that never overflows: NULL when every value is.
QString sumOf(const char *column);

} // namespace archive

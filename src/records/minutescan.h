#pragma once

#include "archive/minuteaggregator.h"

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

// Reading the archive's minutes back for the records and the climate
// reports, in one pass that feeds both.
namespace records {

// A minute as the archive keeps it: each value rounded to its column's
// stored fraction. Live minutes go through this before they count, so a
// table rebuilt from the archive is the very table the live minutes built.
archive::MinuteRow asStored(const archive::MinuteRow &row);

// Returns false to stop the reading.
using MinuteVisitor = std::function<bool(const archive::MinuteRow &)>;

// Calls `visit` with each archived minute in [from, to) in time order, with
// the values the records and reports use (strikes and station pressure are
// left out). False with `error` set when the query failed.
bool scanMinutes(
    const QSqlDatabase &db, qint64 from, qint64 to, const MinuteVisitor &visit, QString *error);

// The start of the newest archived minute; nullopt in an empty archive.
bool lastArchivedMinute(const QSqlDatabase &db, std::optional<qint64> *last, QString *error);

// How many minutes the archive holds up to and including `last`.
bool countMinutes(const QSqlDatabase &db, qint64 last, qint64 *count, QString *error);

// Opens an archive file read-only under `connection` (which the caller
// removes); false when it is not there, since opening would make one.
bool openReadOnly(const QString &connection, const QString &path, QString *error);

} // namespace records

#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>

// The rain the archive holds for a span of time, for the services that report
// the rain of the last hour or day (the weather networks).
namespace archive {

// Millimetres in the minutes of [from, to) (UTC epoch seconds); nothing when
// no minute there carries rain. False with `error` set when the query failed.
bool queryRain(
    const QSqlDatabase &db, qint64 from, qint64 to, std::optional<double> *mm, QString *error);

// The same from the archive file, on a read-only connection of its own: the
// writer keeps its connection on its thread, and with the write-ahead log a
// reader never waits for it. Nothing when the file is not there or cannot be
// read (logged).
std::optional<double> rainTotal(const QString &file, qint64 from, qint64 to);

} // namespace archive

#pragma once

#include "climateday.h"
#include "recordbook.h"

#include <QString>
#include <QTimeZone>

#include <atomic>

// Bringing the records up to date with the archive at start-up or on request.
namespace records {

struct Loaded
{
    RecordBook book;
    // The local year of the newest minute, for the reports.
    DayFolder days;
    bool rebuilt = false;
    bool ok = true;
    QString note; // what was done, or why nothing could be
};

// Reads the records file and catches up with the archive's minutes after
// it. Rebuilds from the whole archive instead when asked to, or when the
// file is missing, damaged, written in another time zone, or has seen fewer
// minutes than the archive holds up to its last one (an import, or minutes
// archived while the records were off). Reading stops early, with `ok`
// false, once `cancel` is set.
Loaded loadRecords(const QString &stateFile, const QString &archiveFile, const QTimeZone &zone,
    bool rebuild, const std::atomic<bool> *cancel = nullptr);

// Writes the records file in one piece (a crash leaves the old one).
bool saveRecords(
    const QString &stateFile, const RecordBook &book, const QByteArray &zone, QString *error);

} // namespace records

#pragma once

#include "record/units.h"
#include "weathermodel.h"

#include <QDateTime>
#include <QString>

// The simulator's past: steps the weather second by second up to a time and
// writes what the console's data log would have written meanwhile, through
// the data log itself, so the files are the real format.
namespace station {

struct HistoryOptions
{
    QString folder; // must exist
    QDateTime end; // local time the history stops at
    int days = 30;
    int logSeconds = 60; // one row every this many seconds
    quint32 seed = 1;
    Site site;
    // The console's display units the rows are written in.
    DisplayUnits units;
};

// Writes one file per local day into `folder` ("logfile-yyyy-MM-dd.csv") and
// returns the number of rows written.
int writeHistory(const HistoryOptions &options);

// "T,P,S,D,A": the five unit indexes of HistoryOptions, in that order.
bool parseUnits(const QString &text, HistoryOptions *options);

} // namespace station

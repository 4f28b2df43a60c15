#pragma once

#include "record/logcolumns.h"

#include <QByteArray>
#include <QDateTime>

// The byte form of the daily CSV log, kept free of files and of the process
// locale: every number is written the same way whatever LC_NUMERIC says.
namespace csvrow {

#ifdef Q_OS_WIN
constexpr char LineEnd[] = "\r\n";
#else
constexpr char LineEnd[] = "\n";
#endif

// The header line, line end included.
QByteArray csvHeader();

// printf "%g" (6 significant digits) as in the C locale: 1013.25, 29.9247,
// -999, 0, 1e+06, 1.23457e-05.
void appendDouble(QByteArray &out, double value);
QByteArray formatDouble(double value);

// One data row, line end included. `time` is written in UTC.
QByteArray formatCsvRow(int index, const QDateTime &time, const LogRow &row);

// What the end of a log file tells about its last row.
struct LastRow
{
    enum Status
    {
        Found, // `field` holds the text before the last line's first comma
        NoFinalLineFeed, // the file does not end with a line feed
        StartsBeforeTail, // the last line began before the bytes looked at
    };
    Status status = NoFinalLineFeed;
    QByteArray field;
    QByteArray line; // the whole last line when Found, without its line end
};

// `tail` is the end of the file; `wholeFile` says it begins at the file's
// first byte, so a last line without an earlier line feed starts there.
LastRow lastRow(const QByteArray &tail, bool wholeFile);

// The text of field `index` (from 0) of a line; empty when the line has fewer.
QByteArray fieldOf(const QByteArray &line, int index);

// atol-style: leading blanks, an optional sign, digits up to the first
// non-digit; 0 when there are none. Saturates at the int range.
int leadingInteger(const QByteArray &text);

} // namespace csvrow

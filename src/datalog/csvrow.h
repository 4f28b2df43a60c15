#pragma once

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

// One row's values, already in the display units of the moment.
struct LogRow
{
    double wind = 0;
    double windDir = 0;
    double wind2 = 0;
    double windDir2 = 0;
    double wind10 = 0;
    double windDir10 = 0;
    double windGust = 0;
    double windDirGust = 0;
    int wdsStatus = 0;
    double airTemp = 0;
    double humidity = 0;
    double pressure = 0;
    double pressureTemp = 0;
    double pressureTrend = 0;
    int tphStatus = 0;
    double rainInc = 0;
    double rainDay = 0;
    double rainRate = 0;
    double analog1 = 0;
    double analog2 = 0;
    int batteryVoltage = 0;
    int inputVoltage = 0;
    int chargerStatus = 0;
    int cmTemperature = 0;
    int lightningStrikes = 0;
    double lightningDistance = 0;
    int lightningNoise = 0;
    int lightningDisturbers = 0;
};

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
};

// `tail` is the end of the file; `wholeFile` says it begins at the file's
// first byte, so a last line without an earlier line feed starts there.
LastRow lastRow(const QByteArray &tail, bool wholeFile);

// atol-style: leading blanks, an optional sign, digits up to the first
// non-digit; 0 when there are none. Saturates at the int range.
int leadingInteger(const QByteArray &text);

} // namespace csvrow

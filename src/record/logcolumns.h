#pragma once

#include "stationvalues.h"
#include "units.h"

#include <array>

// One row of the data log's daily CSV file after its index and timestamp,
// already in the display units of the moment. Whole-number columns hold
// whole numbers.
struct LogRow
{
    // Speed and direction: now, 2-minute and 10-minute means, the gust.
    double wind = 0, windDir = 0, wind2 = 0, windDir2 = 0;
    double wind10 = 0, windDir10 = 0, windGust = 0, windDirGust = 0;
    double wdsStatus = 0;
    double airTemp = 0, humidity = 0, pressure = 0, pressureTemp = 0, pressureTrend = 0;
    double tphStatus = 0;
    // Since the row before, today's, and the rate.
    double rainInc = 0, rainDay = 0, rainRate = 0;
    double analog1 = 0, analog2 = 0;
    double batteryVoltage = 0, inputVoltage = 0, chargerStatus = 0, cmTemperature = 0;
    // Strikes, noise and disturbers since the row before; the nearest strike.
    double lightningStrikes = 0, lightningDistance = 0, lightningNoise = 0;
    double lightningDisturbers = 0;
};

// The columns of the data log in file order, after "Index" and "Date/Time
// (UTC)": the writer and the import's reader both go by this table, so a
// column's place is written down once.
struct LogColumn
{
    const char *header;
    double LogRow::*field;
    bool whole; // written as a whole number
    Measure measure; // the display unit it is written in
    // The station's value it is written from, in base units; null for the
    // columns the data log counts itself (rain since the last row, lightning
    // since the last row) and for the pressure, which the settings choose.
    double (*from)(const StationValues &values) = nullptr;
};

constexpr int LogValueColumns = 28;
const std::array<LogColumn, LogValueColumns> &logColumns();
// The column that holds `field`.
const LogColumn &logColumn(double LogRow::*field);
// Where the column of `field` stands in a line of the file, counting from 0
// (the index and the timestamp come first).
int logFieldIndex(double LogRow::*field);

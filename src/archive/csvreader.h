#pragma once

#include "minuteaggregator.h"
#include "record/units.h"

#include <QByteArray>
#include <QVector>

#include <map>

// Reads the data log's daily CSV rows back into base-unit samples. The rows
// carry no unit: the caller says which display units they were written in.
namespace archive {

struct CsvUnits
{
    // As the data log used them; with PressureReading::Station the pressure
    // column is station pressure, with RainGauge::Inches rain is in inches.
    DisplayUnits units;
    int solarInput = 0; // analog input (1 or 2) holding a solar sensor; 0 none
};

struct CsvLine
{
    QVector<Sample> samples; // usually one; a glued line may hold a whole row at its end
    int skipped = 0; // rows, or parts of rows, that could not be read
    int rejected = 0; // values of the samples outside physical bounds, left out
    bool header = false;
};

// One line without its line end. A blank line gives nothing and skips
// nothing. A line glued onto an unfinished one gives the whole row found in
// it and counts the unfinished part as skipped.
CsvLine parseCsvLine(const QByteArray &line, const CsvUnits &units);

// Folds samples in any order into minute rows, in time order.
class MinuteFolder
{
public:
    void add(const Sample &sample);
    QVector<MinuteRow> rows() const;
    bool empty() const { return minutes.empty(); }

private:
    std::map<qint64, MinuteAccumulator> minutes;
};

} // namespace archive

#pragma once

#include "climateday.h"
#include "record/units.h"

#include <QString>
#include <QTimeZone>
#include <QVector>

// The monthly and yearly climate summaries in the traditional fixed-width
// layout the national weather services publish, as plain text. Pure
// functions of the folded days.
namespace records {

// The usual base of heating and cooling degree days, °C (65 °F).
constexpr double DefaultDegreeDayBase = 18.3;

struct ReportOptions
{
    DisplayUnits units;
    double degreeDayBase = DefaultDegreeDayBase; // °C
    // For the times of day shown.
    QTimeZone zone = QTimeZone::systemTimeZone();
};

// One row per day of the month (dashes for a day without minutes), then the
// month's summary and its day counts.
QString monthReport(
    int year, int month, const QVector<ClimateDay> &days, const ReportOptions &options);

// One row per month in three tables (temperature, rain, wind), each with the
// year's summary. `days` may hold other years' days too.
QString yearReport(int year, const QVector<ClimateDay> &days, const ReportOptions &options);

} // namespace records

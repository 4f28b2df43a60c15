#pragma once

#include "archive/minuteaggregator.h"
#include "localcalendar.h"

#include <QDate>
#include <QSqlDatabase>
#include <QVector>

// The local days the climate reports are made of, folded from the archive's
// minutes, and the summary of a month or a year of them. Base units: °C, mm,
// m/s; times are UTC epoch seconds.
namespace records {

// A local day with less rain than this is dry.
constexpr double DryDayMm = 0.2;

// True for a day's rain under DryDayMm, allowing for sums of thousandths.
bool dryDay(double rainMm);

struct ClimateDay
{
    QDate date;
    int minutes = 0;
    double tempSum = 0;
    int tempCount = 0;
    double high = archive::Missing;
    qint64 highAt = 0;
    double low = archive::Missing;
    qint64 lowAt = 0;
    double rain = archive::Missing; // Missing when no minute had a gauge
    double windSum = 0;
    int windCount = 0;
    double gust = archive::Missing;
    qint64 gustAt = 0;
    // The wind's run as a vector (speed times the unit vector the wind
    // blows from), for the dominant direction.
    double east = 0;
    double north = 0;

    void add(const archive::MinuteRow &row);
    double meanTemp() const;
    double meanWind() const;
    double direction() const;
};

// The direction (degrees) of a summed wind vector; Missing when it is
// none, as in calm or in winds that cancel out.
double directionOf(double east, double north);

// One of the 16 compass points ("N", "NNE", ...) for a direction.
const char *compassPoint(double degrees);

// Degree days of a day from its mean temperature; 0 without one.
double heatingDegrees(const ClimateDay &day, double base);
double coolingDegrees(const ClimateDay &day, double base);

// Folds minutes, in time order, into their local days.
class DayFolder
{
public:
    void add(const archive::MinuteRow &row, LocalCalendar &calendar);
    const QVector<ClimateDay> &days() const { return list; }
    void clear() { list.clear(); }
    // The days of [first, last] that have minutes.
    QVector<ClimateDay> between(const QDate &first, const QDate &last) const;

private:
    QVector<ClimateDay> list;
};

// A month or a year of days. Means of temperature are means of the daily
// means (the climatological habit), the wind's is over every minute.
struct ClimateSummary
{
    int days = 0; // days with minutes
    double meanTemp = archive::Missing;
    double meanHigh = archive::Missing;
    double meanLow = archive::Missing;
    double high = archive::Missing;
    QDate highDate;
    double low = archive::Missing;
    QDate lowDate;
    double heating = 0;
    double cooling = 0;
    double rain = archive::Missing;
    double wettest = archive::Missing;
    QDate wettestDate;
    double meanWind = archive::Missing;
    double gust = archive::Missing;
    QDate gustDate;
    double direction = archive::Missing;
};

ClimateSummary summarize(const QVector<ClimateDay> &days, double degreeDayBase);

// Reads the local days [first, last] from the archive.
bool queryDays(const QSqlDatabase &db, const QDate &first, const QDate &last,
    LocalCalendar &calendar, QVector<ClimateDay> *days, QString *error);

} // namespace records

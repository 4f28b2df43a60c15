#pragma once

#include <QDate>

struct StationValues;

// Follow air temperature, humidity, adjusted and station pressure. Call right
// after a good data-block decode. A first reading replaces both sentinels.
void updateExtremes(StationValues &v);

// Follow the altimeter setting; call after it has been computed.
void updateAltimeterExtremes(StationValues &v);

// Start a new day: every pair goes back to its sentinels, so the pages show
// "--" until the day's first good reading fills both sides.
void resetDailyExtremes(StationValues &v);

// Tells when the local calendar date has changed between two ticks, in either
// direction, so sleep across midnight, DST changes and clocks set back behave.
// The caller supplies the date (QDateTime::currentDateTime().date() in the
// program) and logs "New day detected" when tick() returns true.
class NewDayDetector
{
public:
    explicit NewDayDetector(QDate today);

    // True when `today` differs from the date of the previous tick. An invalid
    // date is ignored; a valid date after an invalid start is adopted silently.
    bool tick(QDate today);

    QDate lastDate() const { return last; }

private:
    QDate last;
};

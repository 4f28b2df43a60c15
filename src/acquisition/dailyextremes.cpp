#include "dailyextremes.h"

#include "stationdata.h"

namespace {

// Two independent strict tests, so the first reading replaces both sentinels.
void follow(double value, double &high, double &low)
{
    if (value > high)
        high = value;
    if (value < low)
        low = value;
}

} // namespace

void updateExtremes(StationValues &v)
{
    follow(v.airTemp, v.airTempH, v.airTempL);
    follow(v.humidity, v.humidityH, v.humidityL);
    follow(v.pressure, v.pressureH, v.pressureL);
    follow(v.pressureRaw, v.pressureRawH, v.pressureRawL);
}

void updateAltimeterExtremes(StationValues &v)
{
    follow(v.altimeter, v.highAltimeter, v.lowAltimeter);
}

void resetDailyExtremes(StationValues &v)
{
    // Not the last value read: that may be from yesterday, or the 0 of a
    // station never read, and the pages would show it as today's extreme.
    v.airTempH = v.humidityH = v.pressureH = v.pressureRawH = v.highAltimeter
        = StationValues::NoHigh;
    v.airTempL = v.humidityL = v.pressureL = v.pressureRawL = v.lowAltimeter = StationValues::NoLow;
}

NewDayDetector::NewDayDetector(QDate today)
    : last(today)
{
}

bool NewDayDetector::tick(QDate today)
{
    if (!today.isValid())
        return false;
    const bool changed = last.isValid() && today != last;
    last = today;
    return changed;
}

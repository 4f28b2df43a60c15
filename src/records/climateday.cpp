#include "climateday.h"

#include "minutescan.h"

#include <algorithm>
#include <cmath>

namespace records {

namespace {

constexpr double Pi = 3.14159265358979323846;

bool known(double value)
{
    return !std::isnan(value);
}

double either(double preferred, double fallback)
{
    return known(preferred) ? preferred : fallback;
}

double mean(double sum, int count)
{
    return count > 0 ? sum / count : archive::Missing;
}

} // namespace

bool dryDay(double rainMm)
{
    return rainMm < DryDayMm - 1e-9;
}

void ClimateDay::add(const archive::MinuteRow &r)
{
    ++minutes;
    if (known(r.temp)) {
        tempSum += r.temp;
        ++tempCount;
    }
    // The first minute to reach an extreme gives its time.
    const double top = either(r.tempMax, r.temp);
    if (known(top) && (!known(high) || top > high)) {
        high = top;
        highAt = r.start;
    }
    const double bottom = either(r.tempMin, r.temp);
    if (known(bottom) && (!known(low) || bottom < low)) {
        low = bottom;
        lowAt = r.start;
    }
    if (known(r.rain))
        rain = (known(rain) ? rain : 0) + r.rain;
    if (known(r.wind)) {
        windSum += r.wind;
        ++windCount;
        if (known(r.windDir)) {
            east += r.wind * std::sin(r.windDir * Pi / 180);
            north += r.wind * std::cos(r.windDir * Pi / 180);
        }
    }
    const double strongest = either(r.gust, r.wind);
    if (known(strongest) && (!known(gust) || strongest > gust)) {
        gust = strongest;
        gustAt = r.start;
    }
}

double ClimateDay::meanTemp() const
{
    return mean(tempSum, tempCount);
}

double ClimateDay::meanWind() const
{
    return mean(windSum, windCount);
}

double ClimateDay::direction() const
{
    return directionOf(east, north);
}

double directionOf(double east, double north)
{
    if (std::hypot(east, north) < 1e-6)
        return archive::Missing;
    const double degrees = std::atan2(east, north) * 180 / Pi;
    return degrees < 0 ? degrees + 360 : degrees;
}

const char *compassPoint(double degrees)
{
    static const char *const points[] = { "N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE", "S",
        "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW" };
    if (!known(degrees))
        return "---";
    const int index = int(std::floor(std::fmod(degrees + 11.25, 360.0) / 22.5));
    return points[std::clamp(index, 0, 15)];
}

double heatingDegrees(const ClimateDay &day, double base)
{
    const double t = day.meanTemp();
    return known(t) ? std::max(0.0, base - t) : 0;
}

double coolingDegrees(const ClimateDay &day, double base)
{
    const double t = day.meanTemp();
    return known(t) ? std::max(0.0, t - base) : 0;
}

void DayFolder::add(const archive::MinuteRow &row, LocalCalendar &calendar)
{
    const QDate date = calendar.localDate(row.start);
    if (list.isEmpty() || list.back().date < date) {
        ClimateDay day;
        day.date = date;
        list.append(day);
        list.back().add(row);
        return;
    }
    // A clock set back, or an offset that moves back over midnight, gives an
    // earlier day again: it joins the day it belongs to.
    const auto at = std::lower_bound(list.begin(), list.end(), date,
        [](const ClimateDay &d, const QDate &wanted) { return d.date < wanted; });
    if (at != list.end() && at->date == date) {
        at->add(row);
        return;
    }
    ClimateDay day;
    day.date = date;
    day.add(row);
    list.insert(at, day);
}

QVector<ClimateDay> DayFolder::between(const QDate &first, const QDate &last) const
{
    QVector<ClimateDay> result;
    for (const ClimateDay &d : list)
        if (d.date >= first && d.date <= last)
            result.append(d);
    return result;
}

ClimateSummary summarize(const QVector<ClimateDay> &days, double base)
{
    ClimateSummary s;
    double tempSum = 0, highSum = 0, lowSum = 0, windSum = 0, east = 0, north = 0;
    int tempDays = 0, highDays = 0, lowDays = 0, windMinutes = 0;
    for (const ClimateDay &d : days) {
        if (d.minutes == 0)
            continue;
        ++s.days;
        if (d.tempCount > 0) {
            tempSum += d.meanTemp();
            ++tempDays;
            s.heating += heatingDegrees(d, base);
            s.cooling += coolingDegrees(d, base);
        }
        if (known(d.high)) {
            highSum += d.high;
            ++highDays;
            if (!known(s.high) || d.high > s.high) {
                s.high = d.high;
                s.highDate = d.date;
            }
        }
        if (known(d.low)) {
            lowSum += d.low;
            ++lowDays;
            if (!known(s.low) || d.low < s.low) {
                s.low = d.low;
                s.lowDate = d.date;
            }
        }
        if (known(d.rain)) {
            s.rain = (known(s.rain) ? s.rain : 0) + d.rain;
            if (!known(s.wettest) || d.rain > s.wettest) {
                s.wettest = d.rain;
                s.wettestDate = d.date;
            }
        }
        windSum += d.windSum;
        windMinutes += d.windCount;
        east += d.east;
        north += d.north;
        if (known(d.gust) && (!known(s.gust) || d.gust > s.gust)) {
            s.gust = d.gust;
            s.gustDate = d.date;
        }
    }
    s.meanTemp = mean(tempSum, tempDays);
    s.meanHigh = mean(highSum, highDays);
    s.meanLow = mean(lowSum, lowDays);
    s.meanWind = mean(windSum, windMinutes);
    s.direction = directionOf(east, north);
    return s;
}

bool queryDays(const QSqlDatabase &db, const QDate &first, const QDate &last,
    LocalCalendar &calendar, QVector<ClimateDay> *days, QString *error)
{
    DayFolder folder;
    const bool ok = scanMinutes(
        db, LocalCalendar::spanFrom(first), LocalCalendar::spanTo(last),
        [&](const archive::MinuteRow &row) {
            folder.add(row, calendar);
            return true;
        },
        error);
    *days = ok ? folder.between(first, last) : QVector<ClimateDay>();
    return ok;
}

} // namespace records

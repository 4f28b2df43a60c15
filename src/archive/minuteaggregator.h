#pragma once

#include "record/counters.h"

#include <QVector>
#include <QtGlobal>

#include <array>
#include <limits>
#include <optional>

struct StationCycle;

namespace archive {

// Marks a quantity that was not measured; stored as NULL.
constexpr double Missing = std::numeric_limits<double>::quiet_NaN();

// One observation in base units: °C, %, hPa, m/s, degrees, mm, km, W/m². The
// live cycles and the imported log rows both come down to these.
struct Sample
{
    qint64 utc = 0; // epoch seconds
    double temp = Missing;
    double hum = Missing;
    double press = Missing; // reduced to mean sea level
    double pressStn = Missing; // at the station
    double dew = Missing;
    double wind = Missing;
    double windDir = Missing;
    double gust = Missing; // the highest wind of the sample
    double gustDir = Missing;
    double rain = Missing; // fallen since the previous sample; Missing without a gauge
    double rainTotal = Missing; // the station's day total; live samples with a gauge only
    double solar = Missing;
    int strikes = 0; // since the previous sample
    double strikeKm = Missing;
};

// One archived minute, in the same base units.
struct MinuteRow
{
    qint64 start = 0; // UTC epoch seconds, a multiple of 60
    int cycles = 0;
    double temp = Missing;
    double tempMin = Missing;
    double tempMax = Missing;
    double dew = Missing;
    double hum = Missing;
    double humMin = Missing;
    double humMax = Missing;
    double press = Missing;
    double pressMin = Missing;
    double pressMax = Missing;
    double pressStn = Missing;
    double wind = Missing;
    double windDir = Missing; // unit-vector mean; Missing when the directions cancel out
    double gust = Missing;
    double gustDir = Missing;
    double rain = Missing;
    double rainTotal = Missing; // the station's day total at the minute's end; not stored
    double solar = Missing;
    int strikes = 0;
    double strikeKm = Missing; // the nearest strike reported in the minute
};

// The station's day total at the end of the last minute archived live.
struct RainMark
{
    qint64 minute = 0;
    double total = 0; // mm
};

// Adds to the first minute of `rows` that knows the station's total the rain
// that fell before it and is not archived yet: since `archived` when that is
// of the same local day, else all of the day's total before the minute, as
// the data log counts on a fresh day file. False when no minute knows it.
bool carryRainBefore(QVector<MinuteRow> &rows, const RainMark *archived);

// The start of the UTC minute holding `utc`, for times before 1970 too.
qint64 minuteStart(qint64 utc);

// Folds the samples of one minute; a quantity missing from every sample
// stays missing.
class MinuteAccumulator
{
public:
    void add(const Sample &sample);
    bool empty() const { return count == 0; }
    MinuteRow row(qint64 start) const;

private:
    struct Mean
    {
        double sum = 0;
        int n = 0;
        double low = std::numeric_limits<double>::infinity();
        double high = -std::numeric_limits<double>::infinity();
        void add(double value);
        double mean() const;
        double min() const;
        double max() const;
    };
    struct Direction
    {
        double east = 0;
        double north = 0;
        int n = 0;
        void add(double degrees);
        double mean() const;
    };

    int count = 0;
    // In the order of the averaged quantities (minuteaggregator.cpp).
    std::array<Mean, 7> means;
    Direction windDir;
    double gust = Missing;
    double gustDir = Missing;
    double rain = Missing;
    double rainTotal = Missing;
    int strikes = 0;
    double strikeKm = Missing;
};

// Turns the published cycles into finished minutes. Pure: the time comes from
// the cycle. Failed and link-less cycles count no values, but their time
// still ends the minute before them.
class MinuteAggregator
{
public:
    // The minute that this cycle closes, if one closed.
    std::optional<MinuteRow> take(const StationCycle &cycle);
    // The minute in progress, closed early (at shutdown).
    std::optional<MinuteRow> flush();

    // The base-unit sample of a good cycle; advances the rain and lightning
    // baselines, so call it once per cycle.
    Sample sampleOf(const StationCycle &cycle);

private:
    qint64 minute = std::numeric_limits<qint64>::min();
    MinuteAccumulator current;

    // The station's day total and strike total at the last good cycle.
    RainCounter rain;
    TotalCounter strikes;
};

} // namespace archive

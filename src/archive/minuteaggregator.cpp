#include "minuteaggregator.h"

#include "record/stationcycle.h"

#include <QDateTime>

#include <climits>
#include <cmath>

namespace archive {

namespace {

constexpr double Pi = 3.14159265358979323846;

// What a minute keeps the mean of, and of some the extremes.
struct Averaged
{
    double Sample::*sample;
    double MinuteRow::*mean;
    double MinuteRow::*min = nullptr;
    double MinuteRow::*max = nullptr;
};

const std::array<Averaged, 7> averaged = { {
    { &Sample::temp, &MinuteRow::temp, &MinuteRow::tempMin, &MinuteRow::tempMax },
    { &Sample::hum, &MinuteRow::hum, &MinuteRow::humMin, &MinuteRow::humMax },
    { &Sample::press, &MinuteRow::press, &MinuteRow::pressMin, &MinuteRow::pressMax },
    { &Sample::pressStn, &MinuteRow::pressStn },
    { &Sample::dew, &MinuteRow::dew },
    { &Sample::wind, &MinuteRow::wind },
    { &Sample::solar, &MinuteRow::solar },
} };

bool known(double value)
{
    return !std::isnan(value);
}

} // namespace

qint64 minuteStart(qint64 utc)
{
    const qint64 rest = utc % 60;
    return utc - (rest < 0 ? rest + 60 : rest);
}

// --- MinuteAccumulator -------------------------------------------------------

void MinuteAccumulator::Mean::add(double value)
{
    if (!known(value))
        return;
    sum += value;
    ++n;
    low = std::min(low, value);
    high = std::max(high, value);
}

double MinuteAccumulator::Mean::mean() const
{
    return n ? sum / n : Missing;
}

double MinuteAccumulator::Mean::min() const
{
    return n ? low : Missing;
}

double MinuteAccumulator::Mean::max() const
{
    return n ? high : Missing;
}

void MinuteAccumulator::Direction::add(double degrees)
{
    if (!known(degrees))
        return;
    east += std::sin(degrees * Pi / 180);
    north += std::cos(degrees * Pi / 180);
    ++n;
}

double MinuteAccumulator::Direction::mean() const
{
    // Opposite directions in equal share have no mean.
    if (n == 0 || std::hypot(east, north) < 1e-6 * n)
        return Missing;
    const double degrees = std::atan2(east, north) * 180 / Pi;
    return degrees < 0 ? degrees + 360 : degrees;
}

void MinuteAccumulator::add(const Sample &s)
{
    ++count;
    for (size_t i = 0; i < averaged.size(); ++i)
        means[i].add(s.*averaged[i].sample);
    windDir.add(s.windDir);
    if (known(s.gust) && (!known(gust) || s.gust > gust)) {
        gust = s.gust;
        gustDir = s.gustDir;
    }
    if (known(s.rain))
        rain = (known(rain) ? rain : 0) + std::max(0.0, s.rain);
    if (known(s.rainTotal))
        rainTotal = s.rainTotal;
    strikes = int(qMin<qint64>(qint64(strikes) + std::max(0, s.strikes), INT_MAX));
    if (s.strikes > 0 && known(s.strikeKm) && (!known(strikeKm) || s.strikeKm < strikeKm))
        strikeKm = s.strikeKm;
}

MinuteRow MinuteAccumulator::row(qint64 start) const
{
    MinuteRow r;
    r.start = start;
    r.cycles = count;
    for (size_t i = 0; i < averaged.size(); ++i) {
        const Averaged &a = averaged[i];
        r.*a.mean = means[i].mean();
        if (a.min)
            r.*a.min = means[i].min();
        if (a.max)
            r.*a.max = means[i].max();
    }
    r.windDir = windDir.mean();
    r.gust = gust;
    r.gustDir = gustDir;
    r.rain = rain;
    r.rainTotal = rainTotal;
    r.strikes = strikes;
    r.strikeKm = strikeKm;
    return r;
}

bool carryRainBefore(QVector<MinuteRow> &rows, const RainMark *archived)
{
    for (MinuteRow &row : rows) {
        if (!known(row.rainTotal) || !known(row.rain))
            continue;
        const double before = row.rainTotal - row.rain;
        const auto day = [](qint64 utc) { return QDateTime::fromSecsSinceEpoch(utc).date(); };
        double carried = before;
        // A lower total than archived is the station's reset: all it holds is new.
        if (archived && day(archived->minute) == day(row.start) && before >= archived->total)
            carried = before - archived->total;
        row.rain += std::max(0.0, carried);
        return true;
    }
    return false;
}

// --- MinuteAggregator --------------------------------------------------------

Sample MinuteAggregator::sampleOf(const StationCycle &cycle)
{
    const StationValues &v = cycle.values;
    Sample s;
    s.utc = cycle.utc.toSecsSinceEpoch();
    s.temp = v.airTemp;
    s.hum = v.humidity;
    s.press = v.pressure;
    s.pressStn = v.pressureRaw;
    s.dew = v.dewPoint;
    s.wind = v.wind;
    s.windDir = v.windDir;
    // The station reports no gust (0) in steady wind: then the strongest
    // wind of the moment is the gust.
    if (v.windGust > v.wind) {
        s.gust = v.windGust;
        s.gustDir = v.windDirGust;
    } else {
        s.gust = v.wind;
        s.gustDir = v.windDir;
    }

    const RainGauge gauge = v.rainGauge();
    if (gauge == RainGauge::None) {
        rain.stop();
    } else if (!rain.started() || rain.gauge() != gauge) {
        // A gauge that changes unit starts a new count rather than compare
        // inches with millimetres.
        rain.start(v.rainDay, gauge);
        s.rain = 0;
    } else {
        const double fallen = std::max(0.0, rain.increment(v.rainDay));
        s.rain = gauge == RainGauge::Inches ? fallen * factor::MillimetresPerInch : fallen;
    }
    if (gauge != RainGauge::None)
        s.rainTotal
            = gauge == RainGauge::Inches ? v.rainDay * factor::MillimetresPerInch : v.rainDay;

    const double solar = solarRadiation(v);
    if (solar != StationValues::NoSolarSensor)
        s.solar = solar;

    s.strikes = int(qBound<qint64>(0, strikes.take(v.lightningStrikes), 1 << 30));
    if (s.strikes > 0 && v.lightningDistance > 0)
        s.strikeKm = v.lightningDistance;
    return s;
}

std::optional<MinuteRow> MinuteAggregator::take(const StationCycle &cycle)
{
    std::optional<MinuteRow> closed;
    const qint64 at = minuteStart(cycle.utc.toSecsSinceEpoch());
    // A clock set back starts a minute of its own; the database keeps the
    // first row of a minute it already holds.
    if (at != minute) {
        closed = flush();
        minute = at;
    }
    if (cycle.good())
        current.add(sampleOf(cycle));
    return closed;
}

std::optional<MinuteRow> MinuteAggregator::flush()
{
    if (current.empty())
        return std::nullopt;
    const MinuteRow row = current.row(minute);
    current = MinuteAccumulator();
    return row;
}

} // namespace archive

#include "minuteaggregator.h"

#include "acquisition/stationcycle.h"

#include <cmath>

namespace archive {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double MillimetresPerInch = 25.4;
constexpr int InchGauge = 2;
constexpr int NoGauge = 0;

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
    temp.add(s.temp);
    hum.add(s.hum);
    press.add(s.press);
    pressStn.add(s.pressStn);
    dew.add(s.dew);
    wind.add(s.wind);
    solar.add(s.solar);
    windDir.add(s.windDir);
    if (known(s.gust) && (!known(gust) || s.gust > gust)) {
        gust = s.gust;
        gustDir = s.gustDir;
    }
    if (known(s.rain))
        rain = (known(rain) ? rain : 0) + std::max(0.0, s.rain);
    strikes += std::max(0, s.strikes);
    if (s.strikes > 0 && known(s.strikeKm) && (!known(strikeKm) || s.strikeKm < strikeKm))
        strikeKm = s.strikeKm;
}

MinuteRow MinuteAccumulator::row(qint64 start) const
{
    MinuteRow r;
    r.start = start;
    r.cycles = count;
    r.temp = temp.mean();
    r.tempMin = temp.min();
    r.tempMax = temp.max();
    r.dew = dew.mean();
    r.hum = hum.mean();
    r.humMin = hum.min();
    r.humMax = hum.max();
    r.press = press.mean();
    r.pressMin = press.min();
    r.pressMax = press.max();
    r.pressStn = pressStn.mean();
    r.wind = wind.mean();
    r.windDir = windDir.mean();
    r.gust = gust;
    r.gustDir = gustDir;
    r.rain = rain;
    r.solar = solar.mean();
    r.strikes = strikes;
    r.strikeKm = strikeKm;
    return r;
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

    if (v.rainUnits == NoGauge) {
        rainKnown = false;
    } else {
        // A gauge that changes unit starts a new count rather than compare
        // inches with millimetres.
        if (rainKnown && v.rainUnits == lastRainUnits) {
            const double change = v.rainDay - lastRainDay;
            // A lower total is the station's reset at its rain day's start:
            // all it holds now fell since.
            const double fallen = change >= 0 ? change : std::max(0.0, v.rainDay);
            s.rain = v.rainUnits == InchGauge ? fallen * MillimetresPerInch : fallen;
        } else {
            s.rain = 0;
        }
        rainKnown = true;
        lastRainDay = v.rainDay;
        lastRainUnits = v.rainUnits;
    }

    const double solar = solarRadiation(v);
    if (solar != StationValues::NoSolarSensor)
        s.solar = solar;

    s.strikes = int(qBound<qint64>(0, qint64(v.lightningStrikes) - lastStrikes, 1 << 30));
    lastStrikes = v.lightningStrikes;
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

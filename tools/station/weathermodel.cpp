#include "weathermodel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Degree = Pi / 180.0;

// Magnus coefficients over water (Sonntag 1990).
constexpr double MagnusA = 17.62;
constexpr double MagnusB = 243.12;

double wrap360(double degrees)
{
    double d = std::fmod(degrees, 360.0);
    if (d < 0)
        d += 360.0;
    return d >= 360.0 ? 0.0 : d;
}

double logistic(double x)
{
    return 1.0 / (1.0 + std::exp(-x));
}

quint16 word(long value)
{
    return quint16(qint16(std::clamp<long>(value, -32768, 32767)));
}

quint16 scaled(double value, double factor)
{
    return word(std::lround(value * factor));
}

quint16 direction(double degrees)
{
    long tenths = std::lround(degrees * 10.0) % 3600;
    if (tenths < 0)
        tenths += 3600;
    return quint16(tenths);
}

void putFloat(quint16 *registers, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    registers[0] = quint16(bits >> 16);
    registers[1] = quint16(bits & 0xFFFF);
}

} // namespace

WeatherModel::WeatherModel(quint32 seed, const QDateTime &start, const Site &site)
    : place(site)
    , rngState(0x9E3779B97F4A7C15ull ^ (std::uint64_t(seed) * 0xBF58476D1CE4E5B9ull))
    , windSamples(TenMinutes)
    , pressureHistory(TrendWindow)
{
    // Start from a random draw of each slow process's long-run spread.
    tempAnomaly = 1.5 * gaussian();
    dewAnomaly = 1.5 * gaussian();
    cloudLogit = 1.3 * gaussian();
    cloud = logistic(cloudLogit);
    seaLevel = std::clamp(1013.0 + 7.0 * gaussian(), 985.0, 1040.0);
    tendency = 0.6 * gaussian();
    windMean = std::max(0.5, 3.0 + 1.0 * gaussian());
    baseDirection = 360.0 * uniform();
    rainDate = start.date();

    current.serialNumber = place.serialNumber;
    current.elevation = place.elevation;
    current.rainInInches = place.rainInInches;

    // Pretend the present tendency held for the last three hours, so the trend
    // code means something from the first second on.
    for (int k = 0; k < TrendWindow; ++k)
        pressureHistory[std::size_t(k)] = seaLevel - tendency * double(TrendWindow - k) / 3600.0;

    advanceWind();
    derive(start);
    advancePower();
    recordPressure();
}

double WeatherModel::uniform()
{
    // splitmix64: the same numbers on every platform, unlike <random>'s distributions.
    std::uint64_t z = (rngState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return double(z >> 11) * (1.0 / 9007199254740992.0);
}

double WeatherModel::gaussian()
{
    if (spareValid) {
        spareValid = false;
        return spare;
    }
    double u1 = uniform();
    while (u1 <= 0.0)
        u1 = uniform();
    const double u2 = uniform();
    const double radius = std::sqrt(-2.0 * std::log(u1));
    spare = radius * std::sin(2.0 * Pi * u2);
    spareValid = true;
    return radius * std::cos(2.0 * Pi * u2);
}

double WeatherModel::relax(double value, double target, double tau, double spread)
{
    return value + (target - value) / tau + spread * std::sqrt(2.0 / tau) * gaussian();
}

void WeatherModel::step(const QDateTime &now)
{
    ++elapsed;
    advanceClimate(now);
    advanceRain(now);
    advanceWind();
    advanceLightning();
    derive(now);
    advancePower();
    recordPressure();
}

void WeatherModel::startShower(int seconds, double peakRate, bool thundery)
{
    showerLeft = showerLength = std::max(1, seconds);
    showerPeak = std::max(0.0, peakRate);
    thunder = thundery;
    stormFar = 25.0 + 15.0 * uniform();
    stormNear = 2.0 + 12.0 * uniform();
    strikeRate = 0.08 + 0.25 * uniform();
}

void WeatherModel::advanceClimate(const QDateTime &now)
{
    const bool wet = showerLeft > 0;
    tempAnomaly = relax(tempAnomaly, 0.0, 6 * 3600.0, 1.5);
    dewAnomaly = relax(dewAnomaly, 0.0, 8 * 3600.0, 1.5);
    showerCooling += (3.5 * intensity - showerCooling) / (wet ? 900.0 : 5400.0);
    moistening += ((wet ? 0.85 : 0.0) - moistening) / (wet ? 1200.0 : 7200.0);

    cloudLogit = relax(cloudLogit, 0.0, 2 * 3600.0, 1.3);
    // A shower's cloud builds and clears over minutes: a sky that closed in
    // one second would step the temperature by a degree, which no sensor
    // sees and the console's spike filter would rightly hold back.
    showerCloud += ((wet ? 0.85 + 0.15 * intensity : 0.0) - showerCloud) / 300.0;
    cloud = std::max(logistic(cloudLogit), showerCloud);

    tendency = relax(tendency, 0.0, 6 * 3600.0, 0.6);
    seaLevel += tendency / 3600.0 - (seaLevel - 1013.0) / (4 * 86400.0);
    seaLevel = std::clamp(seaLevel, 960.0, 1050.0);

    const double sunUp = std::clamp(2.0 * sunElevationSine(now, place.latitude), 0.0, 1.0);
    const double target = 3.0 + 1.5 * sunUp + (thunder ? 6.0 : 2.5) * intensity;
    windMean = std::max(0.2, relax(windMean, target, 3600.0, 1.0));
}

void WeatherModel::advanceRain(const QDateTime &now)
{
    if (now.date() != rainDate) {
        current.rainToday = 0;
        rainDate = now.date();
    }

    if (showerLeft == 0) {
        // Falling pressure and warm afternoons make showers likelier.
        const double hour = now.time().hour();
        const double afternoon = (hour >= 13 && hour < 19) ? 1.0 : 0.0;
        const double chance
            = 2.5 / 86400.0 * (1.0 + 1.5 * std::max(0.0, -tendency)) * (1.0 + afternoon);
        if (uniform() < chance) {
            const bool thundery = uniform() < (current.airTemp > 15.0 ? 0.35 : 0.08);
            const int seconds = 600 + int(2100 * uniform());
            const double peak = thundery ? 10.0 + 30.0 * uniform() : 1.0 + 9.0 * uniform();
            startShower(seconds, peak, thundery);
        }
    }

    if (showerLeft > 0) {
        showerProgress = (showerLength - showerLeft + 0.5) / showerLength;
        const double s = std::sin(Pi * showerProgress);
        intensity = s * s;
        current.rainRate = showerPeak * intensity;
        current.rainToday += current.rainRate / 3600.0;
        --showerLeft;
    } else {
        intensity = 0;
        showerProgress = 0;
        current.rainRate = 0;
        thunder = false;
    }
}

void WeatherModel::advanceWind()
{
    turbulence = relax(turbulence, 0.0, 5.0, 0.15);
    if (burstLength == 0 && uniform() < (1.0 + 3.0 * intensity) / 150.0) {
        burstPeak = windMean * (0.25 + 0.45 * uniform());
        burstLength = 3 + int(6 * uniform());
        burstAge = 0;
    }
    double extra = 0;
    if (burstLength > 0) {
        extra = burstPeak * std::sin(Pi * (burstAge + 0.5) / burstLength);
        if (++burstAge >= burstLength)
            burstLength = 0;
    }
    const double speed = std::max(0.0, windMean * (1.0 + turbulence) + extra);

    baseDirection = wrap360(baseDirection + 0.3 * gaussian());
    veer = relax(veer, 0.0, 4.0, 10.0 + 15.0 / (1.0 + windMean));
    const double dir = wrap360(baseDirection + veer);

    windSamples[std::size_t(windNext)]
        = { speed, dir, std::sin(dir * Degree), std::cos(dir * Degree) };
    windNext = (windNext + 1) % TenMinutes;
    windCount = std::min(windCount + 1, TenMinutes);

    current.wind = speed;
    current.windDir = dir;

    auto average = [this](int span, double *meanSpeed, double *meanDir) {
        const int n = std::min(span, windCount);
        double sum = 0, east = 0, north = 0;
        for (int i = 1; i <= n; ++i) {
            const WindSample &s
                = windSamples[std::size_t((windNext - i + TenMinutes) % TenMinutes)];
            sum += s.speed;
            east += s.east;
            north += s.north;
        }
        *meanSpeed = sum / n;
        *meanDir = wrap360(std::atan2(east, north) / Degree);
    };
    average(TwoMinutes, &current.wind2, &current.windDir2);
    average(TenMinutes, &current.wind10, &current.windDir10);

    const WindSample *peak = nullptr;
    for (int i = 1; i <= windCount; ++i) {
        const WindSample &s = windSamples[std::size_t((windNext - i + TenMinutes) % TenMinutes)];
        if (!peak || s.speed > peak->speed)
            peak = &s;
    }
    if (peak && peak->speed - current.wind10 >= GustMargin) {
        current.gust = peak->speed;
        current.gustDir = peak->direction;
    } else {
        current.gust = 0;
        current.gustDir = 0;
    }
}

void WeatherModel::advanceLightning()
{
    current.newStrikes = 0;
    current.newNoise = 0;
    current.newDisturbers = 0;

    if (thunder && showerLeft > 0) {
        // The storm closes in until mid-shower and then moves away.
        const double distance = stormFar + (stormNear - stormFar) * std::sin(Pi * showerProgress);
        if (uniform() < std::min(0.9, strikeRate * (0.3 + 0.7 * intensity))) {
            const int km = int(std::clamp(std::lround(distance + 2.0 * gaussian()), 1L, 40L));
            strikes.push_back({ elapsed, km });
            current.newStrikes = 1;
        }
    }
    if (uniform() < 1.0 / 5400.0)
        current.newNoise = 1;
    if (uniform() < 1.0 / 2700.0)
        current.newDisturbers = 1;

    while (!strikes.empty() && strikes.front().at <= elapsed - 3600)
        strikes.pop_front();
    current.strikes10 = current.strikes30 = current.strikes60 = 0;
    for (const Strike &s : strikes) {
        const qint64 age = elapsed - s.at;
        current.strikes60 += 1;
        current.strikes30 += age < 1800 ? 1 : 0;
        current.strikes10 += age < 600 ? 1 : 0;
    }
    current.lightningDistance = strikes.empty() ? 0 : strikes.back().distance;
}

void WeatherModel::derive(const QDateTime &now)
{
    const double sine = sunElevationSine(now, place.latitude);
    const double hours = now.time().msecsSinceStartOfDay() / 3.6e6 - (now.isDaylightTime() ? 1 : 0);
    const double hemisphere = place.latitude < 0 ? -1.0 : 1.0;
    const double season = place.annualMeanTemp
        - hemisphere * place.seasonalSwing
            * std::cos(2.0 * Pi * (now.date().dayOfYear() - 20) / 365.25);
    const double swing = place.diurnalSwing * (1.0 - 0.5 * cloud);
    const double temp
        = season + swing * std::cos(2.0 * Pi * (hours - 15.0) / 24.0) + tempAnomaly - showerCooling;

    const double dewBase = season - 5.0 + dewAnomaly;
    double dew = dewBase + moistening * std::max(0.0, temp - dewBase);
    dew = std::min(dew, temp);

    current.airTemp = temp;
    current.dewPoint = dew;
    current.humidity = std::clamp(humidityFrom(temp, dew), 0.0, 100.0);
    current.stationPressure = seaLevelToStation(seaLevel, temp, place.elevation);

    double solar = 0;
    if (sine > 0) {
        const double clearSky = 1098.0 * sine * std::exp(-0.057 / sine);
        solar = clearSky * (1.0 - 0.75 * std::pow(cloud, 3.4)) * (1.0 + 0.02 * gaussian());
        solar = std::max(0.0, solar);
    }
    current.solar = solar;
    current.pressureSensorTemp = int(std::lround(temp + 0.004 * solar));

    current.heatIndex = heatIndex(temp, current.humidity);
    current.windChill = windChill(temp, current.wind2);
    current.wbgt = wbgt(temp, current.humidity);
    current.humidex = humidex(temp, dew);
}

void WeatherModel::advancePower()
{
    const double solar = current.solar;
    if (solar > 20.0) {
        current.inputMillivolts
            = int(std::lround(17000.0 + 1500.0 * std::min(1.0, solar / 600.0) + 30.0 * gaussian()));
        batteryMv += (13650.0 - batteryMv) / 1800.0;
    } else {
        current.inputMillivolts = 0;
        batteryMv += (12350.0 - batteryMv) / 36000.0;
    }
    current.batteryMillivolts = int(std::lround(batteryMv + 5.0 * gaussian()));
    current.chargerStatus = current.inputMillivolts == 0 ? 0 : (batteryMv < 13500.0 ? 1 : 2);
}

void WeatherModel::recordPressure()
{
    const double old = pressureHistory[std::size_t(pressureNext)];
    pressureHistory[std::size_t(pressureNext)] = seaLevel;
    pressureNext = (pressureNext + 1) % TrendWindow;
    current.seaLevelPressure = seaLevel;
    current.trendCode = trendCode(seaLevel - old);
}

void WeatherModel::fillRegisters(quint16 status[11], quint16 data[100]) const
{
    encode(current, status, data);
}

void WeatherModel::encode(const Observation &o, quint16 status[11], quint16 data[100])
{
    std::fill(status, status + 11, quint16(0));
    std::fill(data, data + 100, quint16(0));
    auto reg = [data](int number) -> quint16 & { return data[number - 201]; };

    status[101 - 101] = 105; // firmware 1.05
    status[102 - 101] = 2; // hub model
    status[103 - 101] = quint16(o.serialNumber >> 16);
    status[104 - 101] = quint16(o.serialNumber & 0xFFFF);
    status[109 - 101] = word(o.batteryMillivolts);
    status[110 - 101] = word(o.inputMillivolts);
    status[111 - 101] = word(o.chargerStatus);

    reg(201) = 0; // wind sensor OK
    reg(202) = scaled(o.wind, 10);
    reg(203) = direction(o.windDir);
    reg(204) = scaled(o.wind2, 10);
    reg(205) = direction(o.windDir2);
    reg(206) = scaled(o.wind10, 10);
    reg(207) = direction(o.windDir10);
    reg(208) = scaled(o.gust, 10);
    reg(209) = o.gust == 0 ? 0 : direction(o.gustDir);

    reg(221) = 0; // temperature/humidity/pressure sensor OK
    reg(222) = scaled(o.airTemp, 10);
    reg(223) = scaled(o.humidity, 10);
    reg(224) = scaled(o.stationPressure, 10);
    reg(225) = word(o.trendCode);
    reg(226) = word(o.pressureSensorTemp);

    const double rainFactor = o.rainInInches ? 100.0 / 25.4 : 100.0;
    reg(241) = scaled(o.heatIndex, 10);
    reg(242) = scaled(o.windChill, 10);
    reg(243) = scaled(o.rainToday, rainFactor);
    reg(244) = scaled(o.rainRate, rainFactor);
    putFloat(&reg(245), float(o.solar));
    putFloat(&reg(247), 0.0f);
    reg(249) = scaled(o.dewPoint, 10);
    reg(251) = scaled(o.seaLevelPressure, 10);
    reg(252) = scaled(o.wbgt, 10);
    reg(253) = scaled(o.humidex, 10);

    reg(261) = 3; // analog 1: solar radiation sensor
    reg(262) = 0; // analog 2: nothing fitted
    reg(263) = o.rainInInches ? 2 : 1;
    reg(264) = word(o.elevation);

    reg(281) = 0; // lightning sensor OK
    reg(282) = word(o.newStrikes);
    reg(283) = word(o.newNoise);
    reg(284) = word(o.newDisturbers);
    reg(285) = word(o.lightningDistance);
    reg(288) = word(o.strikes10);
    reg(289) = word(o.strikes30);
    reg(290) = word(o.strikes60);
}

int WeatherModel::trendCode(double change)
{
    const double size = std::fabs(change);
    const int code = size < 0.5 ? 0 : size < 2.0 ? 1 : size < 3.5 ? 2 : 3;
    return change < 0 ? -code : code;
}

double WeatherModel::dewPointFrom(double temp, double humidity)
{
    const double gamma
        = std::log(std::max(humidity, 0.1) / 100.0) + MagnusA * temp / (MagnusB + temp);
    return MagnusB * gamma / (MagnusA - gamma);
}

double WeatherModel::humidityFrom(double temp, double dewPoint)
{
    return 100.0
        * std::exp(MagnusA * dewPoint / (MagnusB + dewPoint) - MagnusA * temp / (MagnusB + temp));
}

double WeatherModel::heatIndex(double temp, double humidity)
{
    // Rothfusz regression as the US National Weather Service uses it; below
    // 80 °F or 40 % it does not apply.
    const double t = temp * 1.8 + 32.0;
    const double r = humidity;
    if (t < 80.0 || r < 40.0)
        return NotAvailable;
    double hi = -42.379 + 2.04901523 * t + 10.14333127 * r - 0.22475541 * t * r - 0.00683783 * t * t
        - 0.05481717 * r * r + 0.00122874 * t * t * r + 0.00085282 * t * r * r
        - 0.00000199 * t * t * r * r;
    if (r > 85.0 && t <= 87.0)
        hi += (r - 85.0) / 10.0 * (87.0 - t) / 5.0;
    return (hi - 32.0) / 1.8;
}

double WeatherModel::windChill(double temp, double speed)
{
    // The 2001 North American index; defined at or below 10 °C in wind above 4.8 km/h.
    const double kmh = speed * 3.6;
    if (temp > 10.0 || kmh <= 4.8)
        return NotAvailable;
    const double v = std::pow(kmh, 0.16);
    return 13.12 + 0.6215 * temp - 11.37 * v + 0.3965 * temp * v;
}

double WeatherModel::wbgt(double temp, double humidity)
{
    // Australian Bureau of Meteorology approximation for shade; heat stress
    // is of no interest below 20 °C.
    if (temp < 20.0)
        return NotAvailable;
    const double vapour = humidity / 100.0 * 6.105 * std::exp(17.27 * temp / (237.7 + temp));
    return 0.567 * temp + 0.393 * vapour + 3.94;
}

double WeatherModel::humidex(double temp, double dewPoint)
{
    // Environment Canada's formula, reported from 20 °C up.
    if (temp < 20.0)
        return NotAvailable;
    const double vapour = 6.11 * std::exp(5417.7530 * (1.0 / 273.16 - 1.0 / (273.15 + dewPoint)));
    return temp + 0.5555 * (vapour - 10.0);
}

double WeatherModel::seaLevelToStation(double seaLevel, double temp, int elevation)
{
    const double lapse = 0.0065 * elevation;
    return seaLevel * std::pow(1.0 - lapse / (temp + lapse + 273.15), 5.257);
}

double WeatherModel::sunElevationSine(const QDateTime &when, double latitude)
{
    double hours = when.time().msecsSinceStartOfDay() / 3.6e6;
    if (when.isDaylightTime())
        hours -= 1.0;
    const double declination
        = 23.44 * Degree * std::sin(2.0 * Pi * (284 + when.date().dayOfYear()) / 365.0);
    const double hourAngle = 15.0 * Degree * (hours - 12.0);
    const double phi = latitude * Degree;
    return std::sin(phi) * std::sin(declination)
        + std::cos(phi) * std::cos(declination) * std::cos(hourAngle);
}

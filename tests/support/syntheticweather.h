#pragma once

#include "archive/minuteaggregator.h"

#include <QVector>

#include <cmath>
#include <cstdint>

// Archived minutes of made-up weather: a daily temperature wave over a
// seasonal one, pressure that drifts, wind with gusts, a shower every few
// days and the sun by day. Deterministic; for UI tests and benchmarks that
// need a full archive without waiting for it.
inline QVector<archive::MinuteRow> syntheticMinutes(
    qint64 firstMinute, int count, std::uint32_t seed = 1)
{
    constexpr double Pi = 3.14159265358979323846;
    std::uint64_t state = seed * 6364136223846793005ull + 1442695040888963407ull;
    const auto noise = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return double(state >> 11) / double(1ull << 53) - 0.5;
    };
    QVector<archive::MinuteRow> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        archive::MinuteRow r;
        r.start = firstMinute + 60 * qint64(i);
        const double day = double(r.start % 86400) / 86400;
        const double year = double(r.start % (365 * 86400)) / (365 * 86400);
        r.cycles = 60;
        r.temp
            = 10 - 9 * std::cos(2 * Pi * year) - 5 * std::cos(2 * Pi * (day - 0.1)) + noise() * 0.4;
        r.tempMin = r.temp - 0.2;
        r.tempMax = r.temp + 0.2;
        r.hum = 70 + 20 * std::cos(2 * Pi * (day - 0.1)) + noise() * 2;
        r.humMin = r.hum - 0.5;
        r.humMax = r.hum + 0.5;
        r.dew = r.temp - (100 - r.hum) / 5;
        r.press = 1013 + 12 * std::sin(2 * Pi * r.start / (5.3 * 86400)) + noise() * 0.2;
        r.pressMin = r.press - 0.05;
        r.pressMax = r.press + 0.05;
        r.pressStn = r.press - 14;
        r.wind = 3 + 2 * std::sin(2 * Pi * r.start / (2.1 * 86400)) + noise();
        r.windDir = std::fmod(240 + 60 * std::sin(2 * Pi * r.start / (3.7 * 86400)) + 360, 360);
        r.gust = r.wind + 2 + std::abs(noise()) * 4;
        r.gustDir = r.windDir;
        // A two-hour shower every third day, in the afternoon.
        const bool shower = (r.start / 86400) % 3 == 0 && day > 0.58 && day < 0.66;
        r.rain = shower ? 0.05 + std::abs(noise()) * 0.1 : 0;
        r.solar = std::max(0.0, 800 * std::sin(2 * Pi * (day - 0.25))) * (shower ? 0.2 : 1);
        r.strikes = 0;
        rows.append(r);
    }
    return rows;
}

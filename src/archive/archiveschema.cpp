#include "archiveschema.h"

#include <QVariant>

#include <cmath>

namespace archive {

namespace {

// The quantities the rollups keep, shared by tens and hours.
QString rollupColumns()
{
    return QStringLiteral("t INTEGER PRIMARY KEY, minutes INTEGER NOT NULL,"
                          " temp INTEGER, temp_min INTEGER, temp_max INTEGER, dew INTEGER,"
                          " hum INTEGER, hum_min INTEGER, hum_max INTEGER,"
                          " press INTEGER, press_min INTEGER, press_max INTEGER,"
                          " press_stn INTEGER, press_stn_min INTEGER, press_stn_max INTEGER,"
                          " wind INTEGER, gust INTEGER, rain INTEGER,"
                          " solar INTEGER, solar_max INTEGER, strikes INTEGER NOT NULL");
}

QVariant scaled(double value, double scale)
{
    // Beyond a 64-bit integer (NaN and infinities too) there is nothing to
    // round to: such a value is stored as missing.
    const double stored = value * scale;
    if (!(std::fabs(stored) < 9.2e18))
        return QVariant();
    return QVariant(qint64(std::llround(stored)));
}

} // namespace

// SUM fails the statement with "integer overflow" past 64 bits, which would
// keep every later minute from the archive; TOTAL adds in floating point and
// never fails. Unlike SUM it gives 0 for no values, so that stays NULL.
QString sumOf(const char *column)
{
    return QStringLiteral("(CASE WHEN COUNT(%1) > 0 THEN TOTAL(%1) END)")
        .arg(QLatin1String(column));
}

QVector<QString> createStatements()
{
    return {
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS minutes ("
            "t INTEGER PRIMARY KEY, cycles INTEGER NOT NULL,"
            " temp INTEGER, temp_min INTEGER, temp_max INTEGER, dew INTEGER,"
            " hum INTEGER, hum_min INTEGER, hum_max INTEGER,"
            " press INTEGER, press_min INTEGER, press_max INTEGER, press_stn INTEGER,"
            " wind INTEGER, wind_dir INTEGER, gust INTEGER, gust_dir INTEGER,"
            " rain INTEGER, solar INTEGER, strikes INTEGER NOT NULL, strike_km INTEGER)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS tens (") + rollupColumns() + QLatin1Char(')'),
        QStringLiteral("CREATE TABLE IF NOT EXISTS hours (") + rollupColumns() + QLatin1Char(')'),
        QStringLiteral("CREATE TABLE IF NOT EXISTS days (") + rollupColumns() + QLatin1Char(')'),
        QStringLiteral("CREATE VIEW IF NOT EXISTS minute_values AS SELECT"
                       " t AS minute_utc, cycles,"
                       " temp / 100.0 AS temp_c, temp_min / 100.0 AS temp_min_c,"
                       " temp_max / 100.0 AS temp_max_c, dew / 100.0 AS dew_point_c,"
                       " hum / 100.0 AS humidity_pct, hum_min / 100.0 AS humidity_min_pct,"
                       " hum_max / 100.0 AS humidity_max_pct,"
                       " press / 100.0 AS pressure_msl_hpa, press_min / 100.0 AS pressure_min_hpa,"
                       " press_max / 100.0 AS pressure_max_hpa,"
                       " press_stn / 100.0 AS pressure_station_hpa,"
                       " wind / 100.0 AS wind_ms, wind_dir / 10.0 AS wind_dir_deg,"
                       " gust / 100.0 AS gust_ms, gust_dir / 10.0 AS gust_dir_deg,"
                       " rain / 1000.0 AS rain_mm, solar / 10.0 AS solar_wm2,"
                       " strikes, strike_km / 10.0 AS strike_km FROM minutes"),
    };
}

QString createRainMarkSql()
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS rain_mark (id INTEGER PRIMARY KEY"
                          " CHECK (id = 1), t INTEGER NOT NULL, total INTEGER NOT NULL)");
}

QString selectRainMarkSql()
{
    return QStringLiteral("SELECT t, total FROM rain_mark WHERE id = 1");
}

QString replaceRainMarkSql()
{
    return QStringLiteral("INSERT OR REPLACE INTO rain_mark (id, t, total) VALUES (1, ?, ?)");
}

QString insertMinuteSql()
{
    return QStringLiteral(
        "INSERT OR IGNORE INTO minutes (t, cycles, temp, temp_min, temp_max, dew, hum, hum_min,"
        " hum_max, press, press_min, press_max, press_stn, wind, wind_dir, gust, gust_dir, rain,"
        " solar, strikes, strike_km) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
        " ?, ?, ?)");
}

QVector<QVariant> minuteValues(const MinuteRow &r)
{
    using namespace scale;
    return {
        QVariant(r.start),
        QVariant(r.cycles),
        scaled(r.temp, Temperature),
        scaled(r.tempMin, Temperature),
        scaled(r.tempMax, Temperature),
        scaled(r.dew, Temperature),
        scaled(r.hum, Humidity),
        scaled(r.humMin, Humidity),
        scaled(r.humMax, Humidity),
        scaled(r.press, Pressure),
        scaled(r.pressMin, Pressure),
        scaled(r.pressMax, Pressure),
        scaled(r.pressStn, Pressure),
        scaled(r.wind, Speed),
        scaled(r.windDir, Direction),
        scaled(r.gust, Speed),
        scaled(r.gustDir, Direction),
        scaled(r.rain, Rain),
        scaled(r.solar, Solar),
        QVariant(r.strikes),
        scaled(r.strikeKm, Distance),
    };
}

QString rollupSql(const Tier &tier)
{
    // A stored mean is rounded to the column's whole units again. Days fold
    // the hours: 24 rows rather than 1440 at every minute written.
    const bool fromHours = tier.seconds == Days.seconds;
    return QStringLiteral(
        "INSERT OR REPLACE INTO %1 (t, minutes, temp, temp_min, temp_max, dew, hum, hum_min,"
        " hum_max, press, press_min, press_max, press_stn, press_stn_min, press_stn_max,"
        " wind, gust, rain, solar, solar_max, strikes)"
        " SELECT t / %2 * %2 AS period, %4, ROUND(AVG(temp)), MIN(temp_min),"
        " MAX(temp_max), ROUND(AVG(dew)), ROUND(AVG(hum)), MIN(hum_min), MAX(hum_max),"
        " ROUND(AVG(press)), MIN(press_min), MAX(press_max), ROUND(AVG(press_stn)),"
        " MIN(%5), MAX(%6), ROUND(AVG(wind)), MAX(gust), %8,"
        " ROUND(AVG(solar)), MAX(%7), TOTAL(strikes)"
        " FROM %3 WHERE t >= :from AND t < :to GROUP BY period")
        .arg(QLatin1String(tier.table))
        .arg(tier.seconds)
        .arg(QLatin1String(fromHours ? "hours" : "minutes"),
            QLatin1String(fromHours ? "TOTAL(minutes)" : "COUNT(*)"),
            QLatin1String(fromHours ? "press_stn_min" : "press_stn"),
            QLatin1String(fromHours ? "press_stn_max" : "press_stn"),
            QLatin1String(fromHours ? "solar_max" : "solar"), sumOf("rain"));
}

} // namespace archive

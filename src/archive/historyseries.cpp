#include "historyseries.h"

#include "meteo/conversion.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <memory>

namespace archive {

namespace {

constexpr qint64 Day = 86400;

bool known(double value)
{
    return !std::isnan(value);
}

QPair<qint64, qint64> utcHour(qint64 t)
{
    const qint64 start = t - t % 3600;
    return { start, start + 3600 };
}

// Local days, each looked up once, through the zone's own table of
// transitions: a year has 8760 hours to place, and each lookup of plain local
// time asks the C library, which checks the zone file on disk.
PeriodOf localDays()
{
    auto day = std::make_shared<QPair<qint64, qint64>>(0, 0);
    return [day, zone = QTimeZone::systemTimeZone()](qint64 t) {
        if (t < day->first || t >= day->second) {
            const QDate date = QDateTime::fromSecsSinceEpoch(t, zone).date();
            *day = { QDateTime(date, QTime(0, 0), zone).toSecsSinceEpoch(),
                QDateTime(date.addDays(1), QTime(0, 0), zone).toSecsSinceEpoch() };
        }
        return *day;
    };
}

} // namespace

qint64 rangeSeconds(int range)
{
    switch (range) {
    case WeekRange:
        return 7 * Day;
    case MonthRange:
        return 30 * Day;
    case YearRange:
        return 365 * Day;
    default:
        return Day;
    }
}

bool readHistory(const QString &file, qint64 from, qint64 to, int bucket, int range,
    HistoryData *data, QString *error)
{
    *data = HistoryData();
    data->from = from;
    data->to = to;
    data->bucket = bucket;
    // Connections belong to the thread that made them; each read makes its own.
    static QAtomicInteger<quint64> serial;
    const QString connection = QStringLiteral("skyquill-history-%1").arg(++serial);
    QVector<HourTotal> hours;
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        // Opening a file that is not there would make an empty one.
        if (QFileInfo::exists(file)) {
            if (!db.open()) {
                ok = false;
                *error = db.lastError().text();
            } else if (!queryBuckets(db, from, to, bucket, &data->buckets, error)
                || !queryHours(db, from, to, &hours, error)) {
                ok = false;
                data->buckets.clear();
                hours.clear();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);

    data->periods = foldPeriods(hours, dailyRange(range) ? localDays() : utcHour);
    if (dailyRange(range))
        data->days = data->periods;
    return ok;
}

SeriesMap historySeries(const HistoryData &data, int range, const DisplayUnits &units)
{
    SeriesMap series;
    const auto add = [&series](const char *name, qint64 at, double value) {
        if (known(value))
            series[QLatin1String(name)].append(QPointF(double(at) * 1000, value));
    };
    const auto temp
        = [&units](double c) { return meteo::convertTemperature(c, units.temperature); };
    const bool station = units.pressureReading == PressureReading::Station;
    const auto press = [&units](double hPa) { return meteo::convertPressure(hPa, units.pressure); };
    const auto wind = [&units](double ms) { return meteo::convertSpeed(ms, units.speed); };
    const bool bands = dailyRange(range);

    for (const Bucket &b : data.buckets) {
        const qint64 at = b.start + data.bucket / 2;
        add("temp", at, temp(b.temp));
        if (!bands && known(b.tempMin) && known(b.tempMax)) {
            add("tempLow", at, temp(b.tempMin));
            add("tempHigh", at, temp(b.tempMax));
        }
        add("dew", at, temp(b.dew));
        add("hum", at, b.hum);
        if (known(b.humMin) && known(b.humMax)) {
            add("humLow", at, b.humMin);
            add("humHigh", at, b.humMax);
        }
        const double mean = station ? b.pressStn : b.press;
        const double low = station ? b.pressStnMin : b.pressMin;
        const double high = station ? b.pressStnMax : b.pressMax;
        add("press", at, press(mean));
        if (known(low) && known(high)) {
            add("pressLow", at, press(low));
            add("pressHigh", at, press(high));
        }
        add("wind", at, wind(b.wind));
        add("gust", at, wind(b.gust));
        if (known(b.solar)) {
            add("solar", at, b.solar);
            add("solarZero", at, 0);
        }
        add("solarMax", at, b.solarMax);
    }

    // Steps, one flat top per day, so a band reads as the day's range.
    for (const Period &d : data.days) {
        if (!known(d.low) || !known(d.high))
            continue;
        const qint64 start = std::max(d.start, data.from);
        const qint64 end = std::min(d.end, data.to);
        for (qint64 at : { start, end }) {
            add("tempLow", at, temp(d.low));
            add("tempHigh", at, temp(d.high));
            add("dayLow", at, temp(d.low));
            add("dayHigh", at, temp(d.high));
        }
    }
    return series;
}

} // namespace archive

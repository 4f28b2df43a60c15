#include "minutescan.h"

#include "archive/archiveschema.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace records {

namespace {

double stored(double value, double scale)
{
    if (std::isnan(value) || std::isinf(value))
        return archive::Missing;
    return double(std::llround(value * scale)) / scale;
}

double column(const QSqlQuery &q, int index, double scale)
{
    const QVariant value = q.value(index);
    return value.isNull() ? archive::Missing : double(value.toLongLong()) / scale;
}

bool failed(const QSqlQuery &q, QString *error)
{
    if (error)
        *error = q.lastError().text();
    return false;
}

} // namespace

archive::MinuteRow asStored(const archive::MinuteRow &r)
{
    using namespace archive::scale;
    archive::MinuteRow s = r;
    for (double *v : { &s.temp, &s.tempMin, &s.tempMax, &s.dew })
        *v = stored(*v, Temperature);
    for (double *v : { &s.hum, &s.humMin, &s.humMax })
        *v = stored(*v, Humidity);
    for (double *v : { &s.press, &s.pressMin, &s.pressMax, &s.pressStn })
        *v = stored(*v, Pressure);
    s.wind = stored(s.wind, Speed);
    s.gust = stored(s.gust, Speed);
    s.windDir = stored(s.windDir, Direction);
    s.gustDir = stored(s.gustDir, Direction);
    s.rain = stored(s.rain, Rain);
    s.solar = stored(s.solar, Solar);
    s.strikeKm = stored(s.strikeKm, Distance);
    return s;
}

bool scanMinutes(
    const QSqlDatabase &db, qint64 from, qint64 to, const MinuteVisitor &visit, QString *error)
{
    using namespace archive::scale;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral(
            "SELECT t, cycles, temp, temp_min, temp_max, dew, hum, hum_min, hum_max, press,"
            " press_min, press_max, wind, wind_dir, gust, gust_dir, rain, solar FROM minutes"
            " WHERE t >= :from AND t < :to ORDER BY t")))
        return failed(q, error);
    q.bindValue(QStringLiteral(":from"), from);
    q.bindValue(QStringLiteral(":to"), to);
    if (!q.exec())
        return failed(q, error);
    archive::MinuteRow r;
    while (q.next()) {
        r.start = q.value(0).toLongLong();
        r.cycles = q.value(1).toInt();
        r.temp = column(q, 2, Temperature);
        r.tempMin = column(q, 3, Temperature);
        r.tempMax = column(q, 4, Temperature);
        r.dew = column(q, 5, Temperature);
        r.hum = column(q, 6, Humidity);
        r.humMin = column(q, 7, Humidity);
        r.humMax = column(q, 8, Humidity);
        r.press = column(q, 9, Pressure);
        r.pressMin = column(q, 10, Pressure);
        r.pressMax = column(q, 11, Pressure);
        r.wind = column(q, 12, Speed);
        r.windDir = column(q, 13, Direction);
        r.gust = column(q, 14, Speed);
        r.gustDir = column(q, 15, Direction);
        r.rain = column(q, 16, Rain);
        r.solar = column(q, 17, Solar);
        if (!visit(r))
            return true;
    }
    if (q.lastError().isValid())
        return failed(q, error);
    return true;
}

bool lastArchivedMinute(const QSqlDatabase &db, std::optional<qint64> *last, QString *error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT max(t) FROM minutes")) || !q.next())
        return failed(q, error);
    *last = q.value(0).isNull() ? std::nullopt : std::optional<qint64>(q.value(0).toLongLong());
    return true;
}

bool countMinutes(const QSqlDatabase &db, qint64 last, qint64 *count, QString *error)
{
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("SELECT count(*) FROM minutes WHERE t <= ?")))
        return failed(q, error);
    q.addBindValue(last);
    if (!q.exec() || !q.next())
        return failed(q, error);
    *count = q.value(0).toLongLong();
    return true;
}

bool openReadOnly(const QString &connection, const QString &path, QString *error)
{
    if (!QFileInfo::exists(path)) {
        if (error)
            *error = QStringLiteral("no archive at %1").arg(path);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    return true;
}

} // namespace records

#include "raintotal.h"

#include "archiveschema.h"

#include <QDebug>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

namespace archive {

bool queryRain(
    const QSqlDatabase &db, qint64 from, qint64 to, std::optional<double> *mm, QString *error)
{
    mm->reset();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // No rows, or nulls only, give null; no sum can overflow (sumOf).
    if (!q.prepare(QStringLiteral("SELECT %1 FROM minutes WHERE t >= :from AND t < :to")
                       .arg(sumOf("rain")))) {
        *error = q.lastError().text();
        return false;
    }
    q.bindValue(QStringLiteral(":from"), from);
    q.bindValue(QStringLiteral(":to"), to);
    if (!q.exec() || !q.next()) {
        *error = q.lastError().text();
        return false;
    }
    if (!q.value(0).isNull())
        *mm = q.value(0).toDouble() / scale::Rain;
    return true;
}

std::optional<double> rainTotal(const QString &file, qint64 from, qint64 to)
{
    // Opening a file that is not there would make an empty one.
    if (!QFileInfo::exists(file))
        return std::nullopt;
    std::optional<double> mm;
    const QString connection
        = QStringLiteral("skyquill-rain-%1").arg(quintptr(QThread::currentThreadId()));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=500"));
        QString error;
        if (!db.open())
            error = db.lastError().text();
        else
            queryRain(db, from, to, &mm, &error);
        if (!error.isEmpty())
            qDebug().noquote() << "Rain totals: cannot read" << file << ":" << error;
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return mm;
}

} // namespace archive

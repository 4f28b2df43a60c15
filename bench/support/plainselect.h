#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariantList>

// The floor of a benchmark that reads the archive: every value of every row
// a query gives, read on a connection of its own and summed so that no read
// can be left out. Returns the rows read.
inline int plainSelect(const QString &path, const QString &sql, const QVariantList &values = {})
{
    double sum = 0;
    int rows = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "floor");
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.open();
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(sql);
        for (const QVariant &value : values)
            q.addBindValue(value);
        q.exec();
        const int columns = q.record().count();
        while (q.next()) {
            for (int c = 0; c < columns; ++c)
                sum += q.value(c).toDouble();
            ++rows;
        }
    }
    QSqlDatabase::removeDatabase("floor");
    return sum == -1 ? 0 : rows; // keeps the reads
}

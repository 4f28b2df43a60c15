#include "archivestore.h"

#include "archiveschema.h"
#include "settings/privatefiles.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

// SQLite's primary result codes that mean the file itself is bad.
constexpr int SqliteCorrupt = 11;
constexpr int SqliteNotADatabase = 26;

bool corruptError(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt();
    return code == SqliteCorrupt || code == SqliteNotADatabase;
}

// Primary result codes of the file, the disk or the lock: SQLITE_PERM,
// BUSY, LOCKED, NOMEM, READONLY, INTERRUPT, IOERR, CORRUPT, FULL, CANTOPEN,
// PROTOCOL, AUTH, NOTADB. Anything else is about the statement or its rows.
bool fileError(const QSqlError &error)
{
    switch (error.nativeErrorCode().toInt()) {
    case 3:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 13:
    case 14:
    case 15:
    case 23:
    case 26:
        return true;
    default:
        return false;
    }
}

QString describe(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

QString uniqueConnectionName()
{
    static std::atomic<int> next { 0 };
    return QStringLiteral("skyquill-archive-%1").arg(++next);
}

// Contiguous runs of whole periods holding the given minutes, as [from, to).
QVector<QPair<qint64, qint64>> spans(std::vector<qint64> minutes, int period)
{
    QVector<QPair<qint64, qint64>> result;
    std::sort(minutes.begin(), minutes.end());
    for (qint64 minute : minutes) {
        const qint64 start = minute - minute % period;
        if (!result.isEmpty() && start <= result.back().second)
            result.back().second = std::max(result.back().second, start + period);
        else
            result.append({ start, start + period });
    }
    return result;
}

} // namespace

ArchiveStore::ArchiveStore()
    : connectionName(uniqueConnectionName())
    , utcNow([] { return QDateTime::currentDateTimeUtc(); })
{
}

ArchiveStore::~ArchiveStore()
{
    close();
}

QSqlDatabase ArchiveStore::database() const
{
    return QSqlDatabase::database(connectionName, false);
}

void ArchiveStore::close()
{
    ready = false;
    if (!QSqlDatabase::contains(connectionName))
        return;
    {
        QSqlDatabase db = database();
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

ArchiveStore::OpenResult ArchiveStore::open(const QString &path, QString *error)
{
    close();
    filePath = path;
    QString reason;
    // A second round only after the first file went aside.
    for (int round = 0; round < 2; ++round) {
        switch (tryOpen(&reason)) {
        case Check::Ready:
            ready = true;
            readRainMark();
            return OpenResult::Ready;
        case Check::Newer:
            close();
            if (error)
                *error = reason;
            return OpenResult::Newer;
        case Check::Failed:
            close();
            if (error)
                *error = reason;
            return OpenResult::Failed;
        case Check::Unusable:
            if (!moveAside(reason)) {
                if (error)
                    *error = reason;
                return OpenResult::Failed;
            }
            break;
        }
    }
    if (error)
        *error = reason;
    return OpenResult::Failed;
}

ArchiveStore::Check ArchiveStore::tryOpen(QString *reason)
{
    close();
    const QFileInfo info(filePath);
    const bool existed = info.exists() && (info.size() > 0 || !info.isFile());
    // SQLite gives its journal files the mode of the database file.
    privatefiles::prepareFile(filePath);
    for (const char *suffix : { "-wal", "-shm" })
        privatefiles::tighten(filePath + QLatin1String(suffix));

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(filePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        *reason = describe(db.lastError());
        return existed && corruptError(db.lastError()) ? Check::Unusable : Check::Failed;
    }

    QSqlQuery q(db);
    // The version and the tables in one statement, so one snapshot: another
    // of our connections (the writer, the records, the history) may create
    // the archive at this moment, and a version read before its commit with
    // tables read after it would call our own archive someone else's.
    if (!q.exec(QStringLiteral("SELECT user_version, (SELECT count(*) FROM sqlite_master)"
                               " FROM pragma_user_version"))
        || !q.next()) {
        *reason = describe(q.lastError());
        return corruptError(q.lastError()) ? Check::Unusable : Check::Failed;
    }
    const int version = q.value(0).toInt();
    const int objects = q.value(1).toInt();
    q.finish();
    if (version > archive::SchemaVersion) {
        *reason = QStringLiteral("schema version %1 is newer than this console's %2")
                      .arg(version)
                      .arg(archive::SchemaVersion);
        return Check::Newer;
    }
    if (version == 0) {
        if (objects > 0) {
            // Someone's data, not ours to move.
            *reason = QStringLiteral("a database that is not an archive, left as it is");
            return Check::Failed;
        }
    } else {
        // Reads every page once: a bad page found now is not one that a graph
        // trips over later.
        if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next()) {
            *reason = describe(q.lastError());
            return corruptError(q.lastError()) ? Check::Unusable : Check::Failed;
        }
        const QString verdict = q.value(0).toString();
        if (verdict != QLatin1String("ok")) {
            *reason = verdict;
            return Check::Unusable;
        }
    }

    // FULL: with one commit a minute, a power cut then costs at most the
    // minute in progress, for one sync of the journal a minute.
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.next()
        || q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0
        || !q.exec(QStringLiteral("PRAGMA synchronous=FULL"))) {
        *reason = q.lastError().isValid() ? describe(q.lastError())
                                          : QStringLiteral("no write-ahead journal");
        return corruptError(q.lastError()) ? Check::Unusable : Check::Failed;
    }
    q.finish();

    if (version == 0) {
        bool ok = q.exec(QStringLiteral("BEGIN IMMEDIATE"));
        for (const QString &statement : archive::createStatements())
            ok = ok && q.exec(statement);
        ok = ok && q.exec(QStringLiteral("PRAGMA user_version=%1").arg(archive::SchemaVersion));
        ok = ok && q.exec(QStringLiteral("COMMIT"));
        if (!ok) {
            *reason = describe(q.lastError());
            q.exec(QStringLiteral("ROLLBACK"));
            return Check::Failed;
        }
    }
    if (!q.exec(archive::createRainMarkSql())) {
        *reason = describe(q.lastError());
        return corruptError(q.lastError()) ? Check::Unusable : Check::Failed;
    }
    return Check::Ready;
}

void ArchiveStore::readRainMark()
{
    rainMark.reset();
    rainCarried = false;
    QSqlQuery q(database());
    if (q.exec(archive::selectRainMarkSql()) && q.next())
        rainMark = archive::RainMark { q.value(0).toLongLong(),
            q.value(1).toLongLong() / archive::scale::Rain };
}

bool ArchiveStore::moveAside(const QString &reason)
{
    close();
    const QString stamp = utcNow().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString aside = filePath + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = filePath + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-')
            + QString::number(n);

    if (!QFile::rename(filePath, aside)) {
        qDebug().noquote() << "Archive" << filePath
                           << "cannot be used (" + reason
                + ") and cannot be moved aside; nothing is archived until it can";
        return false;
    }
    // The journal belongs to the old file: it goes along, never into the new one.
    for (const QString &suffix : { QStringLiteral("-wal"), QStringLiteral("-shm") }) {
        if (QFileInfo::exists(filePath + suffix)
            && !QFile::rename(filePath + suffix, aside + suffix)
            && !QFile::remove(filePath + suffix)) {
            qDebug().noquote() << "Archive: cannot move" << filePath + suffix
                               << "aside; nothing is archived until it can";
            return false;
        }
    }
    qDebug().noquote() << "Archive" << filePath << "cannot be used (" + reason + "): moved aside to"
                       << aside << "and a new archive started";
    return true;
}

ArchiveStore::WriteResult ArchiveStore::insert(const QVector<archive::MinuteRow> &given)
{
    if (!ready)
        return { false, 0, QStringLiteral("the archive is not open"), false };
    QVector<archive::MinuteRow> rows = given;
    const bool carries
        = !rainCarried && archive::carryRainBefore(rows, rainMark ? &*rainMark : nullptr);
    bool corrupt = false;
    WriteResult result = insertOnce(rows, &corrupt);
    if (corrupt) {
        QString reason;
        if (moveAside(result.error) && tryOpen(&reason) == Check::Ready) {
            ready = true;
            result = insertOnce(rows, &corrupt);
        } else {
            close();
        }
    }
    rainCarried = rainCarried || (result.ok && carries);
    return result;
}

ArchiveStore::WriteResult ArchiveStore::insertOnce(
    const QVector<archive::MinuteRow> &rows, bool *corrupt)
{
    WriteResult result;
    QSqlDatabase db = database();
    QSqlQuery q(db);
    // `byRows`: the statement that failed was about the rows themselves.
    const auto fail = [&](const QSqlQuery &failed, bool byRows = false) {
        result.ok = false;
        result.added = 0;
        result.error = describe(failed.lastError());
        result.rowsRefused = byRows && !fileError(failed.lastError());
        *corrupt = corruptError(failed.lastError());
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return result;
    };

    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(q);
    if (!q.prepare(archive::insertMinuteSql()))
        return fail(q);
    std::vector<qint64> added;
    for (const archive::MinuteRow &row : rows) {
        const QVector<QVariant> values = archive::minuteValues(row);
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        if (!q.exec())
            return fail(q, true);
        if (q.numRowsAffected() > 0)
            added.push_back(row.start);
    }
    // Days after hours: they fold them.
    for (const archive::Tier &tier : { archive::Tens, archive::Hours, archive::Days }) {
        QSqlQuery rollup(db);
        if (!rollup.prepare(archive::rollupSql(tier)))
            return fail(rollup);
        for (const auto &span : spans(added, tier.seconds)) {
            rollup.bindValue(QStringLiteral(":from"), span.first);
            rollup.bindValue(QStringLiteral(":to"), span.second);
            if (!rollup.exec())
                return fail(rollup, true);
        }
    }
    const auto live = std::find_if(rows.crbegin(), rows.crend(),
        [](const archive::MinuteRow &row) { return std::isfinite(row.rainTotal); });
    if (live != rows.crend()) {
        if (!q.prepare(archive::replaceRainMarkSql()))
            return fail(q);
        q.bindValue(0, live->start);
        q.bindValue(1, qint64(std::llround(live->rainTotal * archive::scale::Rain)));
        if (!q.exec())
            return fail(q);
    }
    q.finish();
    if (!q.exec(QStringLiteral("COMMIT")))
        return fail(q);
    result.ok = true;
    result.added = int(added.size());
    return result;
}

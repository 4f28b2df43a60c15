#include "recordsloader.h"

#include "minutescan.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSqlDatabase>

#include <atomic>
#include <limits>

namespace records {

namespace {

// A records file is a few kilobytes; anything much larger is not one.
constexpr qint64 MaxStateBytes = 1 << 20;

QString connectionName()
{
    static std::atomic<int> next { 0 };
    return QStringLiteral("skyquill-records-%1").arg(++next);
}

std::optional<RecordBook> readState(const QString &path, const QByteArray &zone, QString *why)
{
    QFile file(path);
    if (!file.exists()) {
        *why = QStringLiteral("no records file yet");
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxStateBytes) {
        *why = QStringLiteral("the records file cannot be read");
        return std::nullopt;
    }
    QJsonParseError parsed;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parsed);
    if (!doc.isObject()) {
        *why = QStringLiteral("the records file is damaged (%1)").arg(parsed.errorString());
        return std::nullopt;
    }
    QString error;
    std::optional<RecordBook> book = RecordBook::fromJson(doc.object(), zone, &error);
    if (!book)
        *why = QStringLiteral("the records file is set aside: ") + error;
    return book;
}

} // namespace

Loaded loadRecords(const QString &stateFile, const QString &archiveFile, const QTimeZone &zone,
    bool rebuild, const std::atomic<bool> *cancel)
{
    Loaded result;
    LocalCalendar calendar(zone);
    QString why = QStringLiteral("a rebuild was asked for");
    std::optional<RecordBook> saved;
    if (!rebuild)
        saved = readState(stateFile, calendar.zoneId(), &why);

    const QString connection = connectionName();
    {
        QString error;
        if (!openReadOnly(connection, archiveFile, &error)) {
            // Without an archive the file is all there is.
            if (saved)
                result.book = *saved;
            result.ok = bool(saved) || !QFile::exists(archiveFile);
            result.note = saved ? QStringLiteral("records read; no archive to catch up from")
                                : QStringLiteral("no records yet: ") + error;
        } else {
            const QSqlDatabase db = QSqlDatabase::database(connection, false);
            std::optional<qint64> newest;
            qint64 archived = 0;
            bool ok = lastArchivedMinute(db, &newest, &error);
            if (ok && saved && saved->minutes() > 0) {
                ok = countMinutes(db, saved->lastMinute(), &archived, &error);
                if (ok && archived > saved->minutes()) {
                    why = QStringLiteral("the archive holds minutes the records never saw");
                    saved.reset();
                }
            }
            if (saved)
                result.book = *saved;
            result.rebuilt = !saved;

            // The reports' days: the local year of the newest minute known.
            qint64 latest = newest.value_or(std::numeric_limits<qint64>::min());
            if (result.book.minutes() > 0)
                latest = std::max(latest, result.book.lastMinute());
            const int year = latest == std::numeric_limits<qint64>::min()
                ? 0
                : calendar.localDate(latest).year();
            const qint64 yearFrom = year ? LocalCalendar::spanFrom(QDate(year, 1, 1))
                                         : std::numeric_limits<qint64>::max();
            qint64 from = std::numeric_limits<qint64>::min();
            if (saved && saved->minutes() > 0)
                from = std::min(saved->lastMinute() + 1, yearFrom);
            bool stopped = false;
            if (ok && newest)
                ok = scanMinutes(
                    db, from, std::numeric_limits<qint64>::max(),
                    [&](const archive::MinuteRow &row) {
                        if (cancel && cancel->load()) {
                            stopped = true;
                            return false;
                        }
                        result.book.add(row, calendar);
                        if (row.start >= yearFrom && calendar.localDate(row.start).year() == year)
                            result.days.add(row, calendar);
                        return true;
                    },
                    &error);
            result.ok = ok && !stopped;
            if (!ok)
                result.note = QStringLiteral("cannot read the archive: ") + error;
            else if (stopped)
                result.note = QStringLiteral("stopped");
            else if (result.rebuilt)
                result.note = QStringLiteral("rebuilt from %1 archived minutes (%2)")
                                  .arg(result.book.minutes())
                                  .arg(why);
            else
                result.note = QStringLiteral("read, and caught up with the archive");
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return result;
}

bool saveRecords(
    const QString &stateFile, const RecordBook &book, const QByteArray &zone, QString *error)
{
    QSaveFile file(stateFile);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    file.write(QJsonDocument(book.toJson(zone)).toJson(QJsonDocument::Compact));
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace records

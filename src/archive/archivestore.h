#pragma once

#include "minuteaggregator.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <functional>

// One connection to the archive file, used on one thread. Opening checks the
// file; one that is corrupt or cannot be opened is renamed aside (with its
// journal) and a new one started, so the console keeps archiving.
class ArchiveStore
{
public:
    using Clock = std::function<QDateTime()>;

    enum class OpenResult
    {
        Ready,
        Newer, // written by a later version: left alone, nothing written
        Failed, // neither usable nor movable (a missing or read-only folder)
    };

    struct WriteResult
    {
        bool ok = false;
        int added = 0; // minutes not already present
        QString error;
    };

    ArchiveStore();
    ~ArchiveStore();
    ArchiveStore(const ArchiveStore &) = delete;
    ArchiveStore &operator=(const ArchiveStore &) = delete;

    // UTC time for the name of a file moved aside.
    void setClock(const Clock &clock) { utcNow = clock; }

    // Logs what it did to a file it could not use; `error` says why it failed.
    OpenResult open(const QString &path, QString *error = nullptr);
    bool isOpen() const { return ready; }
    void close();
    QString path() const { return filePath; }

    // One transaction: the rows (minutes already present are kept as they
    // are) and the rollups they touch. A corrupt file found on the way is
    // moved aside and the rows go into a new one.
    WriteResult insert(const QVector<archive::MinuteRow> &rows);

    // For queries on this connection (tests, the import's checks).
    QSqlDatabase database() const;

private:
    enum class Check
    {
        Ready,
        Newer,
        Unusable, // to be moved aside
        Failed,
    };
    Check tryOpen(QString *reason);
    bool moveAside(const QString &reason);
    WriteResult insertOnce(const QVector<archive::MinuteRow> &rows, bool *corrupt);

    QString connectionName;
    QString filePath;
    bool ready = false;
    Clock utcNow;
};

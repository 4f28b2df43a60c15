#pragma once

#include "minuteaggregator.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

// One connection to the archive file, used on one thread. Opening checks the
// file; one that SQLite finds is not a database or is corrupt is renamed
// aside (with its journal) and a new one started, so the console keeps
// archiving. Any other failure (permissions, too many open files) leaves the
// file where it is, history and all, to be tried again.
class ArchiveStore
{
public:
    using Clock = std::function<QDateTime()>;

    enum class OpenResult
    {
        Ready,
        Newer, // written by a later version: left alone, nothing written
        Failed, // not usable now (a missing folder, no permission, no file
                // handle left) or corrupt and not movable
    };

    struct WriteResult
    {
        bool ok = false;
        int added = 0; // minutes not already present
        QString error;
        // The database refused what a row holds: the failure came from a
        // row's insert or its rollup and is not the file's or the disk's
        // (full, read-only, locked, corrupt), so fewer rows may go in.
        bool rowsRefused = false;
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
    // moved aside and the rows go into a new one. The first live minute
    // after opening also takes the rain that fell since the archive's last
    // one (carryRainBefore).
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
    void readRainMark();

    QString connectionName;
    QString filePath;
    bool ready = false;
    Clock utcNow;
    std::optional<archive::RainMark> rainMark; // as the file held it at opening
    bool rainCarried = false;
};

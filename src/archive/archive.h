#pragma once

#include "acquisition/stationcycle.h"
#include "archivestore.h"
#include "minuteaggregator.h"

#include <QObject>
#include <QThread>
#include <QVector>

// What the archive needs of the settings.
struct ArchiveSettings
{
    bool enabled = true;
    QString path; // the archive file
};

// The writing end, on a thread of its own that owns the database connection.
// Minutes it could not write stay queued and go with the next attempt.
class ArchiveWriter : public QObject
{
    Q_OBJECT

public:
    // Minutes kept while the archive cannot be written: a month.
    static constexpr int MaxPending = 31 * 24 * 60;

    explicit ArchiveWriter(QObject *parent = nullptr);

    void setClock(const ArchiveStore::Clock &clock) { store.setClock(clock); }

    void open(const QString &path);
    void write(const QVector<archive::MinuteRow> &rows);
    void close();

signals:
    // After each commit; `lastMinute` is the start of the newest row handed over.
    void written(qint64 lastMinute, int added);

private:
    bool ensureOpen();
    void reportFailure(const QString &reason);

    ArchiveStore store;
    QString path;
    QVector<archive::MinuteRow> pending;
    bool failing = false;
    bool dropping = false;
    bool newer = false;
};

// The consumer of the published cycles: folds them into minutes on the main
// thread, which costs next to nothing, and hands each finished minute to the
// writer's thread.
class Archive : public QObject
{
    Q_OBJECT

public:
    explicit Archive(QObject *parent = nullptr);
    // Writes the minute in progress and waits for the writer.
    ~Archive() override;

    void setSettings(const ArchiveSettings &settings);
    ArchiveSettings settings() const { return current; }
    // UTC time for the name of a file moved aside.
    void setClock(const ArchiveStore::Clock &clock);

    void takeCycle(const CyclePtr &cycle);

    // Writes the minute in progress, then stops the writer (at shutdown).
    void close();
    // Returns once everything handed over so far has been tried.
    void sync();

signals:
    void minutesWritten(qint64 lastMinute);

private:
    void start();
    void hand(const QVector<archive::MinuteRow> &rows);

    ArchiveSettings current;
    archive::MinuteAggregator aggregator;
    QThread thread;
    ArchiveWriter *writer = nullptr;
};

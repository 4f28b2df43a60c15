#pragma once

#include "acquisition/service.h"
#include "archivesettings.h"
#include "archivestore.h"
#include "minuteaggregator.h"

#include <QObject>
#include <QThread>
#include <QVector>

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
    // Writes `rows`, in one transaction while that works. A batch the
    // database refuses for what a row holds is halved until each minute it
    // refuses stands alone: those are logged and left out, so they never
    // hold later minutes back. False, with the error, when the file or the
    // disk fails: then nothing is given up.
    bool writeIsolating(const QVector<archive::MinuteRow> &rows, int *added, QString *error);

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
class Archive : public QObject, public Service
{
    Q_OBJECT

public:
    explicit Archive(QObject *parent = nullptr);
    // Writes the minute in progress and waits for the writer.
    ~Archive() override;

    void setSettings(const ArchiveSettings &settings);
    void readSettings(const SettingsReader &settings) override;
    ArchiveSettings settings() const { return current; }
    // UTC time for the name of a file moved aside.
    void setClock(const ArchiveStore::Clock &clock);

    void takeCycle(const CyclePtr &cycle) override;

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

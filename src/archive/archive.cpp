#include "archive.h"

#include <QDebug>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(archiveAlert, "skyquill.alert.archive")

} // namespace

// --- ArchiveWriter -------------------------------------------------------------

ArchiveWriter::ArchiveWriter(QObject *parent)
    : QObject(parent)
{
}

void ArchiveWriter::open(const QString &file)
{
    store.close();
    path = file;
    newer = false;
    ensureOpen();
}

bool ArchiveWriter::ensureOpen()
{
    if (store.isOpen())
        return true;
    if (newer || path.isEmpty())
        return false;
    QString error;
    switch (store.open(path, &error)) {
    case ArchiveStore::OpenResult::Ready:
        return true;
    case ArchiveStore::OpenResult::Newer:
        newer = true;
        qCWarning(archiveAlert).noquote()
            << "Archive" << path << "left as it is:" << error << "; no minutes are archived";
        return false;
    case ArchiveStore::OpenResult::Failed:
        reportFailure(QStringLiteral("cannot be opened: ") + error);
        return false;
    }
    return false;
}

void ArchiveWriter::write(const QVector<archive::MinuteRow> &rows)
{
    // An archive of a later version is not ours to add to: nothing waits for it.
    if (newer)
        return;
    pending += rows;
    if (pending.size() > MaxPending) {
        const int dropped = pending.size() - MaxPending;
        pending.remove(0, dropped);
        if (!dropping)
            qDebug().noquote() << "Archive: minutes older than a month dropped unwritten";
        dropping = true;
    }
    if (pending.isEmpty() || !ensureOpen())
        return;
    int added = 0;
    QString error;
    if (!writeIsolating(pending, &added, &error)) {
        reportFailure(error);
        return;
    }
    if (failing) {
        failing = false;
        dropping = false;
        qDebug().noquote() << "Archive minutes written again to" << path;
    }
    const qint64 last = pending.back().start;
    pending.clear();
    emit written(last, added);
}

bool ArchiveWriter::writeIsolating(
    const QVector<archive::MinuteRow> &rows, int *added, QString *error)
{
    const ArchiveStore::WriteResult result = store.insert(rows);
    if (result.ok) {
        *added += result.added;
        return true;
    }
    if (!result.rowsRefused) {
        *error = result.error;
        return false;
    }
    if (rows.size() == 1) {
        qCWarning(archiveAlert).noquote()
            << "Archive: the minute"
            << QDateTime::fromSecsSinceEpoch(rows.front().start, Qt::UTC).toString(Qt::ISODate)
            << "cannot be written (" + result.error + "); left out";
        return true;
    }
    const int half = rows.size() / 2;
    return writeIsolating(rows.mid(0, half), added, error)
        && writeIsolating(rows.mid(half), added, error);
}

void ArchiveWriter::close()
{
    if (!pending.isEmpty())
        write({});
    store.close();
}

void ArchiveWriter::reportFailure(const QString &reason)
{
    // Once per run of failures: a full disk fails every minute.
    if (failing)
        return;
    failing = true;
    qCWarning(archiveAlert).noquote() << "Archive minutes not written to" << path << ":" << reason;
}

// --- Archive -------------------------------------------------------------------

Archive::Archive(QObject *parent)
    : QObject(parent)
    , writer(new ArchiveWriter)
{
    thread.setObjectName(QStringLiteral("archive"));
    writer->moveToThread(&thread);
    connect(writer, &ArchiveWriter::written, this,
        [this](qint64 last, int) { emit minutesWritten(last); });
}

Archive::~Archive()
{
    close();
    delete writer;
}

void Archive::setClock(const ArchiveStore::Clock &utc)
{
    QMetaObject::invokeMethod(writer, [w = writer, utc] { w->setClock(utc); });
}

void Archive::readSettings(const SettingsReader &settings)
{
    setSettings(archiveSettingsFrom(settings));
}

void Archive::setSettings(const ArchiveSettings &settings)
{
    if (settings == current)
        return;
    const bool wanted = settings.enabled && !settings.path.isEmpty();
    const bool pathChanged = settings.path != current.path;
    if (!wanted) {
        close();
        current = settings;
        return;
    }
    if (thread.isRunning() && !pathChanged) {
        current = settings;
        return;
    }
    // The minute so far belongs to the file it was started for.
    if (thread.isRunning())
        if (const auto row = aggregator.flush())
            hand({ *row });
    current = settings;
    start();
    QMetaObject::invokeMethod(writer, [w = writer, path = settings.path] { w->open(path); });
}

void Archive::start()
{
    if (!thread.isRunning())
        thread.start();
}

void Archive::takeCycle(const CyclePtr &cycle)
{
    // Folded even while off, so the rain and lightning counts start right
    // when it is turned on.
    const auto row = aggregator.take(*cycle);
    if (row && thread.isRunning())
        hand({ *row });
}

void Archive::hand(const QVector<archive::MinuteRow> &rows)
{
    QMetaObject::invokeMethod(writer, [w = writer, rows] { w->write(rows); });
}

void Archive::close()
{
    if (!thread.isRunning())
        return;
    if (const auto row = aggregator.flush())
        hand({ *row });
    // Quit from inside, after everything posted before: a quit from here
    // could end the loop with writes still queued.
    QMetaObject::invokeMethod(writer, [w = writer] {
        w->close();
        QThread::currentThread()->quit();
    });
    thread.wait();
}

void Archive::sync()
{
    if (thread.isRunning())
        QMetaObject::invokeMethod(
            writer, [] {}, Qt::BlockingQueuedConnection);
}

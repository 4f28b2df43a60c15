#include "archive/archivestore.h"
#include "support/processes.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// A process killed outright (SIGKILL; TerminateProcess on Windows) while it
// writes minutes leaves an archive that opens, unharmed, with every minute it
// had reported written.
class TestArchiveDurability : public QObject
{
    Q_OBJECT

private slots:
    void killedWhileWritingKeepsEveryFinishedMinute()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("archive.sqlite"));
        TestProcess child;
        child.process->start(QStringLiteral(ARCHIVE_CHILD), { path });
        QVERIFY(child.process->waitForStarted());

        QList<qint64> written;
        while (written.size() < 40) {
            const std::optional<QString> line = child.waitForLine("written");
            QVERIFY2(line, "the writer stopped reporting");
            written.append(line->toLongLong());
        }
        child.process->kill();
        QVERIFY(child.process->waitForFinished(5000));
        QCOMPARE(child.process->exitStatus(), QProcess::CrashExit);

        ArchiveStore store;
        QCOMPARE(store.open(path), ArchiveStore::OpenResult::Ready);
        QVERIFY(QDir(folder.path()).entryList({ "*corrupt*" }).isEmpty());
        QSet<qint64> kept;
        QSqlQuery q(store.database());
        QVERIFY(q.exec("SELECT t FROM minutes"));
        while (q.next())
            kept.insert(q.value(0).toLongLong());
        for (qint64 minute : written)
            QVERIFY2(kept.contains(minute), qPrintable(QString::number(minute)));
        // The rollups were committed with their minutes.
        QVERIFY(q.exec("SELECT sum(minutes) FROM hours"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), kept.size());
    }
};

QTEST_GUILESS_MAIN(TestArchiveDurability)
#include "tst_archivedurability.moc"

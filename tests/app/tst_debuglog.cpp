#include "app/debuglog.h"
#include "settings/syssettings.h"
#include "support/filemode.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

class TestDebugLog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        settings = std::make_unique<SysSettings>(dir->path() + "/settings");
        logFile = dir->path() + "/Desktop/quorindebuglog.txt";
        QDir().mkpath(dir->path() + "/Desktop");
        debuglog::configure(settings.get(), logFile);
        previousHandler = qInstallMessageHandler(debuglog::messageHandler);
    }

    void cleanup()
    {
        qInstallMessageHandler(previousHandler);
        debuglog::close();
        debuglog::configure(nullptr);
    }

    void firstRunBytesAndPrefixes()
    {
        settings->setDebugLogEnabled(true);
        qDebug() << "Application starting";
        qInfo() << "info";
        qWarning() << "careful";
        qCritical() << "bad";
        qDebug() << "Location:" << QStringLiteral("C:\\x \"y\"") << 42;
        // Flushed per line: the bytes are on disk before the file is closed.
        QCOMPARE(contents(),
            QByteArray("\n\nDebug: Application starting\nInfo: info\nWarning: careful\n"
                       "Critical: bad\nDebug: Location: \"C:\\\\x \\\"y\\\"\" 42\n"));
#ifdef Q_OS_UNIX
        QCOMPARE(fileMode(logFile), 0600);
#endif
    }

    void twoRunsShareTheFileWithASeparator()
    {
        settings->setDebugLogEnabled(true);
        qDebug() << "first run";
        debuglog::close();
        qDebug() << "second run";
        QCOMPARE(contents(), QByteArray("\n\nDebug: first run\n\n\nDebug: second run\n"));
    }

    void disabledNeitherCreatesNorTouches()
    {
        qDebug() << "dropped";
        QVERIFY(!QFile::exists(logFile));

        settings->setDebugLogEnabled(true);
        qDebug() << "kept";
        settings->setDebugLogEnabled(false);
        qDebug() << "dropped too";
        settings->setDebugLogEnabled(true);
        qDebug() << "again"; // same stream: no new separator
        QCOMPARE(contents(), QByteArray("\n\nDebug: kept\nDebug: again\n"));
    }

    void infoAndErrorsReachStderrWhateverTheSetting()
    {
        QByteArray console;
        debuglog::setConsoleWriter([&console](const QByteArray &line) { console += line; });
        qDebug() << "quiet";
        qWarning() << "quiet too";
        qInfo().noquote() << "Listening on port 1502";
        qCritical() << "bad";
        settings->setDebugLogEnabled(true);
        qInfo().noquote() << "also in the file";
        debuglog::setConsoleWriter(nullptr);
        QCOMPARE(console, QByteArray("Listening on port 1502\nCritical: bad\nalso in the file\n"));
        QCOMPARE(contents(), QByteArray("\n\nInfo: also in the file\n"));
    }

    void aFullFileMakesWayForANewOne()
    {
        settings->setDebugLogEnabled(true);
        debuglog::setMaxBytes(4096);
        for (int i = 0; i < 200; ++i)
            qDebug().noquote() << QStringLiteral("line %1 ").arg(i, 4) + QString(80, 'x');
        debuglog::setMaxBytes(0);
        QCOMPARE(QDir(dir->path() + "/Desktop").entryList(QDir::Files),
            QStringList({ "quorindebuglog.txt", "quorindebuglog.txt.1" }));
        QVERIFY(QFileInfo(logFile + ".1").size() < 4096 + 100);
        QVERIFY(contents().size() < 4096 + 100);
        QVERIFY(contents().contains("line  199 "));
    }

    void unopenableFileIsRetriedQuietly()
    {
        settings->setDebugLogEnabled(true);
        debuglog::configure(settings.get(), dir->path() + "/missing-folder/log.txt");
        qDebug() << "lost";
        QVERIFY(!QFile::exists(dir->path() + "/missing-folder/log.txt"));
        debuglog::configure(settings.get(), logFile);
        qDebug() << "found";
        QCOMPARE(contents(), QByteArray("\n\nDebug: found\n"));
    }

    void threadsNeverInterleaveALine()
    {
        settings->setDebugLogEnabled(true);
        const int perThread = 2000;
        auto writer = [](char tag) {
            return QThread::create([tag] {
                const QByteArray text(120, tag);
                for (int i = 0; i < perThread; ++i)
                    qDebug().noquote() << text;
            });
        };
        std::unique_ptr<QThread> a(writer('a')), b(writer('b'));
        a->start();
        b->start();
        QVERIFY(a->wait(30000));
        QVERIFY(b->wait(30000));

        const QList<QByteArray> lines = contents().split('\n');
        int as = 0, bs = 0;
        for (const QByteArray &line : lines) {
            if (line.isEmpty())
                continue;
            QVERIFY2(line == "Debug: " + QByteArray(120, 'a')
                    || line == "Debug: " + QByteArray(120, 'b'),
                line.constData());
            (line.endsWith('a') ? as : bs)++;
        }
        QCOMPARE(as, perThread);
        QCOMPARE(bs, perThread);
    }

private:
    QByteArray contents() const
    {
        QFile file(logFile);
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray("<missing>");
        return file.readAll();
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SysSettings> settings;
    QString logFile;
    QtMessageHandler previousHandler = nullptr;
};

QTEST_GUILESS_MAIN(TestDebugLog)
#include "tst_debuglog.moc"

#include "app/console.h"
#include "app/consumersettings.h"
#include "archive/archivestore.h"
#include "settings/syssettings.h"
#include "support/fakestation.h"
#include "support/localportal.h"
#include "support/logcapture.h"

#include <QSettings>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

// The app's wiring: each published cycle reaches the data log, the gateway
// and the uploader with the settings of the moment.
class TestConsole : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { keepPortalUploadsLocal(); }

    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        settings = std::make_unique<SysSettings>(dir->path());
        station = std::make_unique<FakeStation>();
        log = std::make_unique<LogCapture>();
        console = std::make_unique<Console>(*settings, 0);
        modbus = &console->modbus();
        modbus->setLinkFactory(fakeStationFactory(*station));
    }

    void cleanup()
    {
        console.reset();
        log.reset();
    }

    void dataLogLinesOnTheFirstCycleThenEveryNthEvenWhenReadsFail()
    {
        const QString csvFolder = dir->path() + "/csv";
        settings->setLogPath(csvFolder);
        settings->setUpdateLogSeconds(2);
        settings->setLogEnabled(true);
        console->setClock([] { return QDateTime(QDate(2026, 5, 4), QTime(12, 0)); });
        const QString file = csvFolder + "/logfile-2026-05-04.csv";
        auto rows = [&file] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll().count('\n') - 1 : -1;
        };

        modbus->start();
        int expected[] = { 1, 1, 2, 2, 3 };
        for (int cycle = 0; cycle < 5; ++cycle) {
            if (cycle == 2) { // the third cycle's data read fails: a row all the same
                QMutexLocker l(&station->mutex);
                station->dataResult = -1;
            }
            const int before = station->transactionCount();
            modbus->updateTimerTimeout();
            QTRY_VERIFY(station->transactionCount() >= before + 2);
            QTRY_COMPARE(rows(), expected[cycle]);
        }

        // Switched off, the counter stands still: switched on again, the next
        // cycle is the one that was due.
        settings->setLogEnabled(false);
        for (int cycle = 0; cycle < 3; ++cycle) {
            const int before = station->transactionCount();
            modbus->updateTimerTimeout();
            QTRY_VERIFY(station->transactionCount() >= before + 2);
        }
        QCOMPARE(rows(), 3);
        settings->setLogEnabled(true);
        const int before = station->transactionCount();
        modbus->updateTimerTimeout();
        QTRY_VERIFY(station->transactionCount() >= before + 2);
        QTRY_COMPARE(rows(), 3);
        console.reset();
    }

    void handEditedLogIntervalBelowOneCountsAsOne()
    {
        QSettings ini(dir->path() + "/settings.ini", QSettings::IniFormat);
        ini.setValue("UpdateLogSeconds", 0);
        ini.sync();
        settings->setLogPath(dir->path() + "/csv");
        settings->setLogEnabled(true);
        console->setClock([] { return QDateTime(QDate(2026, 5, 4), QTime(12, 0)); });
        modbus->start();
        for (int cycle = 0; cycle < 3; ++cycle) {
            const int before = station->transactionCount();
            modbus->updateTimerTimeout();
            QTRY_VERIFY(station->transactionCount() >= before + 2);
        }
        auto lines = [this] {
            QFile f(dir->path() + "/csv/logfile-2026-05-04.csv");
            return f.open(QIODevice::ReadOnly) ? f.readAll().count('\n') : -1;
        };
        QTRY_COMPARE(lines(), 4); // the header and a row every cycle
        console.reset();
    }

    void gatewayAndUploaderTakeTheCycle()
    {
        station->setData(222, 0xFF38);
        QSignalSpy cycles(modbus, &QModbus::analogChanged);
        QSignalSpy uploads(modbus, &QModbus::sendToQuorinLive);
        modbus->updateTimerTimeout();
        modbus->start();
        QVERIFY(cycles.wait(5000));
        // Within the upload interval: one upload for two good cycles.
        modbus->updateTimerTimeout();
        QVERIFY(cycles.wait(5000));
        QTRY_COMPARE(uploads.count(), 1);

        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, console->gateway().serverPort());
        QVERIFY(client.waitForConnected(5000));
        // Transaction 7, unit 1, function 3, register 222 (wire address 221), one register.
        client.write(QByteArray::fromHex("000700000006010300dd0001"));
        // The gateway answers on this thread: let the event loop run.
        QTRY_VERIFY_WITH_TIMEOUT(client.bytesAvailable() >= 11, 5000);
        QCOMPARE(client.readAll(), QByteArray::fromHex("00070000000501030" "2ff38"));
        QTRY_COMPARE(modbus->recentClients().size(), 1);
    }

    void gatewayFollowsItsPortSettingAndTellsThePage()
    {
        console.reset();
        const quint16 first = freePort();
        const quint16 second = freePort();
        QVERIFY(first != second);
        settings->setGatewayPort(first);
        console = std::make_unique<Console>(*settings);
        QModbus &modbus = console->modbus();
        QCOMPARE(console->gateway().serverPort(), first);
        QVERIFY(modbus.gatewayListening());
        QCOMPARE(modbus.gatewayState(), QString("Listening on port %1").arg(first));

        QSignalSpy changed(&modbus, &QModbus::gatewayStateChanged);
        settings->setGatewayPort(second);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(modbus.gatewayState(), QString("Listening on port %1").arg(second));
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, second);
        QVERIFY(client.waitForConnected(5000));
        QTcpServer old; // the first port is free again
        QVERIFY(old.listen(QHostAddress::Any, first));
    }

    void archiveTakesEveryMinuteIntoTheSettingsFolder()
    {
        // A minute a cycle; a gauge in inches, which the settings then remember.
        station->setData(222, 214);
        station->setData(263, 2);
        std::atomic<int> minutes { 0 };
        console->setClock([&minutes] {
            return QDateTime(QDate(2026, 5, 4), QTime(12, 0), Qt::UTC).addSecs(60 * minutes);
        });
        // Published once the cycle has read the clock.
        QSignalSpy cycles(modbus, &QModbus::cyclePublished);
        QSignalSpy written(&console->archive(), &Archive::minutesWritten);
        modbus->start();
        const auto cycle = [&] {
            modbus->updateTimerTimeout();
            QVERIFY(cycles.wait(5000));
            ++minutes;
        };
        for (int i = 0; i < 3; ++i)
            cycle();
        // The third minute is still in progress.
        QTRY_COMPARE(written.count(), 2);
        QCOMPARE(settings->getRainUnits(), 2);

        // Switched off, the minute in progress is written, nothing after it.
        settings->setArchiveEnabled(false);
        cycle();
        cycle();
        console->stop();

        ArchiveStore store;
        QCOMPARE(store.open(archivePath(*settings)), ArchiveStore::OpenResult::Ready);
        QSqlQuery q(store.database());
        QVERIFY(q.exec("SELECT count(*), min(temp), max(t) - min(t) FROM minutes") && q.next());
        QCOMPARE(q.value(0).toInt(), 3);
        QCOMPARE(q.value(1).toInt(), 2140);
        QCOMPARE(q.value(2).toInt(), 120);
    }

private:
    static quint16 freePort()
    {
        static QList<quint16> given;
        for (;;) {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::Any, 0))
                return 0;
            if (!given.contains(probe.serverPort())) {
                given.append(probe.serverPort());
                return probe.serverPort();
            }
        }
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SysSettings> settings;
    std::unique_ptr<FakeStation> station;
    std::unique_ptr<LogCapture> log;
    std::unique_ptr<Console> console;
    QModbus *modbus = nullptr;
};

QTEST_GUILESS_MAIN(TestConsole)
#include "tst_console.moc"

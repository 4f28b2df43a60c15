#include "app/console.h"
#include "app/debuglog.h"
#include "archive/archivesettings.h"
#include "archive/archivestore.h"
#include "settings/syssettings.h"
#include "state/stateobject.h"
#include "support/fakestation.h"
#include "support/freeport.h"
#include "support/httpstandin.h"
#include "support/localportal.h"
#include "support/logcapture.h"
#include "support/samplestation.h"

#include <QJsonDocument>
#include <QJsonObject>
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
        console = std::make_unique<Console>(*settings, 0, 0);
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

    void silentStationKeepsTheRowInterval()
    {
        settings->setLogPath(dir->path());
        settings->setUpdateLogSeconds(60);
        settings->setLogEnabled(true);
        station->dataResult = -1; // the port opens; the link reopens after 10 failed reads
        console->setClock([] { return QDateTime(QDate(2026, 5, 4), QTime(12, 0)); });
        auto rows = [this] {
            QFile f(dir->path() + "/logfile-2026-05-04.csv");
            return f.open(QIODevice::ReadOnly) ? f.readAll().count('\n') - 1 : -1;
        };
        modbus->start();
        for (int cycle = 0; cycle < 100; ++cycle) {
            const int before = station->transactionCount();
            modbus->updateTimerTimeout();
            QTRY_VERIFY(station->transactionCount() >= before + 2);
        }
        QCOMPARE(rows(), 2);
        modbus->restart(); // the user's restart starts the interval again
        QTRY_COMPARE(rows(), 3);
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
        QSignalSpy cycles(&console->display(), &StationDisplay::analogChanged);
        QSignalSpy uploads(&console->display(), &StationDisplay::sendToQuorinLive);
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
        QCOMPARE(client.readAll(),
            QByteArray::fromHex("00070000000501030"
                                "2ff38"));
        QTRY_COMPARE(console->display().recentClients().size(), 1);
    }

    void gatewayFollowsItsPortSettingAndTellsThePage()
    {
        console.reset();
        const quint16 first = freeTcpPort();
        const quint16 second = freeTcpPort();
        QVERIFY(first != second);
        settings->setGatewayPort(first);
        console = std::make_unique<Console>(*settings, Console::GatewayPortFromSettings, 0);
        StationDisplay &shown = console->display();
        QCOMPARE(console->gateway().serverPort(), first);
        QVERIFY(shown.gatewayListening());
        QCOMPARE(shown.gatewayState(), QString("Listening on port %1").arg(first));

        QSignalSpy changed(&shown, &StationDisplay::gatewayStateChanged);
        settings->setGatewayPort(second);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(shown.gatewayState(), QString("Listening on port %1").arg(second));
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

    // Plugged in: the networks take the cycle, read the archive's rain of the
    // last hour, and report under services.networks.
    void networksUploadWithTheArchivesRain()
    {
        HttpStandIn pws;
        QVERIFY(pws.start());
        station->setData(222, 214);
        station->setData(263, 1); // a millimetre gauge
        std::atomic<int> minutes { 0 };
        console->setClock([&minutes] {
            return QDateTime(QDate(2026, 5, 4), QTime(12, 0), Qt::UTC).addSecs(60 * minutes);
        });
        const auto status = [this] {
            return console->display().services().value("networks").toMap().value("pws");
        };
        QCOMPARE(status(), QVariant("Off"));
        QSignalSpy cycles(modbus, &QModbus::cyclePublished);
        QSignalSpy written(&console->archive(), &Archive::minutesWritten);
        modbus->start();
        for (int i = 0; i < 2; ++i, ++minutes) {
            modbus->updateTimerTimeout();
            QVERIFY(cycles.wait(5000));
        }
        QTRY_COMPARE(written.count(), 1);

        settings->setPwsStationId(QStringLiteral("KX1"));
        settings->setPwsPassword(QStringLiteral("pw"));
        settings->setPwsUrl(pws.url(QStringLiteral("/pws")));
        settings->setPwsEnabled(true);
        modbus->updateTimerTimeout();
        QVERIFY(cycles.wait(5000));
        QTRY_COMPARE(pws.requests.size(), 1);
        QVERIFY(pws.requests[0].target.contains("&rainin=0.00&"));
        QTRY_COMPARE(status(), QVariant("Last upload 12:02: accepted"));
    }

    // A station that reads 21.4 °C, 1.5 °C high: every consumer shows 19.9;
    // a single 60 °C reading appears nowhere; a 3 °C step that persists is
    // taken after a few seconds.
    void dataChecksReachEveryConsumer()
    {
        settings->setTemperatureUnits(int(TemperatureUnit::Celsius));
        settings->setCalTemperatureOffset(-1.5);
        settings->setLogPath(dir->path() + "/csv");
        settings->setUpdateLogSeconds(2);
        settings->setLogEnabled(true);
        fillSampleStation(*station);
        std::atomic<int> seconds { 0 };
        const QDateTime start(QDate(2026, 5, 4), QTime(12, 0, 53), Qt::UTC);
        console->setClock([&] { return start.addSecs(seconds); });
        QSignalSpy cycles(modbus, &QModbus::cyclePublished);
        modbus->start();
        QList<CyclePtr> seen;
        // Tenths of a degree as the station reads them, a second apart; the
        // step begins with the new minute.
        for (const int tenths : { 214, 214, 600, 214, 214, 214, 214, 244, 244, 244, 244 }) {
            station->mutex.lock();
            station->setData(222, quint16(tenths));
            station->mutex.unlock();
            modbus->updateTimerTimeout();
            QVERIFY(cycles.wait(5000));
            seen << cycles.takeFirst().at(0).value<CyclePtr>();
            if (seen.size() == 2) {
                QTRY_COMPARE(console->display().airTemp(), 19.9);
                QTcpSocket client; // register 222, as the gateway serves it
                client.connectToHost(QHostAddress::LocalHost, console->gateway().serverPort());
                QVERIFY(client.waitForConnected(5000));
                client.write(QByteArray::fromHex("000700000006010300dd0001"));
                QTRY_VERIFY_WITH_TIMEOUT(client.bytesAvailable() >= 11, 5000);
                QCOMPARE(client.readAll().right(2), QByteArray::fromHex("00c7"));
            }
            ++seconds;
        }
        console->stop();

        const QVector<double> shown
            = { 19.9, 19.9, qQNaN(), 19.9, 19.9, 19.9, 19.9, qQNaN(), qQNaN(), 22.9, 22.9 };
        for (int i = 0; i < seen.size(); ++i) {
            const QJsonObject mqtt = QJsonDocument::fromJson(
                state::stateJson(seen[i]->values, seen[i]->utc, seen[i]->rejectedTotals))
                                         .object();
            QCOMPARE(mqtt["temperature_c"].toDouble(qQNaN()), shown[i]);
            QCOMPARE(seen[i]->values.metar.contains(" 20/"), shown[i] == 19.9);
        }
        const QJsonObject totals = QJsonDocument::fromJson(
            state::stateJson(seen.last()->values, seen.last()->utc, seen.last()->rejectedTotals))
                                       .object()["rejected_total"]
                                       .toObject();
        QCOMPARE(totals["temperature_c"].toInt(), 3);

        QFile csv(dir->path() + "/csv/logfile-2026-05-04.csv");
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = csv.readAll().split('\n');
        QCOMPARE(lines.size(), 8); // header, a row every other cycle, the end
        const QByteArray logged[] = { "19.9", "", "19.9", "19.9", "", "22.9" };
        for (int row = 1; row < 7; ++row)
            QCOMPARE(lines[row].split(',').at(11), logged[row - 1]);

        ArchiveStore store;
        QCOMPARE(store.open(archivePath(*settings)), ArchiveStore::OpenResult::Ready);
        QSqlQuery q(store.database());
        QVERIFY(q.exec("SELECT temp_min, temp_max FROM minutes ORDER BY t") && q.next());
        QCOMPARE(q.value(0).toInt(), 1990);
        QCOMPARE(q.value(1).toInt(), 1990);
    }

    void eachFailureKindReachesStderrOncePerRun()
    {
        // The program's own handler with the debug log off; "stderr" is kept here.
        QByteArray stderrText;
        debuglog::configure(settings.get(), dir->path() + "/debug.txt");
        debuglog::setConsoleWriter([&stderrText](const QByteArray &line) { stderrText += line; });
        const auto restore
            = qScopeGuard([previous = qInstallMessageHandler(debuglog::messageHandler)] {
                  qInstallMessageHandler(previous);
                  debuglog::setConsoleWriter(nullptr);
                  debuglog::configure(nullptr);
              });
        // An archive that refuses every minute, a log folder that became a
        // file, a broker and a portal (see initTestCase) that nobody serves.
        ArchiveStore refusing;
        QString why;
        QVERIFY2(refusing.open(archivePath(*settings), &why) == ArchiveStore::OpenResult::Ready,
            qPrintable(why));
        QSqlQuery(refusing.database())
            .exec("CREATE TRIGGER refuse BEFORE INSERT ON minutes BEGIN SELECT RAISE(ABORT, 'no');"
                  " END");
        settings->setLogPath(dir->path() + "/csv");
        QVERIFY(QDir(dir->path() + "/csv").removeRecursively());
        QVERIFY(QFile(dir->path() + "/csv").open(QIODevice::WriteOnly));
        settings->setLogEnabled(true);
        settings->setMqttHost(QStringLiteral("127.0.0.1"));
        settings->setMqttPort(freeTcpPort());
        settings->setMqttEnabled(true);
        fillSampleStation(*station);
        std::atomic<int> minutes { 0 };
        console->setClock([&minutes] {
            return QDateTime(QDate(2026, 5, 4), QTime(12, 0), Qt::UTC).addSecs(60 * minutes++);
        });
        QSignalSpy cycles(modbus, &QModbus::cyclePublished);
        modbus->start();
        // Two runs of read failures between good cycles.
        for (const int result : { 100, -1, -1, 100, -1, 100, 100 }) {
            station->mutex.lock();
            station->dataResult = result;
            station->mutex.unlock();
            modbus->updateTimerTimeout();
            QVERIFY(cycles.wait(5000));
        }
        QStringList kinds { "Archive: the minute 2026-05-04T12:", "Data log row not written to",
            "Upload not delivered: The portal could not be reached: Connection refused",
            "No reading from the station: no reply" };
        if (SysSettings::mqttAvailable())
            kinds << "MQTT: broker 127.0.0.1:";
        const auto told = [&stderrText](const QString &kind) {
            return QString::fromUtf8(stderrText).split('\n').filter(kind).size();
        };
        for (const QString &kind : kinds)
            QTRY_VERIFY2(told(kind) > 0, qPrintable(kind + " in:\n" + stderrText));
        console->stop();
        for (const QString &kind : kinds)
            QVERIFY2(told(kind) == 1, qPrintable(kind + " in:\n" + stderrText));
        QVERIFY(!stderrText.contains("Debug"));
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SysSettings> settings;
    std::unique_ptr<FakeStation> station;
    std::unique_ptr<LogCapture> log;
    std::unique_ptr<Console> console;
    QModbus *modbus = nullptr;
};

QTEST_GUILESS_MAIN(TestConsole)
#include "tst_console.moc"

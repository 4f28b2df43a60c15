#include "support/freeport.h"
#include "support/processes.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#endif

// The real program without a window, against the station simulator over
// Modbus TCP: it must serve the gateway and keep the CSV log, without the
// simulator's spike, with no display at all, and end cleanly on SIGTERM
// (POSIX only). With SKYQUILL_PACKAGE_ROOT set (a .deb unpacked there), the
// packaged programs are tested instead of the build's.
class TestHeadless : public QObject
{
    Q_OBJECT

private slots:
    void servesTheGatewayAndKeepsTheLogWithoutADisplay()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString packageRoot = qEnvironmentVariable("SKYQUILL_PACKAGE_ROOT");
        const QString skyquill = program();
        const QString stationProgram = packageRoot.isEmpty()
            ? QStringLiteral(STATION_BINARY)
            : packageRoot + "/usr/bin/skyquill-station";

        TestProcess station;
        station.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The third cycle's data read carries a spike (after the first two
        // cycles' four replies), which the data checks keep out of the log.
        station.process->start(stationProgram,
            { "--tcp", "0", "--serial", "123457", "--fault", "spike", "--fault-after", "4" });
        const std::optional<QString> stationPort = station.waitForLine("TCP ");
        QVERIFY(stationPort);

        const quint16 gatewayPort = freeTcpPort();
        const quint16 webPort = freeTcpPort();
        QVERIFY(gatewayPort != 0 && webPort != 0);

        // No LogPath: a settings folder of its own keeps the CSV files.
        const QString settingsDir = dir.path() + "/settings";
        QVERIFY(QDir().mkpath(settingsDir));
        QFile ini(settingsDir + "/settings.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QString("[General]\nReadMode=1\nModbusIP=127.0.0.1\nModbusPort=%1\n"
                          "GatewayPort=%2\nLogEnabled=true\nUpdateLogSeconds=2\n"
                          "WebBindAddress=127.0.0.1\nWebPort=%3\n")
                      .arg(*stationPort)
                      .arg(gatewayPort)
                      .arg(webPort)
                      .toUtf8());
        ini.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        // A window would need this platform and fail without a display.
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("HOME", dir.path() + "/home");
        env.insert("XDG_DATA_HOME", dir.path() + "/data");
        env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
        TestProcess console;
        console.process->setProcessEnvironment(env);
        console.process->setReadChannel(QProcess::StandardError);
        console.process->start(skyquill, { "--headless", "--settings-dir", settingsDir });

        QCOMPARE(
            console.waitForLine("Gateway: "), QString("Listening on port %1").arg(gatewayPort));
        QCOMPARE(
            console.waitForLine("Web: "), QString("Serving http://127.0.0.1:%1/").arg(webPort));
        QCOMPARE(console.waitForLine("Station link open "),
            QString("(Modbus TCP 127.0.0.1:%1)").arg(*stationPort));
        QVERIFY(console.waitForLine("First good reading from the station"));

        // The pages are the service's face: the state of the station's read.
        QTcpSocket browser;
        browser.connectToHost(QHostAddress::LocalHost, webPort);
        QVERIFY(browser.waitForConnected(5000));
        browser.write("GET /api/current.json HTTP/1.0\r\n\r\n");
        while (browser.state() == QAbstractSocket::ConnectedState && browser.waitForReadyRead(5000))
            ;
        const QByteArray page = browser.readAll();
        QVERIFY2(page.startsWith("HTTP/1.0 200") || page.startsWith("HTTP/1.1 200"), page);
        QVERIFY2(page.contains("\"stale\":false") && page.contains("\"temperature_c\":"), page);

        // Transaction 9, unit 1, function 3: registers 101-104 (the gateway
        // serves the status block from its start); 103-104 hold the serial number.
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, gatewayPort);
        QVERIFY(client.waitForConnected(5000));
        client.write(QByteArray::fromHex("000900000006010300640004"));
        QByteArray reply;
        while (reply.size() < 17 && client.waitForReadyRead(5000))
            reply += client.readAll();
        QCOMPARE(reply.size(), 17);
        QCOMPARE(reply.left(9).toHex(), QByteArray("00090000000b010308"));
        QCOMPARE(reply.right(4).toHex(), QByteArray("0001e241"));

        const auto csvRows = [&settingsDir] {
            const QStringList files = QDir(settingsDir).entryList({ "logfile-*.csv" });
            QFile csv(settingsDir + "/" + files.value(0));
            return files.size() == 1 && csv.open(QIODevice::ReadOnly)
                ? csv.readAll().count('\n') - 1
                : -1;
        };
        QTRY_VERIFY_WITH_TIMEOUT(csvRows() >= 2, 10000);
        QFile csv(settingsDir + "/" + QDir(settingsDir).entryList({ "logfile-*.csv" }).value(0));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = csv.readAll().split('\n');
        // Temperature; the row of the spiked cycle has none.
        QVERIFY(!rows[1].split(',').at(11).isEmpty());
        QCOMPARE(rows[2].split(',').at(11), QByteArray());

#ifdef Q_OS_UNIX
        ::kill(pid_t(console.process->processId()), SIGTERM);
        QVERIFY(console.process->waitForFinished(10000));
        QCOMPARE(console.process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(console.process->exitCode(), 0);
        QVERIFY(console.waitForLine("Skyquill stopped"));
#endif
        // Windows has no signal for a program without a console window: the
        // helper ends it with TerminateProcess.
    }

    void tellsSystemdItIsReadyAndAliveWhileTheStationIsAway()
    {
#ifndef Q_OS_LINUX
        QSKIP("systemd is Linux's");
#else
        // systemd's end of the notification socket.
        QTemporaryDir dir;
        const int notify = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(dir.path() + "/notify");
        qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
        QVERIFY(::bind(notify, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
        const auto next = [notify] {
            pollfd ready = { notify, POLLIN, 0 };
            char datagram[256] = {};
            if (::poll(&ready, 1, 5000) == 1)
                ::recv(notify, datagram, sizeof datagram - 1, 0);
            return QByteArray(datagram);
        };
        // No station address: the console waits to retry.
        {
            QSettings ini(dir.path() + "/settings.ini", QSettings::IniFormat);
            ini.setValue("ReadMode", 1);
            ini.setValue("GatewayPort", freeTcpPort());
            ini.setValue("WebPort", freeTcpPort());
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("NOTIFY_SOCKET", QString::fromUtf8(path));
        TestProcess console;
        console.process->setProcessEnvironment(env);
        console.process->start(program(), { "--headless", "--settings-dir", dir.path() });
        QVERIFY(next().startsWith("READY=1\n"));
        // The thread waiting to retry pings on.
        QCOMPARE(next(), QByteArray("WATCHDOG=1"));
        QCOMPARE(next(), QByteArray("WATCHDOG=1"));
        ::kill(pid_t(console.process->processId()), SIGTERM);
        QByteArray last;
        for (int i = 0; i < 5 && last != "STOPPING=1"; ++i)
            last = next();
        QCOMPARE(last, QByteArray("STOPPING=1"));
        QVERIFY(console.process->waitForFinished(5000));
        ::close(notify);
#endif
    }

    void settingsFolderThatCannotBeMadeIsRefused()
    {
        QTemporaryDir dir;
        QFile blocker(dir.path() + "/file");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QProcess console;
        console.start(
            program(), { "--headless", "--settings-dir", blocker.fileName() + "/settings" });
        QVERIFY(console.waitForFinished(10000));
        QCOMPARE(console.exitCode(), 1);
        QVERIFY(console.readAllStandardError().startsWith(
            "skyquill: cannot write to the settings folder "));
    }

private:
    static QString program()
    {
        const QString root = qEnvironmentVariable("SKYQUILL_PACKAGE_ROOT");
        return root.isEmpty() ? QStringLiteral(SKYQUILL_BINARY) : root + "/usr/bin/skyquill";
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"

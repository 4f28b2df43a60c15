#include "acquisition/modbusprotocol.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

const char *const dataRequest = "010300C80064C5DF";
const char *const statusRequest = "01030064000B45D2";

// The simulator as a child process; its stdout carries one protocol line per event.
class Station
{
public:
    ~Station()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    bool start(const QStringList &arguments)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(STATION_BINARY), arguments);
        return process.waitForStarted(10000);
    }

    QString readLine(int timeoutMs = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!process.canReadLine()) {
            const int left = timeoutMs - int(clock.elapsed());
            if (left <= 0 || !process.waitForReadyRead(left))
                return QString();
        }
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }

    // The port of the "TCP N" line; 0 when another line comes.
    quint16 tcpPort()
    {
        const QString line = readLine();
        return line.startsWith("TCP ") ? quint16(line.mid(4).toUInt()) : 0;
    }

    bool command(const QByteArray &line, const QString &acknowledgement)
    {
        process.write(line + '\n');
        return readLine() == acknowledgement;
    }

    QProcess process;
};

// The console's side of the pseudo-terminal, raw like its serial port.
class Terminal
{
public:
    ~Terminal()
    {
        if (fd >= 0)
            ::close(fd);
    }

    bool open(const QString &path)
    {
        fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            return false;
        termios settings {};
        if (::tcgetattr(fd, &settings) != 0)
            return false;
        ::cfmakeraw(&settings);
        return ::tcsetattr(fd, TCSANOW, &settings) == 0;
    }

    bool send(const QByteArray &bytes)
    {
        return ::write(fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
    }

    // Collects bytes until `wanted` have come or the time is up.
    QByteArray receive(int wanted, int timeoutMs)
    {
        QByteArray bytes;
        QElapsedTimer clock;
        clock.start();
        while (bytes.size() < wanted) {
            const int left = timeoutMs - int(clock.elapsed());
            if (left <= 0)
                break;
            pollfd p { fd, POLLIN, 0 };
            if (::poll(&p, 1, left) <= 0)
                break;
            if (p.revents & (POLLHUP | POLLERR)) {
                hungUp = true;
                break;
            }
            char buffer[512];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                hungUp = n == 0 || errno == EIO;
                break;
            }
            bytes.append(buffer, int(n));
        }
        return bytes;
    }

    int fd = -1;
    bool hungUp = false;
};

int checkReply(const QByteArray &reply, int count)
{
    return modbus::checkRtuReply(
        reinterpret_cast<const quint8 *>(reply.constData()), reply.size(), 1, 3, count);
}

quint16 wordAt(const QByteArray &bytes, int offset)
{
    return quint16((quint8(bytes[offset]) << 8) | quint8(bytes[offset + 1]));
}

} // namespace

class TestStationProcess : public QObject
{
    Q_OBJECT

private slots:
    void ptyServesBothBlocks()
    {
        Station station;
        QVERIFY(
            station.start({ "--pty", "--seed", "7", "--serial", "100000", "--elevation", "300" }));
        const QString line = station.readLine();
        QVERIFY2(line.startsWith("PTY /dev/"), qPrintable(line));
        Terminal terminal;
        QVERIFY(terminal.open(line.mid(4)));

        QVERIFY(terminal.send(hex(dataRequest)));
        const QByteArray data = terminal.receive(205, 5000);
        QCOMPARE(data.size(), 205);
        QCOMPARE(checkReply(data, 100), 100);
        QCOMPARE(wordAt(data, 3 + 2 * (264 - 201)), quint16(300));
        QCOMPARE(wordAt(data, 3 + 2 * (261 - 201)), quint16(3));

        // Garbage ahead of a request costs nothing but the garbage.
        QVERIFY(terminal.send(hex("00FF13") + hex(statusRequest)));
        const QByteArray status = terminal.receive(27, 5000);
        QCOMPARE(status.size(), 27);
        QCOMPARE(checkReply(status, 11), 11);
        QCOMPARE(wordAt(status, 3 + 2 * 2), quint16(0x0001));
        QCOMPARE(wordAt(status, 3 + 2 * 3), quint16(0x86A0));

        // A request in pieces.
        QVERIFY(terminal.send(hex(dataRequest).left(5)));
        QVERIFY(terminal.receive(1, 200).isEmpty());
        QVERIFY(terminal.send(hex(dataRequest).mid(5)));
        QCOMPARE(checkReply(terminal.receive(205, 5000), 100), 100);
    }

    void faultsChangeAtRunTime()
    {
        Station station;
        QVERIFY(station.start({ "--pty" }));
        const QString line = station.readLine();
        Terminal terminal;
        QVERIFY(terminal.open(line.mid(4)));

        QVERIFY(station.command("fault exception", "FAULT exception"));
        QVERIFY(terminal.send(hex(dataRequest)));
        QCOMPARE(terminal.receive(5, 5000), hex("01830440F3"));

        QVERIFY(station.command("fault badcrc", "FAULT badcrc"));
        QVERIFY(terminal.send(hex(dataRequest)));
        QCOMPARE(checkReply(terminal.receive(205, 5000), 100), int(modbus::BadCrc));

        QVERIFY(station.command("fault wrongunit", "FAULT wrongunit"));
        QVERIFY(terminal.send(hex(dataRequest)));
        QCOMPARE(checkReply(terminal.receive(205, 5000), 100), int(modbus::WrongUnit));

        // The console gives a reply 900 ms; a silent or late station misses that.
        QVERIFY(station.command("fault silence", "FAULT silence"));
        QVERIFY(terminal.send(hex(dataRequest)));
        QVERIFY(terminal.receive(1, 1000).isEmpty());

        QVERIFY(station.command("fault late", "FAULT late"));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(terminal.send(hex(dataRequest)));
        const QByteArray late = terminal.receive(205, 5000);
        QVERIFY(clock.elapsed() >= 1000);
        QCOMPARE(checkReply(late, 100), 100);

        // Two good replies, then the third request meets the fault.
        QVERIFY(station.command("fault exception 2", "FAULT exception"));
        for (int i = 0; i < 2; ++i) {
            QVERIFY(terminal.send(hex(statusRequest)));
            QCOMPARE(checkReply(terminal.receive(27, 5000), 11), 11);
        }
        QVERIFY(terminal.send(hex(statusRequest)));
        QCOMPARE(terminal.receive(5, 5000), hex("01830440F3"));

        QVERIFY(station.command("fault none", "FAULT none"));
        QVERIFY(terminal.send(hex(dataRequest)));
        QCOMPARE(checkReply(terminal.receive(205, 5000), 100), 100);

        // Nonsense on the control channel changes nothing.
        station.process.write("fault sometimes\nfly\n");
        QVERIFY(station.command("fault none", "FAULT none"));
    }

    void holdKeepsTheWeatherStill()
    {
        Station station;
        QVERIFY(station.start({ "--pty" }));
        const QString line = station.readLine();
        Terminal terminal;
        QVERIFY(terminal.open(line.mid(4)));
        auto readData = [&terminal] {
            terminal.send(hex(dataRequest));
            const QByteArray reply = terminal.receive(205, 5000);
            return checkReply(reply, 100) == 100 ? reply : QByteArray();
        };

        const QByteArray moving = readData();
        QVERIFY(!moving.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(readData() != moving, 5000);

        QVERIFY(station.command("hold", "WEATHER hold"));
        const QByteArray held = readData();
        QVERIFY(!held.isEmpty());
        // Nothing to wait for but the weather's own ticks: watch more than two.
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 2500) {
            QCOMPARE(readData(), held);
            QTest::qWait(250);
        }

        QVERIFY(station.command("resume", "WEATHER resume"));
        QTRY_VERIFY_WITH_TIMEOUT(readData() != held, 5000);
    }

    void ptyHangsUpAfterReplies()
    {
        Station station;
        QVERIFY(station.start({ "--fault", "hangup", "--fault-after", "1" }));
        const QString line = station.readLine();
        QVERIFY2(line.startsWith("PTY "), qPrintable(line));
        Terminal terminal;
        QVERIFY(terminal.open(line.mid(4)));

        QVERIFY(terminal.send(hex(dataRequest)));
        QCOMPARE(checkReply(terminal.receive(205, 5000), 100), 100);
        QVERIFY(!terminal.hungUp);
        QVERIFY(terminal.send(hex(dataRequest)));
        QVERIFY(terminal.receive(205, 5000).isEmpty());
        QVERIFY(terminal.hungUp);
        QCOMPARE(station.process.state(), QProcess::Running);
    }

    void deviceModeServesAnOpenTerminal()
    {
        // Stand in for a serial port with a pseudo-terminal of our own.
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
        char name[128];
        QVERIFY(::ptsname_r(master, name, sizeof name) == 0);
        Terminal terminal;
        terminal.fd = master;

        Station station;
        QVERIFY(station.start({ "--device", QString::fromLocal8Bit(name), "--baud", "19200" }));
        QCOMPARE(station.readLine(), QStringLiteral("DEVICE %1").arg(name));
        QVERIFY(terminal.send(hex(dataRequest)));
        QCOMPARE(checkReply(terminal.receive(205, 5000), 100), 100);
    }

    void tcpServesAndDropsOnHangup()
    {
        Station station;
        QVERIFY(station.start({ "--tcp", "0", "--fault", "hangup", "--fault-after", "2" }));
        const quint16 port = station.tcpPort();
        QVERIFY(port != 0);

        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(socket.waitForConnected(5000));
        QSignalSpy disconnected(&socket, &QTcpSocket::disconnected);

        // The status request arrives in two pieces.
        const QByteArray status = hex("00010000000601030064000B");
        socket.write(status.left(4));
        QVERIFY(socket.waitForBytesWritten(1000));
        QVERIFY(!socket.waitForReadyRead(200));
        socket.write(status.mid(4));
        QByteArray reply;
        while (reply.size() < 31 && socket.waitForReadyRead(5000))
            reply += socket.readAll();
        QCOMPARE(reply.size(), 31);
        QCOMPARE(reply.left(9), hex("000100000019010316"));

        socket.write(hex("000200000006010300C80064"));
        reply.clear();
        while (reply.size() < 209 && socket.waitForReadyRead(5000))
            reply += socket.readAll();
        QCOMPARE(reply.size(), 209);
        QCOMPARE(reply.left(9), hex("0002000000CB0103C8"));
        QCOMPARE(wordAt(reply, 9 + 2 * (261 - 201)), quint16(3));

        socket.write(hex("000300000006010300C80064"));
        QVERIFY(disconnected.wait(5000));
        QCOMPARE(socket.bytesAvailable(), 0);

        // The server itself stays up for the next client.
        QTcpSocket again;
        again.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(again.waitForConnected(5000));
        again.write(hex("00040000000601030064000B"));
        QVERIFY(again.waitForReadyRead(5000));
        QCOMPARE(again.readAll().left(2), hex("0004"));
    }

    void tcpSpikesOneSampleInAThousand()
    {
        Station station;
        QVERIFY(station.start({ "--tcp", "0", "--fault", "spike" }));
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, station.tcpPort());
        QVERIFY(socket.waitForConnected(5000));

        // A status read is no sample; then 1001 data reads in one go.
        QByteArray requests = hex("00010000000601030064000B");
        for (int i = 0; i < 1001; ++i)
            requests += hex("000200000006010300C80064");
        socket.write(requests);
        const int size = 31 + 1001 * 209;
        QByteArray replies;
        while (replies.size() < size && socket.waitForReadyRead(5000))
            replies += socket.readAll();
        QCOMPARE(replies.size(), size);
        QList<int> spikes;
        for (int i = 0; i < 1001; ++i) {
            if (wordAt(replies, 31 + 209 * i + 9 + 2 * (222 - 201)) == 600)
                spikes << i;
        }
        QCOMPARE(spikes, QList<int>({ 0, 1000 }));
    }

    void endsCleanlyOnSignals_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void endsCleanlyOnSignals()
    {
        QFETCH(int, signal);
        Station station;
        QVERIFY(station.start({ "--pty", "--tcp", "0" }));
        QVERIFY(station.readLine().startsWith("PTY "));
        QVERIFY(station.readLine().startsWith("TCP "));
        ::kill(pid_t(station.process.processId()), signal);
        QVERIFY(station.process.waitForFinished(10000));
        QCOMPARE(station.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(station.process.exitCode(), 0);
    }

    void quitsOnCommand()
    {
        Station station;
        QVERIFY(station.start({ "--tcp", "0" }));
        QVERIFY(station.readLine().startsWith("TCP "));
        station.process.write("quit\n");
        QVERIFY(station.process.waitForFinished(10000));
        QCOMPARE(station.process.exitCode(), 0);
    }

    void refusesBadOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("fault") << QStringList { "--fault", "bogus" };
        QTest::newRow("port") << QStringList { "--tcp", "70000" };
        QTest::newRow("after") << QStringList { "--fault-after", "-1" };
        QTest::newRow("both serial") << QStringList { "--pty", "--device", "/dev/null" };
        QTest::newRow("unknown option") << QStringList { "--colour" };
    }

    void refusesBadOptions()
    {
        QFETCH(QStringList, arguments);
        Station station;
        QVERIFY(station.start(arguments));
        QVERIFY(station.process.waitForFinished(10000));
        QCOMPARE(station.process.exitCode(), 2);
        QVERIFY(station.process.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStationProcess)
#include "tst_stationprocess.moc"

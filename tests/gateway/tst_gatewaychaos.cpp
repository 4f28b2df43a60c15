#include "acquisition/registerimage.h"
#include "gateway/gatewayserver.h"
#include "gatewayclient.h"
#include "support/logcapture.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

// Hostile clients against the real server. Every test ends with a plain
// client served, so a server that survived but stopped answering fails too.
namespace {

// The hostile client script under /usr/bin/python3 (Debian's, as in CI).
struct Hostile
{
    QProcess process;

    void start(const QStringList &arguments)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(
            "/usr/bin/python3", QStringList { QStringLiteral(HOSTILE_CLIENT) } + arguments);
    }
    // The rest of the first line starting with `prefix`, while the server
    // keeps running in this thread's event loop.
    QString waitForLine(const QByteArray &prefix, int timeoutMs = 60000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            while (process.canReadLine()) {
                const QByteArray line = process.readLine().trimmed();
                if (line.startsWith(prefix))
                    return QString::fromUtf8(line.mid(prefix.size()).trimmed());
            }
            if (process.state() == QProcess::NotRunning)
                break;
            QSignalSpy ready(&process, &QProcess::readyReadStandardOutput);
            ready.wait(200);
        }
        return QStringLiteral("<none>");
    }
    bool finishedCleanly()
    {
        if (process.state() != QProcess::NotRunning) {
            QSignalSpy finished(&process, &QProcess::finished);
            if (!finished.wait(60000))
                return false;
        }
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    ~Hostile()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
};

} // namespace

class TestGatewayChaos : public QObject
{
    Q_OBJECT

    RegisterImage image;
    std::unique_ptr<GatewayServer> server;
    qint64 nowMs = 0;

    // A plain read of register 201 (0x0011), on a fresh connection.
    bool answersANormalRead()
    {
        Client client;
        if (!client.connectTo(server->serverPort()))
            return false;
        client.send(readRequest(0x4242, 200, 1));
        return client.read(11) == QByteArray::fromHex("4242 0000 0005 01 03 02 0011");
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QProcess::ExitStatus>();
        // The server's debug lines are many; the flood's figures are not.
        static QtMessageHandler previous = nullptr;
        previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
                if (type != QtDebugMsg)
                    previous(type, context, message);
            });
        quint8 data[200] = {};
        data[1] = 0x11;
        image.store(201, data, 100);
        image.setDataMissing(false);
    }

    void init()
    {
        nowMs = 1000;
        server = std::make_unique<GatewayServer>(image);
        server->setVerbose([] { return false; });
        server->setIdleClock([this] { return nowMs; });
        QVERIFY(server->listen(0));
    }

    void cleanup() { server.reset(); }

    void resetInTheMiddleOfAPipeline()
    {
        Hostile hostile;
        hostile.start({ "reset", QString::number(server->serverPort()), "20" });
        QVERIFY(hostile.finishedCleanly());
        QCOMPARE(hostile.process.readAllStandardOutput().count("ROUND"), 20);
        QVERIFY(answersANormalRead());
        QTRY_COMPARE(server->connectionCount(), 0);
    }

    void idleConnectionsDoNotLockOutANewcomer()
    {
        LogCapture log;
        std::vector<Client> idle(GatewayServer::MaxConnections);
        for (std::size_t i = 0; i < idle.size(); ++i) {
            QVERIFY(idle[i].connectTo(server->serverPort()));
            QTRY_COMPARE(server->connectionCount(), int(i) + 1);
            nowMs += 10;
        }

        // Full: the one that has been quiet longest makes room.
        Client newcomer;
        QVERIFY(newcomer.connectTo(server->serverPort()));
        QVERIFY(idle.front().waitClosedByPeer());
        newcomer.send(readRequest(1, 200, 1));
        QCOMPARE(newcomer.read(11).size(), 11);
        QCOMPARE(log.countStartingWith("Too many connections, closing the longest idle from: "), 1);
        QCOMPARE(idle[1].socket->state(), QAbstractSocket::ConnectedState);

        // Those without a complete request for the idle timeout go; the
        // newcomer asked for something since.
        nowMs += GatewayServer::IdleTimeoutMs - 100;
        newcomer.send(readRequest(2, 200, 1));
        QCOMPARE(newcomer.read(11).size(), 11);
        nowMs += 1000;
        server->closeIdleConnections();
        QCOMPARE(server->connectionCount(), 1);
        for (std::size_t i = 1; i < idle.size(); ++i)
            QVERIFY(idle[i].waitClosedByPeer());
        QCOMPARE(newcomer.socket->state(), QAbstractSocket::ConnectedState);
        QVERIFY(answersANormalRead());
    }

    void aBusyHostCannotCrowdOutAPoller()
    {
        // Real idle times: 64 sockets from 127.0.0.2 read every 200 ms, and
        // one closed is opened again; a poller on 127.0.0.1 once a second.
        QElapsedTimer clock;
        clock.start();
        server->setIdleClock([&clock] { return clock.elapsed(); });
        std::vector<Client> busy(GatewayServer::MaxConnections);
        QTimer reads;
        connect(&reads, &QTimer::timeout, this, [&busy, this] {
            for (Client &c : busy) {
                if (c.socket->state() == QAbstractSocket::UnconnectedState) {
                    c = Client();
                    c.socket->bind(QHostAddress("127.0.0.2"));
                    c.socket->connectToHost(QHostAddress::LocalHost, server->serverPort());
                }
                c.socket->readAll();
                c.socket->write(readRequest(1, 200, 1));
            }
        });
        reads.start(200);
        QTRY_COMPARE(server->connectionCount(), GatewayServer::MaxConnections);

        Client poller;
        QVERIFY(poller.connectTo(server->serverPort()));
        for (int poll = 0; poll < 10; ++poll) {
            poller.send(readRequest(poll, 200, 1));
            QCOMPARE(poller.read(11),
                readRequest(poll, 0, 0).left(2) + QByteArray::fromHex("0000 0005 01 03 02 0011"));
            QTest::qWait(1000);
        }
    }

    void slowLorisIsClosedOnlyWhenItNeverCompletesARequest()
    {
        // One byte every 5 s: `endless` announces a 254-byte request, `slow`
        // is a plain read that completes after 12 bytes.
        Client endless, slow, other;
        QVERIFY(endless.connectTo(server->serverPort()));
        QVERIFY(slow.connectTo(server->serverPort()));
        QVERIFY(other.connectTo(server->serverPort()));
        const QByteArray longOne = QByteArray::fromHex("0001 0000 00fe 01 03") + QByteArray(252, 0);
        const QByteArray plain = readRequest(3, 200, 1);
        for (int i = 0; i < plain.size(); ++i) {
            endless.send(longOne.mid(i, 1));
            slow.send(plain.mid(i, 1));
            // Whatever the lorises hold, others are answered meanwhile.
            other.send(readRequest(i, 200, 1));
            QCOMPARE(other.read(11).size(), 11);
            if (i == plain.size() - 1)
                QCOMPARE(slow.read(11).size(), 11);
            nowMs += 5000;
            server->closeIdleConnections();
            // 60 s after it came, `endless` has not completed one request.
            QCOMPARE(server->connectionCount(), i < plain.size() - 1 ? 3 : 2);
        }
        QVERIFY(endless.waitClosedByPeer());
        QCOMPARE(slow.socket->state(), QAbstractSocket::ConnectedState);
        QVERIFY(answersANormalRead());
    }

    void floodKeepsTheTickRunning()
    {
        // A 1 s tick in the server's event loop, as the console's update tick.
        int ticks = 0;
        qint64 worstGapMs = 0;
        QElapsedTimer sinceTick;
        QTimer tick;
        tick.setInterval(1000);
        connect(&tick, &QTimer::timeout, this, [&] {
            ++ticks;
            worstGapMs = qMax(worstGapMs, sinceTick.restart());
        });

        Hostile hostile;
        hostile.start({ "flood", QString::number(server->serverPort()), "16", "5" });
        QCOMPARE(hostile.waitForLine("FLOODING"), QString());
        sinceTick.start();
        tick.start();
        const QStringList replies = hostile.waitForLine("REPLIES").split(' ');
        tick.stop();
        qInfo("16 flooding clients: %d ticks, worst gap %lld ms, replies per client %s", ticks,
            worstGapMs, qPrintable(replies.join(' ')));
        QVERIFY(hostile.finishedCleanly());
        // 5 s of flood: ticks 1.5 s apart would still make three.
        QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
        // Served alike: none gets less than a quarter of the best served.
        QCOMPARE(replies.size(), 16);
        int fewest = INT_MAX, most = 0;
        for (const QString &count : replies) {
            fewest = qMin(fewest, count.toInt());
            most = qMax(most, count.toInt());
        }
        QVERIFY2(fewest > 0 && fewest >= most / 4, qPrintable(replies.join(' ')));
        QVERIFY(answersANormalRead());
    }

    void garbage()
    {
        for (int seed = 1; seed <= 3; ++seed) {
            Hostile hostile;
            hostile.start(
                { "garbage", QString::number(server->serverPort()), QString::number(seed) });
            QCOMPARE(hostile.waitForLine("SENT"), QStringLiteral("60"));
            QVERIFY(hostile.finishedCleanly());
        }
        QVERIFY(answersANormalRead());
        QTRY_COMPARE(server->connectionCount(), 0);
    }

    void clientThatNeverReadsIsDropped()
    {
        LogCapture log;
        Client client;
        QVERIFY(client.connectTo(server->serverPort()));
        client.socket->setReadBufferSize(1);
        QSignalSpy closed(client.socket.get(), &QTcpSocket::disconnected);
        QByteArray batch;
        for (int i = 0; i < 1000; ++i)
            batch += readRequest(i, 200, 100);
        // Kernel buffers take a few megabytes first; bounded all the same.
        for (int round = 0; round < 300 && closed.isEmpty(); ++round) {
            client.send(batch);
            QTest::qWait(1);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!closed.isEmpty(), 10000);
        QCOMPARE(log.count("Client does not read its replies, closing connection"), 1);
        QTRY_COMPARE(server->connectionCount(), 0);
        QVERIFY(answersANormalRead());
    }
};

QTEST_GUILESS_MAIN(TestGatewayChaos)
#include "tst_gatewaychaos.moc"

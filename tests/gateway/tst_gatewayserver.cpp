#include "acquisition/registerimage.h"
#include "gateway/gatewayserver.h"
#include "gatewayclient.h"
#include "support/logcapture.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

} // namespace

class TestGatewayServer : public QObject
{
    Q_OBJECT

    RegisterImage image;
    std::unique_ptr<GatewayServer> server;
    QDateTime now;

private slots:
    void initTestCase()
    {
        // Each request writes a dozen lines; only the tests that check them listen.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    }

    void init()
    {
        // Register 201 + i holds 0x0100 * i + 0x11; 101 + i holds 0xA000 + i.
        quint8 data[200];
        for (int i = 0; i < 100; ++i) {
            data[2 * i] = quint8(i);
            data[2 * i + 1] = 0x11;
        }
        image.store(201, data, 100);
        quint8 status[22];
        for (int i = 0; i < 11; ++i) {
            status[2 * i] = 0xA0;
            status[2 * i + 1] = quint8(i);
        }
        image.store(101, status, 11);
        image.setDataMissing(false);

        now = QDateTime(QDate(2026, 12, 6), QTime(4, 26, 18));
        server = std::make_unique<GatewayServer>(image);
        server->setClock([this] { return now; });
        QVERIFY(server->listen(0));
    }

    void cleanup() { server.reset(); }

    void listenResultIsLogged()
    {
        LogCapture log;
        GatewayServer first(image);
        QVERIFY(first.listen(0));
        const quint16 port = first.serverPort();
        QVERIFY(port != 0);
        QCOMPARE(log.lines(),
            QStringList({ "Result of calling listen on port 0 true",
                QString("Gateway: Listening on port %1").arg(port) }));
        QVERIFY(first.listenStatus().listening);

        GatewayServer second(image);
        QVERIFY(!second.listen(port));
        QCOMPARE(log.lines().mid(2),
            QStringList({ QString("Result of calling listen on port %1 false").arg(port),
                QString("Gateway: Not listening on port %1: "
                        "the bound address is already in use. Another program "
                        "is using this port; it is tried again every 10 s.")
                    .arg(port) }));
        QCOMPARE(second.listenStatus().error, QAbstractSocket::AddressInUseError);
    }

    void takenPortIsRetriedQuietlyUntilItComesFree()
    {
        auto holder = std::make_unique<GatewayServer>(image);
        QVERIFY(holder->listen(0));
        const quint16 port = holder->serverPort();
        GatewayServer gateway(image);
        gateway.setListenRetryInterval(20);
        QSignalSpy changed(&gateway, &GatewayServer::listenStatusChanged);
        LogCapture log;
        QVERIFY(!gateway.listen(port));
        QCOMPARE(changed.count(), 1);
        // Several retries fail the same way: no new line, no new signal.
        QTest::qWait(100);
        QCOMPARE(log.countStartingWith("Gateway: "), 1);
        QCOMPARE(changed.count(), 1);

        holder.reset();
        QVERIFY(changed.wait(5000));
        QVERIFY(gateway.isListening());
        QCOMPARE(gateway.listenStatus().port, port);
        QCOMPARE(log.lines().last(), QString("Gateway: Listening on port %1").arg(port));

        // Another port replaces the first; the old one is free again.
        GatewayServer other(image);
        QVERIFY(other.listen(0));
        const quint16 next = other.serverPort();
        other.close();
        QVERIFY(gateway.listen(next));
        QCOMPARE(gateway.serverPort(), next);
        QVERIFY(other.listen(port));
    }

    void clientIsListedRefreshedAndRemoved()
    {
        LogCapture log;
        QSignalSpy changed(server.get(), &GatewayServer::recentClientsChanged);
        Client client;
        QVERIFY(client.connectTo(server->serverPort()));
        QTRY_COMPARE(changed.count(), 1);
        // Reached through the dual-stack listener, yet listed as plain IPv4.
        QCOMPARE(server->recentClients(), QStringList { "127.0.0.1 Sun Dec 6 04:26:18 2026" });
        QCOMPARE(log.lines().at(0),
            QString("New connection, socket state is  "
                    "QAbstractSocket::ConnectedState"));
        QVERIFY(
            log.lines().at(1).startsWith("Connection host address type:  QAbstractSocket::IPv"));
        QCOMPARE(log.lines().at(2), QString("Connection from:  \"127.0.0.1\""));

        // A request refreshes the time without a notification.
        now = now.addSecs(3600 * 24 + 61);
        client.send(readRequest(1, 200, 1));
        QCOMPARE(client.read(11).size(), 11);
        QCOMPARE(server->recentClients(), QStringList { "127.0.0.1 Mon Dec 7 04:27:19 2026" });
        QCOMPARE(changed.count(), 1);

        // A second connection from the address goes; the first keeps it listed.
        Client second;
        QVERIFY(second.connectTo(server->serverPort()));
        second.socket->disconnectFromHost();
        QTRY_VERIFY(log.contains("Socket disconnected from address:  \"127.0.0.1\""));
        QCOMPARE(server->recentClients().size(), 1);

        client.socket->disconnectFromHost();
        QTRY_COMPARE(changed.count(), 3);
        QVERIFY(server->recentClients().isEmpty());
        QCOMPARE(server->connectionCount(), 0);
    }

    void recentClientsAreTheFiveSmallestAddressTexts()
    {
        std::vector<Client> clients(8);
        const char *from[] = { "127.0.0.7", "127.0.0.10", "127.0.0.3", "127.0.0.1", "127.0.0.5",
            "127.0.0.2", "127.0.0.6", "127.0.0.4" };
        for (int i = 0; i < 8; ++i)
            QVERIFY(clients[std::size_t(i)].connectTo(server->serverPort(), from[i]));
        QTRY_COMPARE(server->connectionCount(), 8);
        QStringList addresses;
        for (const QString &entry : server->recentClients())
            addresses.append(entry.section(' ', 0, 0));
        QCOMPARE(addresses,
            (QStringList { "127.0.0.1", "127.0.0.10", "127.0.0.2", "127.0.0.3", "127.0.0.4" }));
    }

    void requestSplitOverReadsIsAnswered()
    {
        LogCapture log;
        Client client;
        QVERIFY(client.connectTo(server->serverPort()));
        // One byte per read, each seen by the server before the next is sent.
        const QByteArray request = readRequest(0x1280, 221, 2);
        for (int i = 0; i < request.size(); ++i) {
            client.send(request.mid(i, 1));
            QTRY_COMPARE(log.count("SlotReadyRead called, bytes available:  1"), i + 1);
        }
        QCOMPARE(client.read(13), hex("1280 0000 0007 01 03 04 1511 1611"));
        QCOMPARE(log.count("Invalid modbus tcp packet, ignoring"), 0);
    }

    void pipelinedRequestsAreAnsweredInOrder()
    {
        Client client;
        QVERIFY(client.connectTo(server->serverPort()));
        client.send(readRequest(1, 200, 2) + hex("0002 0000 0006 01 06 00c8 abcd")
            + readRequest(3, 100, 1, 4));
        QCOMPARE(client.read(13 + 12 + 11),
            hex("0001 0000 0007 01 03 04 0011 0111") + hex("0002 0000 0006 01 06 00c8 abcd")
                + hex("0003 0000 0005 01 04 02 a000"));

        // More than the framing buffer holds at once, in one write.
        QByteArray burst;
        for (int t = 0; t < 100; ++t)
            burst += readRequest(0x100 + t, 200 + t % 50, 1);
        client.send(burst);
        const QByteArray replies = client.read(100 * 11);
        QCOMPARE(replies.size(), 1100);
        for (int t = 0; t < 100; ++t) {
            const QByteArray reply = replies.mid(11 * t, 11);
            QCOMPARE(reply.left(2), hex("01") + char(t));
            QCOMPARE(reply.mid(9), QByteArray(1, char(t % 50)) + '\x11');
        }
    }

    void unframableHeaderClosesTheConnection_data()
    {
        QTest::addColumn<QByteArray>("bad");
        QTest::newRow("protocol id 1") << hex("0009 0001 0006 01 03 0064 000b");
        QTest::newRow("length 0") << hex("0009 0000 0000 01 03 00");
        QTest::newRow("length 255") << hex("0009 0000 00ff 01 03");
        QTest::newRow("text") << QByteArray("HELLO, SERVER\r\n");
    }

    void unframableHeaderClosesTheConnection()
    {
        QFETCH(QByteArray, bad);
        LogCapture log;
        QSignalSpy changed(server.get(), &GatewayServer::recentClientsChanged);
        Client client;
        QVERIFY(client.connectTo(server->serverPort()));
        // What came before the bad header is still answered.
        client.send(readRequest(7, 100, 1) + bad);
        QCOMPARE(client.read(11), hex("0007 0000 0005 01 03 02 a000"));
        QVERIFY(client.waitClosedByPeer());
        QVERIFY(log.contains("Invalid modbus tcp packet, ignoring"));
        QTRY_COMPARE(server->connectionCount(), 0);
        QVERIFY(server->recentClients().isEmpty());
        QCOMPARE(changed.count(), 2);
    }

    void shortFramesAndHeldPartsKeepTheConnection()
    {
        LogCapture log;
        Client client;
        QVERIFY(client.connectTo(server->serverPort()));
        // A framable request too short to read, then 11 bytes of a good one.
        const QByteArray good = readRequest(8, 200, 1);
        client.send(hex("0001 0000 0002 01 03") + good.left(11));
        QTRY_COMPARE(log.count("Invalid modbus tcp packet, ignoring"), 1);
        client.send(good.mid(11));
        // The first bytes back answer the good request: nothing answered the short one.
        QCOMPARE(client.read(11), hex("0008 0000 0005 01 03 02 0011"));
        QCOMPARE(client.socket->state(), QAbstractSocket::ConnectedState);
        QCOMPARE(server->connectionCount(), 1);
    }

    void servesTheImageAndItsMissingFlag()
    {
        Client client;
        QVERIFY(client.connectTo(server->serverPort()));
        const quint8 air[] = { 0xFF, 0x38 };
        quint8 data[200] = {};
        std::copy(air, air + 2, data + 42); // register 222
        image.store(201, data, 100);
        client.send(readRequest(2, 221, 1, 4));
        QCOMPARE(client.read(11), hex("0002 0000 0005 01 04 02 ff38"));

        image.setDataMissing(true);
        client.send(readRequest(3, 221, 1, 4));
        QCOMPARE(client.read(9), hex("0003 0000 0003 01 84 04"));
        // Past register 300 while data are there: illegal data address.
        image.setDataMissing(false);
        client.send(readRequest(4, 250, 51));
        QCOMPARE(client.read(9), hex("0004 0000 0003 01 83 02"));
    }

    void requestLinesOnlyWhenVerbose()
    {
        LogCapture log;
        bool verbose = false;
        server->setVerbose([&verbose] { return verbose; });
        Client client;
        QVERIFY(client.connectTo(server->serverPort()));
        client.send(readRequest(1, 200, 1));
        QCOMPARE(client.read(11).size(), 11);
        QCOMPARE(log.count("Writing response of length:  11"), 0);
        QCOMPARE(log.count("Modbus TCP header: "), 0);
        QCOMPARE(log.countStartingWith("SlotReadyRead called"), 0);
        QCOMPARE(log.countStartingWith("Writing byte "), 0);

        verbose = true;
        client.send(readRequest(1, 200, 1));
        QCOMPARE(client.read(11).size(), 11);
        QCOMPARE(log.count("Writing response of length:  11"), 1);
        QCOMPARE(log.count("Modbus TCP header: "), 1);
        QCOMPARE(log.countStartingWith("SlotReadyRead called"), 1);
        QCOMPARE(log.countStartingWith("Writing byte "), 11);
        QVERIFY(log.contains("Writing byte  10 :  11"));
    }

    void fullServerMakesRoomForANewcomer()
    {
        LogCapture log;
        qint64 ms = 0;
        server->setIdleClock([&ms] { return ms; });
        server->setMaxConnections(2);
        Client a, b, c;
        QVERIFY(a.connectTo(server->serverPort(), "127.0.0.1"));
        QTRY_COMPARE(server->connectionCount(), 1);
        ms = 10;
        QVERIFY(b.connectTo(server->serverPort(), "127.0.0.2"));
        QTRY_COMPARE(server->connectionCount(), 2);
        // `a` asks for something, so `b` is now the longest idle.
        ms = 20;
        a.send(readRequest(5, 200, 1));
        QCOMPARE(a.read(11).size(), 11);
        QVERIFY(c.connectTo(server->serverPort(), "127.0.0.3"));
        QVERIFY(b.waitClosedByPeer());
        QVERIFY(
            log.contains("Too many connections, closing the longest idle from:  \"127.0.0.2\""));
        QTRY_COMPARE(server->recentClients().size(), 2);
        QCOMPARE(server->connectionCount(), 2);
        QVERIFY(!server->recentClients().join(' ').contains("127.0.0.2"));

        // Dead peers must be found by the kernel, not held for ever.
        const auto sockets = server->findChildren<QTcpSocket *>();
        int open = 0;
        for (QTcpSocket *socket : sockets) {
            if (socket->state() != QAbstractSocket::ConnectedState)
                continue;
            ++open;
            QCOMPARE(socket->socketOption(QAbstractSocket::KeepAliveOption).toInt(), 1);
        }
        QCOMPARE(open, 2);

        for (Client *client : { &a, &c }) {
            client->send(readRequest(6, 200, 1));
            QCOMPARE(client->read(11).size(), 11);
        }
    }

    void defaultCapIsSixtyFour()
    {
        std::vector<Client> clients(65);
        for (Client &client : clients)
            QVERIFY(client.connectTo(server->serverPort()));
        QTRY_COMPARE(server->findChildren<QTcpSocket *>().size(), 64);
        QCOMPARE(server->connectionCount(), 64);
    }

    void longPipelineIsNotTakenForAFlood()
    {
        // 209 kB of replies to one write, more than the unread-reply limit
        // before the first flush, from a client that reads them all.
        Client client;
        QVERIFY(client.connectTo(server->serverPort()));
        QByteArray burst;
        for (int i = 0; i < 1000; ++i)
            burst += readRequest(i, 200, 100);
        client.send(burst);
        const QByteArray replies = client.read(1000 * 209);
        QCOMPARE(replies.size(), 1000 * 209);
        QCOMPARE(replies.mid(999 * 209, 2), hex("03e7"));
        QCOMPARE(server->connectionCount(), 1);
    }

    void closedServerKeepsItsClients()
    {
        Client client;
        QVERIFY(client.connectTo(server->serverPort()));
        QTRY_COMPARE(server->connectionCount(), 1);
        const quint16 port = server->serverPort();
        server->close();
        QVERIFY(!server->isListening());
        client.send(readRequest(9, 200, 1));
        QCOMPARE(client.read(11).size(), 11);

        QTcpSocket late;
        QSignalSpy failed(&late, &QTcpSocket::errorOccurred);
        late.connectToHost(QHostAddress::LocalHost, port);
        // Windows may refuse inside connectToHost() already.
        QVERIFY(!failed.isEmpty() || failed.wait(5000));
        QCOMPARE(late.error(), QAbstractSocket::ConnectionRefusedError);
    }
};

QTEST_GUILESS_MAIN(TestGatewayServer)
#include "tst_gatewayserver.moc"

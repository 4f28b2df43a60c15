#include "acquisition/qmodbus.h"
#include "acquisition/registerimage.h"
#include "acquisition/tcplink.h"
#include "settings/syssettings.h"
#include "support/freeport.h"
#include "support/localportal.h"
#include "support/logcapture.h"
#include "support/processes.h"
#include "support/reservedport.h"
#include "support/shownvalues.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <functional>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// The register pattern our scripted peer serves: register n holds n * 3 + 7.
quint16 pattern(int reg)
{
    return quint16(reg * 3 + 7);
}

quint16 wordAt(const QByteArray &bytes, int offset)
{
    return quint16((quint8(bytes[offset]) << 8) | quint8(bytes[offset + 1]));
}

// A reply frame built by hand: MBAP header for unit 1, then the PDU.
QByteArray frame(quint16 id, const QByteArray &pdu)
{
    QByteArray bytes;
    bytes.append(char(id >> 8)).append(char(id & 0xFF)).append('\0').append('\0');
    const int length = pdu.size() + 1;
    bytes.append(char(length >> 8)).append(char(length & 0xFF)).append('\x01');
    return bytes + pdu;
}

// The normal answer to a 12-byte read request; `fill` replaces the pattern.
QByteArray answer(const QByteArray &request, int fill = -1)
{
    const quint16 id = wordAt(request, 0);
    const int first = wordAt(request, 8) + 1;
    const int count = wordAt(request, 10);
    QByteArray pdu;
    pdu.append(request[7]).append(char(2 * count));
    for (int i = 0; i < count; ++i) {
        const quint16 value = fill >= 0 ? quint16(fill) : pattern(first + i);
        pdu.append(char(value >> 8)).append(char(value & 0xFF));
    }
    return frame(id, pdu);
}

void send(QTcpSocket &socket, const QByteArray &bytes)
{
    socket.write(bytes);
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(2000)) { }
}

// A Modbus TCP peer on its own thread, answering as the test scripts: it
// records every 12-byte request and hands it to the script, which writes what
// the case needs (nothing, pieces, stale frames) or hangs up.
class ScriptedPeer : public QThread
{
public:
    // `index` counts requests over all connections.
    using Script = std::function<void(QTcpSocket &socket, const QByteArray &request, int index)>;

    explicit ScriptedPeer(Script steps)
        : script(std::move(steps))
    {
        start();
        listening.acquire();
    }
    ~ScriptedPeer() override
    {
        stopping = true;
        wait();
    }

    quint16 port() const { return listenPort; }
    int connections() const { return accepted; }
    QList<QByteArray> requests() const
    {
        QMutexLocker locker(&mutex);
        return received;
    }

protected:
    void run() override
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        listenPort = server.serverPort();
        listening.release();
        int index = 0;
        while (!stopping) {
            if (!server.waitForNewConnection(20))
                continue;
            std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
            ++accepted;
            QByteArray buffer;
            while (!stopping && socket->state() == QAbstractSocket::ConnectedState) {
                socket->waitForReadyRead(20);
                buffer += socket->readAll();
                while (buffer.size() >= modbus::TcpRequestSize
                    && socket->state() == QAbstractSocket::ConnectedState) {
                    const QByteArray request = buffer.left(modbus::TcpRequestSize);
                    buffer.remove(0, modbus::TcpRequestSize);
                    {
                        QMutexLocker locker(&mutex);
                        received.append(request);
                    }
                    script(*socket, request, index++);
                }
            }
        }
    }

private:
    Script script;
    QSemaphore listening;
    std::atomic<quint16> listenPort { 0 };
    std::atomic<int> accepted { 0 };
    std::atomic<bool> stopping { false };
    mutable QMutex mutex;
    QList<QByteArray> received;
};

void answerNormally(QTcpSocket &socket, const QByteArray &request, int)
{
    send(socket, answer(request));
}

// The simulator binary over TCP; `commands` go to its stdin.
struct Station
{
    TestProcess process;
    quint16 port = 0;

    bool start(const QStringList &arguments)
    {
        process.process->start(QStringLiteral(STATION_BINARY), arguments);
        const auto line = process.waitForLine("TCP ");
        port = line ? quint16(line->toUInt()) : 0;
        return port != 0;
    }
    bool command(const QByteArray &line, const QByteArray &confirmation)
    {
        process.process->write(line + '\n');
        return process.waitForLine(confirmation).has_value();
    }
};

std::unique_ptr<StationLink> tcpLinks(
    bool, RegisterImage &image, const std::atomic<bool> *interrupt)
{
    return std::make_unique<TcpLink>(image, interrupt);
}

} // namespace

class TestTcpLink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { keepPortalUploadsLocal(); }

    void init() { TcpLink::setLastTransactionId(0); }

    // --- framing, without sockets ---------------------------------------------

    void replyChecks_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("expected");
        QTest::newRow("good") << hex("0007000000070103040102a0b0") << 2 << 2;
        QTest::newRow("other function") << hex("000200000006010402000100") << 100 << -7;
        QTest::newRow("long exception") << hex("00020000000401830200") << 100 << -7;
        QTest::newRow("byte count one high") << hex("0007000000070103050102a0b0") << 2 << -8;
        QTest::newRow("byte count for another block")
            << hex("0007000000070103160102a0b0") << 2 << -8;
        QTest::newRow("exception, 9 bytes") << hex("000200000003018302") << 100 << 0;
        QTest::newRow("8 bytes") << hex("0001000000020103") << 11 << 0;
        QTest::newRow("empty") << QByteArray() << 11 << 0;
        QTest::newRow("fewer data than counted") << hex("00070000000501030401 02") << 2 << 0;
    }

    void replyChecks()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, count);
        QFETCH(int, expected);
        QCOMPARE(TcpLink::checkReply(reply, 3, count), expected);
    }

    void shortReplyIsLoggedWithItsLength()
    {
        LogCapture log;
        QCOMPARE(TcpLink::checkReply(hex("000200000003018302"), 3, 100), 0);
        QCOMPARE(log.lines(), QStringList { "invalid response of length:  9" });
    }

    void framesAreCutByTheirMbapLength()
    {
        const QByteArray reply = hex("0009000000070103040102a0b0");
        QByteArray taken;

        // Fed a byte at a time, the frame is whole only with its last byte.
        QByteArray buffer;
        for (int i = 0; i < reply.size() - 1; ++i) {
            buffer.append(reply[i]);
            QCOMPARE(TcpLink::takeFrame(buffer, 9, &taken), TcpLink::Frame::Incomplete);
            QCOMPARE(buffer.size(), i + 1);
        }
        buffer.append(reply.back());
        QCOMPARE(TcpLink::takeFrame(buffer, 9, &taken), TcpLink::Frame::Complete);
        QCOMPARE(taken, reply);
        QVERIFY(buffer.isEmpty());

        // What follows the frame stays for the next transaction.
        buffer = reply + hex("000a00");
        QCOMPARE(TcpLink::takeFrame(buffer, 9, &taken), TcpLink::Frame::Complete);
        QCOMPARE(buffer, hex("000a00"));
    }

    void staleFramesAreSkipped()
    {
        LogCapture log;
        const QByteArray stale = hex("0004000000070103040000ffff");
        const QByteArray older = hex("0003000000030183 02");
        const QByteArray current = hex("0005000000070103040102a0b0");
        QByteArray taken;

        QByteArray buffer = older + stale + current;
        QCOMPARE(TcpLink::takeFrame(buffer, 5, &taken), TcpLink::Frame::Complete);
        QCOMPARE(taken, current);
        QVERIFY(buffer.isEmpty());
        QCOMPARE(log.lines(),
            QStringList({ "discarding stale reply, transaction id:  3",
                "discarding stale reply, transaction id:  4" }));

        // A stale frame alone leaves nothing to take, and nothing behind.
        buffer = stale + current.left(3);
        QCOMPARE(TcpLink::takeFrame(buffer, 5, &taken), TcpLink::Frame::Incomplete);
        QCOMPARE(buffer, current.left(3));

        // A flood of them is dropped in one pass and only counted.
        log.clear();
        int count = 0;
        buffer = stale.repeated(5000) + current;
        QCOMPARE(TcpLink::takeFrame(buffer, 5, &taken, &count), TcpLink::Frame::Complete);
        QCOMPARE(count, 5000);
        QCOMPARE(log.lines().size(), TcpLink::StaleFramesLogged);
    }

    void impossibleHeadersAreInvalid_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("protocol id 1") << hex("0001000100070103040102a0b0");
        QTest::newRow("length 0") << hex("00010000000001");
        QTest::newRow("length 1") << hex("0001000000010103");
        QTest::newRow("length 255") << hex("000100000"
                                           "0ff0103");
        QTest::newRow("garbage") << hex("ffffffffffffffffffffffff");
        QTest::newRow("text") << QByteArray("HTTP/1.1 400 Bad Request\r\n");
    }

    void impossibleHeadersAreInvalid()
    {
        QFETCH(QByteArray, bytes);
        QByteArray buffer = bytes;
        QByteArray taken;
        QCOMPARE(TcpLink::takeFrame(buffer, 1, &taken), TcpLink::Frame::Invalid);
        QVERIFY(taken.isEmpty());
    }

    void largestLengthIsAccepted()
    {
        QByteArray buffer = hex("000100000"
                                "0fe01");
        QByteArray taken;
        QCOMPARE(TcpLink::takeFrame(buffer, 1, &taken), TcpLink::Frame::Incomplete);
        buffer.append(QByteArray(253, '\0'));
        QCOMPARE(TcpLink::takeFrame(buffer, 1, &taken), TcpLink::Frame::Complete);
        QCOMPARE(taken.size(), 260);
    }

    // --- over a socket, against a scripted peer ---------------------------------

    void firstTwoRequestsAndTheirReplies()
    {
        ScriptedPeer peer(answerNormally);
        RegisterImage image;
        TcpLink link(image, nullptr);
        LogCapture log;
        QVERIFY(link.open("127.0.0.1", peer.port()));
        QVERIFY(!link.isLost());

        quint16 status[11] = {};
        quint16 data[100] = {};
        QCOMPARE(link.readRegisters(1, 3, 101, 11, status), 11);
        QCOMPARE(link.readRegisters(1, 3, 201, 100, data), 100);

        QCOMPARE(peer.requests(),
            QList<QByteArray>(
                { hex("00010000000601030064000B"), hex("00020000000601030 0C80064") }));
        QCOMPARE(status[0], quint16(310));
        QCOMPARE(status[10], quint16(340));
        QCOMPARE(data[0], quint16(610));
        QCOMPARE(data[99], quint16(907));
        const QByteArray snapshot = image.snapshot();
        QCOMPARE(wordAt(snapshot, 0), quint16(310));
        QCOMPARE(wordAt(snapshot, 20), quint16(340));
        QCOMPARE(wordAt(snapshot, 22), quint16(610));
        QCOMPARE(wordAt(snapshot, 220), quint16(907));

        const QStringList first { "Modbus TCP header: ", "Transaction id:  1", "Protocol id:  0",
            "Length:  6", "Unit id:  1", "Function code:  3", "Start address:  \"64\"",
            "Quantity:  11", "bytes written", "Waiting for bytes to become available",
            "bytes available:  31", "response data length:  22" };
        QCOMPARE(log.lines().mid(0, first.size()), first);
        const QStringList second { "Modbus TCP header: ", "Transaction id:  2", "Protocol id:  0",
            "Length:  6", "Unit id:  1", "Function code:  3", "Start address:  \"c8\"",
            "Quantity:  100", "bytes written", "Waiting for bytes to become available",
            "bytes available:  209", "response data length:  200" };
        QCOMPARE(log.lines().mid(first.size()), second);
    }

    void transactionIdWrapsToZero()
    {
        TcpLink::setLastTransactionId(65534);
        ScriptedPeer peer(answerNormally);
        RegisterImage image;
        TcpLink link(image, nullptr);
        QVERIFY(link.open("127.0.0.1", peer.port()));
        QCOMPARE(link.readRegisters(1, 3, 101, 11, nullptr), 11);
        QCOMPARE(link.readRegisters(1, 3, 201, 100, nullptr), 100);
        QCOMPARE(peer.requests().value(0).left(2), hex("ffff"));
        QCOMPARE(peer.requests().value(1).left(2), hex("0000"));
    }

    void eachFailureHasItsCode()
    {
        ScriptedPeer peer([](QTcpSocket &socket, const QByteArray &request, int index) {
            const quint16 id = wordAt(request, 0);
            const QByteArray replies[] = {
                frame(id, hex("0402000100")), // function 4 to a function-3 request
                frame(id, hex("0314") + QByteArray(20, '\x11')), // 10 registers, not 11
                frame(id, hex("8302")), // exception, 9 bytes in all
                frame(id, hex("03")), // 8 bytes
            };
            send(socket, index < 4 ? replies[index] : answer(request));
        });
        RegisterImage image;
        TcpLink link(image, nullptr);
        LogCapture log;
        QVERIFY(link.open("127.0.0.1", peer.port()));
        quint16 status[11] = {};
        QCOMPARE(link.readRegisters(1, 3, 101, 11, status), -7);
        QCOMPARE(link.readRegisters(1, 3, 101, 11, status), -8);
        QCOMPARE(link.readRegisters(1, 3, 101, 11, status), 0);
        QCOMPARE(log.count("invalid response of length:  9"), 1);
        QCOMPARE(link.readRegisters(1, 3, 101, 11, status), 0);
        QCOMPARE(log.count("invalid response of length:  8"), 1);
        QCOMPARE(log.countStartingWith("response data length"), 0);
        QCOMPARE(image.snapshot(), QByteArray(RegisterImage::Size, '\0'));

        // Complete frames, however wrong, leave the stream in step.
        QCOMPARE(link.readRegisters(1, 3, 101, 11, status), 11);
        QCOMPARE(status[0], quint16(310));
        QVERIFY(!link.isLost());
    }

    void replyInThreePieces()
    {
        ScriptedPeer peer([](QTcpSocket &socket, const QByteArray &request, int) {
            const QByteArray reply = answer(request);
            // Pauses long enough for each piece to arrive on its own; the
            // first piece ends inside the MBAP header.
            send(socket, reply.left(5));
            QThread::msleep(40);
            send(socket, reply.mid(5, 100));
            QThread::msleep(40);
            send(socket, reply.mid(105));
        });
        RegisterImage image;
        TcpLink link(image, nullptr);
        LogCapture log;
        QVERIFY(link.open("127.0.0.1", peer.port()));
        quint16 data[100] = {};
        QCOMPARE(link.readRegisters(1, 3, 201, 100, data), 100);
        QVERIFY(log.countStartingWith("bytes available: ") >= 2);
        QCOMPARE(data[21], pattern(222));
        QCOMPARE(data[99], pattern(300));
        QCOMPARE(wordAt(image.snapshot(), 220), pattern(300));
    }

    void lateReplyIsSkipped_data()
    {
        QTest::addColumn<bool>("oneChunk");
        QTest::newRow("separate arrivals") << false;
        QTest::newRow("one chunk") << true;
    }

    void lateReplyIsSkipped()
    {
        QFETCH(bool, oneChunk);
        QByteArray firstRequest;
        // The first request is answered only once the second has come, so its
        // reply is certain to be late and to precede the fresh one.
        ScriptedPeer peer([&](QTcpSocket &socket, const QByteArray &request, int index) {
            if (index == 0) {
                firstRequest = request;
                return;
            }
            if (index == 1) {
                const QByteArray late = answer(firstRequest, 0xEEEE);
                if (oneChunk) {
                    send(socket, late + answer(request));
                    return;
                }
                send(socket, late);
                QThread::msleep(40);
            }
            send(socket, answer(request));
        });
        RegisterImage image;
        TcpLink link(image, nullptr);
        link.setReplyTimeout(200);
        LogCapture log;
        QVERIFY(link.open("127.0.0.1", peer.port()));

        quint16 status[11] = {};
        QCOMPARE(link.readRegisters(1, 3, 101, 11, status), 0);
        QCOMPARE(log.count("unable to wait for bytes coming back. Aborting."), 1);

        quint16 data[100] = {};
        QCOMPARE(link.readRegisters(1, 3, 201, 100, data), 100);
        QCOMPARE(log.count("discarding stale reply, transaction id:  1"), 1);
        QCOMPARE(data[0], pattern(201));
        const QByteArray snapshot = image.snapshot();
        QCOMPARE(wordAt(snapshot, 0), quint16(0)); // the late status block was not taken
        QCOMPARE(wordAt(snapshot, 22), pattern(201));

        QCOMPARE(link.readRegisters(1, 3, 101, 11, status), 11);
        QCOMPARE(status[0], pattern(101));
    }

    void replyCutShortFailsAfterTheWait()
    {
        ScriptedPeer peer([](QTcpSocket &socket, const QByteArray &request, int) {
            send(socket, answer(request).left(50));
        });
        RegisterImage image;
        TcpLink link(image, nullptr);
        link.setReplyTimeout(300);
        LogCapture log;
        QVERIFY(link.open("127.0.0.1", peer.port()));
        QCOMPARE(link.readRegisters(1, 3, 201, 100, nullptr), 0);
        QCOMPARE(log.count("invalid response of length:  50"), 1);
        QCOMPARE(image.snapshot(), QByteArray(RegisterImage::Size, '\0'));
    }

    void silentPeerTimesOut()
    {
        ScriptedPeer peer([](QTcpSocket &, const QByteArray &, int) {});
        RegisterImage image;
        TcpLink link(image, nullptr);
        link.setReplyTimeout(200);
        LogCapture log;
        QVERIFY(link.open("127.0.0.1", peer.port()));
        QCOMPARE(link.readRegisters(1, 3, 101, 11, nullptr), 0);
        QCOMPARE(log.count("unable to wait for bytes coming back. Aborting."), 1);
        QVERIFY(!link.isLost());
    }

    void interruptEndsTheReplyWait()
    {
        std::atomic<bool> interrupt { false };
        ScriptedPeer peer([&](QTcpSocket &, const QByteArray &, int) { interrupt = true; });
        RegisterImage image;
        TcpLink link(image, &interrupt);
        QVERIFY(link.open("127.0.0.1", peer.port()));
        QElapsedTimer took;
        took.start();
        QCOMPARE(link.readRegisters(1, 3, 201, 100, nullptr), 0);
        QVERIFY2(took.elapsed() < 3000, "the full reply wait was served despite the interrupt");
    }

    void peerHangsUp()
    {
        ScriptedPeer peer([](QTcpSocket &socket, const QByteArray &request, int index) {
            if (index == 1)
                socket.disconnectFromHost();
            else
                send(socket, answer(request));
        });
        RegisterImage image;
        TcpLink link(image, nullptr);
        LogCapture log;
        QVERIFY(link.open("127.0.0.1", peer.port()));
        QCOMPARE(link.readRegisters(1, 3, 101, 11, nullptr), 11);

        QElapsedTimer took;
        took.start();
        QCOMPARE(link.readRegisters(1, 3, 201, 100, nullptr), 0);
        QVERIFY2(took.elapsed() < 5000, "a closed connection was waited on");
        QCOMPARE(log.count("unable to wait for bytes coming back. Aborting."), 1);
        QVERIFY(link.isLost());

        QCOMPARE(link.readRegisters(1, 3, 201, 100, nullptr), 0);
        QCOMPARE(log.count("unable to write request to client socket. Aborting."), 1);

        // What the run loop does next: open again, on a new connection.
        QVERIFY(link.open("127.0.0.1", peer.port()));
        QVERIFY(!link.isLost());
        QCOMPARE(link.readRegisters(1, 3, 201, 100, nullptr), 100);
        QCOMPARE(peer.connections(), 2);
        // Qt's own complaints about misuse of a closed socket would land here too.
        QCOMPARE(log.countStartingWith("QAbstractSocket"), 0);
        QCOMPARE(log.countStartingWith("QIODevice"), 0);
    }

    void garbledReplyDropsTheConnection()
    {
        ScriptedPeer peer([](QTcpSocket &socket, const QByteArray &request, int index) {
            send(socket, index == 0 ? hex("ffffffffffffffffffffff") : answer(request));
        });
        RegisterImage image;
        TcpLink link(image, nullptr);
        LogCapture log;
        QVERIFY(link.open("127.0.0.1", peer.port()));
        QCOMPARE(link.readRegisters(1, 3, 101, 11, nullptr), 0);
        QCOMPARE(log.countStartingWith("invalid response header"), 1);
        QVERIFY(link.isLost());
        QVERIFY(link.open("127.0.0.1", peer.port()));
        QCOMPARE(link.readRegisters(1, 3, 101, 11, nullptr), 11);
    }

    void nobodyListening()
    {
        RegisterImage image;
        TcpLink link(image, nullptr);
        LogCapture log;
        QElapsedTimer took;
        took.start();
        ReservedPort refusing;
        QVERIFY(refusing.port != 0);
        QVERIFY(!link.open("127.0.0.1", refusing.port));
        QVERIFY(took.elapsed() < TcpLink::ConnectTimeoutMs);
        QVERIFY(!link.isLost()); // never opened: a failed open, not a lost link
        // What the error dialog tells the user.
        QCOMPARE(link.openFailure(), QStringLiteral("Connection refused."));
        QVERIFY(!link.open("127.0.0.1", 0));
        QCOMPARE(link.openFailure(), QStringLiteral("The port number must be from 1 to 65535."));
        QVERIFY(!link.open("127.0.0.1", 70000));
        QVERIFY(!link.open(QStringLiteral(" "), refusing.port));
        QCOMPARE(link.openFailure(), QStringLiteral("No IP address is set."));
        QCOMPARE(link.readRegisters(1, 3, 101, 11, nullptr), 0);
        QCOMPARE(log.count("unable to write request to client socket. Aborting."), 1);
        QCOMPARE(log.countStartingWith("QAbstractSocket"), 0);
        QCOMPARE(log.countStartingWith("QIODevice"), 0);
    }

    // --- against the station simulator ----------------------------------------

    void stationGoodCycles()
    {
        Station station;
        QVERIFY(station.start({ "--tcp", "0" }));
        RegisterImage image;
        TcpLink link(image, nullptr);
        LogCapture log;
        QVERIFY(link.open("127.0.0.1", station.port));
        for (int cycle = 0; cycle < 5; ++cycle) {
            quint16 status[11] = {};
            quint16 data[100] = {};
            QCOMPARE(link.readRegisters(1, 3, 101, 11, status), 11);
            QCOMPARE(link.readRegisters(1, 3, 201, 100, data), 100);
            // Serial number 100234 = 0x0001878A; 120 m and rain in millimetres
            // are the simulator's defaults.
            QCOMPARE(status[2], quint16(0x0001));
            QCOMPARE(status[3], quint16(0x878A));
            QCOMPARE(data[264 - 201], quint16(120));
            QCOMPARE(data[263 - 201], quint16(1));
        }
        QCOMPARE(log.countStartingWith("discarding"), 0);
    }

    void stationFaults()
    {
        Station station;
        QVERIFY(station.start({ "--tcp", "0" }));
        RegisterImage image;
        TcpLink link(image, nullptr);
        link.setReplyTimeout(500);
        LogCapture log;
        QVERIFY(link.open("127.0.0.1", station.port));

        QVERIFY(station.command("fault exception", "FAULT exception"));
        QCOMPARE(link.readRegisters(1, 3, 201, 100, nullptr), 0);
        QCOMPARE(log.count("invalid response of length:  9"), 1);

        QVERIFY(station.command("fault badcrc", "FAULT badcrc"));
        QCOMPARE(link.readRegisters(1, 3, 201, 100, nullptr), -8);

        // The unit id of a reply is not judged, only its transaction id.
        QVERIFY(station.command("fault wrongunit", "FAULT wrongunit"));
        QCOMPARE(link.readRegisters(1, 3, 101, 11, nullptr), 11);

        QVERIFY(station.command("fault silence", "FAULT silence"));
        QCOMPARE(link.readRegisters(1, 3, 101, 11, nullptr), 0);
        QCOMPARE(log.count("unable to wait for bytes coming back. Aborting."), 1);

        // A late reply comes in the middle of later, good transactions.
        QVERIFY(station.command("fault late", "FAULT late"));
        const quint16 lateId = quint16(TcpLink::lastTransactionId() + 1);
        QCOMPARE(link.readRegisters(1, 3, 101, 11, nullptr), 0);
        QVERIFY(station.command("fault none", "FAULT none"));
        const QString discarded
            = QStringLiteral("discarding stale reply, transaction id:  %1").arg(lateId);
        QTRY_VERIFY_WITH_TIMEOUT(
            link.readRegisters(1, 3, 201, 100, nullptr) == 100 && log.contains(discarded), 5000);

        QVERIFY(station.command("fault hangup", "FAULT hangup"));
        QCOMPARE(link.readRegisters(1, 3, 101, 11, nullptr), 0);
        QVERIFY(link.isLost());
        QVERIFY(station.command("fault none", "FAULT none"));
        QVERIFY(link.open("127.0.0.1", station.port));
        QCOMPARE(link.readRegisters(1, 3, 201, 100, nullptr), 100);
    }

    // --- in the acquisition run loop ------------------------------------------

    // A station that floods frames of other transactions (260 bytes each)
    // and never answers cannot pin the polling thread: a restart and a quit
    // are taken within a second, and SIGTERM ends the program within three.
    void floodingStationPinsNothing()
    {
        constexpr qint64 flooded = 8 << 20;
        std::atomic<qint64> sent { 0 };
        ScriptedPeer peer([&sent](QTcpSocket &socket, const QByteArray &, int) {
            const QByteArray frames
                = (hex("8000 0000 00fe 0103fa") + QByteArray(251, 0)).repeated(64);
            for (sent = 0; socket.state() == QAbstractSocket::ConnectedState;)
                if (socket.write(frames) > 0 && socket.waitForBytesWritten(100))
                    sent += frames.size();
        });
        QTemporaryDir dir;
        SysSettings settings(dir.path());
        settings.setReadMode(1);
        settings.setModbusIP("127.0.0.1");
        settings.setModbusPort(peer.port());
        settings.setGatewayPort(freeTcpPort()); // for the program below
        settings.setWebPort(freeTcpPort());
        QModbus modbus(&settings);
        QTimer ticks;
        connect(&ticks, &QTimer::timeout, &modbus, &QModbus::updateTimerTimeout);
        ticks.start(100);
        modbus.start();
        QTRY_VERIFY_WITH_TIMEOUT(sent > flooded, 10000);
        modbus.restart();
        QTRY_VERIFY_WITH_TIMEOUT(peer.connections() == 2, 1000);
        QTRY_VERIFY_WITH_TIMEOUT(sent > flooded, 10000);
        modbus.quit();
        QVERIFY(modbus.wait(1000));
#ifdef Q_OS_UNIX
        QProcess console;
        console.start(SKYQUILL_BINARY, { "--headless", "--settings-dir", dir.path() });
        QTRY_VERIFY_WITH_TIMEOUT(peer.connections() == 3 && sent > flooded, 10000);
        ::kill(pid_t(console.processId()), SIGTERM);
        QVERIFY(console.waitForFinished(3000));
        QCOMPARE(console.exitCode(), 0);
#endif
    }

    void runLoopReconnectsAfterHangup()
    {
        Station station;
        // Each connection gets two good cycles, then the station hangs up.
        QVERIFY(station.start({ "--tcp", "0", "--fault", "hangup", "--fault-after", "4" }));
        QTemporaryDir dir;
        SysSettings settings(dir.path());
        settings.setReadMode(1);
        settings.setModbusIP("127.0.0.1");
        settings.setModbusPort(station.port);
        LogCapture log;
        QModbus modbus(&settings);
        ShownValues shown(modbus, settings);
        modbus.setLinkFactory(tcpLinks);
        QSignalSpy cycles(&shown, &StationDisplay::airTempChanged);
        QSignalSpy openFailed(&modbus, &QModbus::openSocketFailed);
        QTimer ticks;
        connect(&ticks, &QTimer::timeout, &modbus, &QModbus::updateTimerTimeout);
        ticks.start(100);
        modbus.start();

        QTRY_VERIFY_WITH_TIMEOUT(cycles.count() >= 5, 15000);
        QVERIFY(log.count("QModbus: Station link reported gone") >= 2);
        QCOMPARE(openFailed.count(), 0);
        modbus.quit();
    }

    void runLoopRetriesUntilTheStationIsBack()
    {
        ReservedPort refusing;
        const quint16 port = refusing.port;
        QVERIFY(port != 0);
        QTemporaryDir dir;
        SysSettings settings(dir.path());
        settings.setReadMode(1);
        settings.setModbusIP("127.0.0.1");
        settings.setModbusPort(port);
        LogCapture log;
        QModbus modbus(&settings);
        ShownValues shown(modbus, settings);
        modbus.setLinkFactory(tcpLinks);
        modbus.setRetryInterval(200);
        QSignalSpy cycles(&shown, &StationDisplay::airTempChanged);
        QSignalSpy openFailed(&modbus, &QModbus::openSocketFailed);
        QTimer ticks;
        connect(&ticks, &QTimer::timeout, &modbus, &QModbus::updateTimerTimeout);
        ticks.start(100);

        // Nobody listening: one signal within the connect wait, then quiet retries.
        QElapsedTimer took;
        took.start();
        modbus.start();
        QVERIFY(openFailed.wait(TcpLink::ConnectTimeoutMs));
        QVERIFY(took.elapsed() < TcpLink::ConnectTimeoutMs);
        QTRY_VERIFY(log.count("QModbus: Retrying the station connection") >= 3);
        QCOMPARE(openFailed.count(), 1);
        QVERIFY(modbus.dataMissing());

        refusing.release();
        Station station;
        QVERIFY(station.start({ "--tcp", QString::number(port) }));
        QTRY_VERIFY_WITH_TIMEOUT(cycles.count() >= 2, 10000);
        QVERIFY(!modbus.dataMissing());

        // The station goes away and comes back on the same port.
        station.process.stop();
        ReservedPort meanwhile(port);
        QCOMPARE(meanwhile.port, port);
        QTRY_VERIFY_WITH_TIMEOUT(log.count("QModbus: Station link reported gone") == 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(openFailed.count() == 2, 10000);
        const int before = cycles.count();
        meanwhile.release();
        Station again;
        QVERIFY(again.start({ "--tcp", QString::number(port) }));
        QTRY_VERIFY_WITH_TIMEOUT(cycles.count() >= before + 2, 10000);
        QCOMPARE(openFailed.count(), 2);
        modbus.quit();
    }
};

QTEST_GUILESS_MAIN(TestTcpLink)
#include "tst_tcplink.moc"

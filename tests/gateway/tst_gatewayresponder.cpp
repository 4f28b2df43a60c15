#include "gateway/gatewayresponder.h"
#include "support/logcapture.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace gateway;

namespace {

// Register n holds n * 3 + 7, except 222 (air temperature) = 0xFF38; laid out
// by the image's own map: 101-111 at bytes 0-21, 201-300 at bytes 22-221.
int reg(int n)
{
    return n == 222 ? 0xFF38 : (n * 3 + 7) & 0xFFFF;
}

QByteArray patternImage()
{
    QByteArray image(222, '\0');
    for (int n = 101; n <= 111; ++n) {
        image[2 * (n - 101)] = char(reg(n) >> 8);
        image[2 * (n - 101) + 1] = char(reg(n) & 0xFF);
    }
    for (int n = 201; n <= 300; ++n) {
        image[22 + 2 * (n - 201)] = char(reg(n) >> 8);
        image[22 + 2 * (n - 201) + 1] = char(reg(n) & 0xFF);
    }
    return image;
}

QByteArray request(int function, int address, int quantity, int transaction = 1, int unit = 1)
{
    const quint8 bytes[] = { quint8(transaction >> 8), quint8(transaction), 0, 0, 0, 6,
        quint8(unit), quint8(function), quint8(address >> 8), quint8(address),
        quint8(quantity >> 8), quint8(quantity) };
    return QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes);
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// The data bytes a reply must carry for the listed registers, in wire order.
QByteArray registers(const QList<int> &numbers)
{
    QByteArray data;
    for (int n : numbers) {
        data.append(char(reg(n) >> 8));
        data.append(char(reg(n) & 0xFF));
    }
    return data;
}

QList<int> range(int first, int last)
{
    QList<int> list;
    for (int n = first; n <= last; ++n)
        list.append(n);
    return list;
}

// A complete frame with any header fields, padded to its length field.
QByteArray frameWith(int protocol, int length)
{
    QByteArray frame = hex("0001") + char(protocol >> 8) + char(protocol & 0xFF) + char(length >> 8)
        + char(length & 0xFF);
    frame.append(QByteArray(qMax(0, length), '\x01'));
    return frame;
}

} // namespace

class TestGatewayResponder : public QObject
{
    Q_OBJECT

private slots:
    void framesByLengthField()
    {
        QByteArray buffer;
        QCOMPARE(nextFrame(buffer).status, FrameStatus::NeedMore);

        // Split over reads: nothing until the last byte arrives.
        const QByteArray one = request(3, 200, 2, 0x0101);
        buffer = one.left(5);
        QCOMPARE(nextFrame(buffer).status, FrameStatus::NeedMore);
        buffer += one.mid(5, 6);
        QCOMPARE(nextFrame(buffer).status, FrameStatus::NeedMore);
        QCOMPARE(buffer.size(), 11);
        buffer += one.mid(11);
        FrameResult result = nextFrame(buffer);
        QCOMPARE(result.status, FrameStatus::Complete);
        QCOMPARE(result.frame, one);
        QVERIFY(buffer.isEmpty());

        // Pipelined: each in order, then the partial rest is held.
        const QByteArray two = request(4, 100, 11, 0x0202);
        const QByteArray three = request(6, 200, 0x1234, 0x0303);
        buffer = one + two + three.left(8);
        QCOMPARE(nextFrame(buffer).frame, one);
        QCOMPARE(nextFrame(buffer).frame, two);
        QCOMPARE(nextFrame(buffer).status, FrameStatus::NeedMore);
        QCOMPARE(buffer, three.left(8));

        // A longer frame (function 16) is taken whole by its length field.
        const QByteArray write16 = hex("000a 0000 000b 01 10 00c8 0002 04 0001 0002");
        buffer = write16.left(16);
        QCOMPARE(nextFrame(buffer).status, FrameStatus::NeedMore);
        buffer = write16 + one;
        QCOMPARE(nextFrame(buffer).frame, write16);
        QCOMPARE(nextFrame(buffer).frame, one);

        // The smallest and the largest frame the length field allows.
        buffer = frameWith(0, 2);
        QCOMPARE(buffer.size(), 8);
        QCOMPARE(nextFrame(buffer).status, FrameStatus::Complete);

        buffer = frameWith(0, 254);
        QCOMPARE(buffer.size(), MaxFrameSize);
        buffer.chop(1);
        QCOMPARE(nextFrame(buffer).status, FrameStatus::NeedMore);
        buffer.append('\x01');
        QCOMPARE(nextFrame(buffer).frame.size(), 260);
    }

    void unframableHeaders_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("protocol id 1") << frameWith(1, 6);
        QTest::newRow("protocol id 0x8000") << frameWith(0x8000, 6);
        QTest::newRow("length 0") << hex("0001 0000 0000 01");
        QTest::newRow("length 1") << frameWith(0, 1);
        QTest::newRow("length 255") << frameWith(0, 255);
        QTest::newRow("length 0xffff, header only") << hex("0001 0000 ffff 01");
        QTest::newRow("text") << QByteArray("GET / HTTP/1.1\r\n\r\n");
    }

    void unframableHeaders()
    {
        QFETCH(QByteArray, bytes);
        QByteArray buffer = bytes;
        QCOMPARE(nextFrame(buffer).status, FrameStatus::Invalid);
        QCOMPARE(buffer, bytes);
    }

    void readReplies_data()
    {
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QByteArray>("data");

        QTest::newRow("whole data block") << 3 << 200 << 100 << registers(range(201, 300));
        QTest::newRow("air temperature") << 3 << 221 << 1 << hex("ff38");
        QTest::newRow("status block") << 3 << 100 << 11 << registers(range(101, 111));
        QTest::newRow("input registers, same data") << 4 << 100 << 11 << registers(range(101, 111));
        QTest::newRow("status into data block")
            << 4 << 100 << 13 << registers(range(101, 111) + QList<int> { 201, 202 });
        QTest::newRow("whole image from 100")
            << 4 << 100 << 111 << registers(range(101, 111) + range(201, 300));
        QTest::newRow("last start, to register 300")
            << 3 << 269 << 31 << registers(range(270, 300));
        QTest::newRow("quantity 0") << 3 << 250 << 0 << QByteArray();
    }

    void readReplies()
    {
        QFETCH(int, function);
        QFETCH(int, address);
        QFETCH(int, quantity);
        QFETCH(QByteArray, data);

        const auto reply
            = gatewayReply(request(function, address, quantity, 0x1280, 7), patternImage(), false);
        QVERIFY(reply.has_value());
        QCOMPARE(reply->size(), 9 + 2 * quantity);
        const int length = 2 * quantity + 3;
        QCOMPARE(reply->left(9),
            hex("12800000") + char(length >> 8) + char(length & 0xFF) + char(7) + char(function)
                + char(2 * quantity));
        QCOMPARE(reply->mid(9), data);
    }

    void zeroImageBeforeFirstRead()
    {
        const auto reply = gatewayReply(request(3, 200, 10, 0x00FF), QByteArray(222, '\0'), false);
        QVERIFY(reply.has_value());
        QCOMPARE(*reply, hex("00ff 0000 0017 01 03 14") + QByteArray(20, '\0'));
    }

    void readsPastTheImageGetIllegalAddress_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("quantity");
        QTest::newRow("100 + 112") << 100 << 112;
        QTest::newRow("200 + 101") << 200 << 101;
        QTest::newRow("269 + 32") << 269 << 32;
        QTest::newRow("250 + 51") << 250 << 51;
        QTest::newRow("quantity 0xffff") << 200 << 0xFFFF;
    }

    void readsPastTheImageGetIllegalAddress()
    {
        QFETCH(int, address);
        QFETCH(int, quantity);
        LogCapture log;
        const auto reply
            = gatewayReply(request(4, address, quantity, 0x0a0b, 9), patternImage(), false, true);
        QVERIFY(reply.has_value());
        QCOMPARE(*reply, hex("0a0b 0000 0003 09 84 02"));
        QCOMPARE(log.lines(),
            QStringList { "Read runs past the register image, sending illegal data address "
                          "response" });
    }

    void unservedStartAddresses_data()
    {
        QTest::addColumn<int>("address");
        for (int address : { 0, 99, 101, 105, 199, 270, 299, 300, 0xFFFF })
            QTest::newRow(qPrintable(QString::number(address))) << address;
    }

    void unservedStartAddresses()
    {
        QFETCH(int, address);
        LogCapture log;
        QVERIFY(!gatewayReply(request(3, address, 1), patternImage(), false).has_value());
        QCOMPARE(log.lines(),
            QStringList {
                "Unable to read data from requested start address:  " + QString::number(address) });
    }

    void missingDataAnswersEveryReadWithCodeFour()
    {
        LogCapture log;
        // Whatever the address, even one that is otherwise refused or too long.
        for (const auto &[address, quantity] :
            { std::pair { 200, 10 }, std::pair { 105, 1 }, std::pair { 269, 40 } }) {
            const auto three
                = gatewayReply(request(3, address, quantity, 0x0102, 5), patternImage(), true);
            QVERIFY(three.has_value());
            QCOMPARE(*three, hex("0102 0000 0003 05 83 04"));
            const auto four
                = gatewayReply(request(4, address, quantity, 0x0102, 5), patternImage(), true);
            QVERIFY(four.has_value());
            QCOMPARE(*four, hex("0102 0000 0003 05 84 04"));
        }
        QCOMPARE(log.count("Missing data, sending slave error response"), 6);
        QCOMPARE(log.countStartingWith("Writing"), 0);
    }

    void writeSingleRegisterIsEchoed()
    {
        const QByteArray image = patternImage();
        const QByteArray write = hex("beef 0000 0006 11 06 00c8 1234");
        for (bool missing : { false, true }) {
            const auto reply = gatewayReply(write, image, missing);
            QVERIFY(reply.has_value());
            QCOMPARE(*reply, write);
        }
        // Any address, even outside the image.
        const QByteArray far = hex("0007 0000 0006 01 06 ffff 0000");
        QCOMPARE(gatewayReply(far, image, false).value_or(QByteArray()), far);
        // Trailing bytes in a longer frame are not echoed; the length is 6.
        const QByteArray padded = hex("0008 0000 0008 01 06 0001 0002 aabb");
        QCOMPARE(gatewayReply(padded, image, false).value_or(QByteArray()),
            hex("0008 0000 0006 01 06 0001 0002"));
    }

    void otherFunctionsGetNoReply()
    {
        LogCapture log;
        const QByteArray write16 = hex("000a 0000 000b 01 10 00c8 0002 04 0001 0002");
        QVERIFY(!gatewayReply(write16, patternImage(), false).has_value());
        for (int function : { 0, 1, 2, 5, 0x83, 0xFF })
            QVERIFY(!gatewayReply(request(function, 200, 1), patternImage(), false).has_value());
        QVERIFY(log.lines().isEmpty());
    }

    void shortAndLongFrames()
    {
        LogCapture log;
        // Framable but too short to hold an address and a quantity.
        for (const char *frame : { "0001000000020103", "000100000005010300c800" }) {
            QVERIFY(!gatewayReply(hex(frame), patternImage(), false).has_value());
            QVERIFY(!gatewayReply(hex(frame), patternImage(), true).has_value());
        }
        QVERIFY(!gatewayReply(QByteArray(), patternImage(), false).has_value());
        QCOMPARE(log.count("Invalid modbus tcp packet, ignoring"), 5);
        QCOMPARE(log.lines().size(), 5);

        // Bytes past the quantity are ignored; the reply's length is its own.
        const QByteArray longer = request(3, 221, 1) + hex("ffff");
        const auto reply = gatewayReply(longer, patternImage(), false);
        QVERIFY(reply.has_value());
        QCOMPARE(*reply, hex("0001 0000 0005 01 03 02 ff38"));
    }

    void requestAndReplyDump()
    {
        LogCapture log;
        const QByteArray frame = request(3, 221, 1, 0x1280, 7);
        logRequest(frame);
        logRequest(frame.left(11));
        QCOMPARE(log.lines(),
            (QStringList { "Modbus TCP header: ", "Transaction id:  4736", "Protocol id:  0",
                "Length:  6", "Unit id:  7", "Function code:  3", "Start address:  \"dd\"",
                "Quantity:  1" }));

        log.clear();
        gatewayReply(frame, patternImage(), false, false);
        QCOMPARE(log.lines(), QStringList {}); // the debug log is off: nothing built

        log.clear();
        gatewayReply(frame, patternImage(), false, true);
        QCOMPARE(log.lines(),
            (QStringList { "Writing response of length:  11", "Writing byte  0 :  12",
                "Writing byte  1 :  80", "Writing byte  2 :  0", "Writing byte  3 :  0",
                "Writing byte  4 :  0", "Writing byte  5 :  5", "Writing byte  6 :  7",
                "Writing byte  7 :  3", "Writing byte  8 :  2", "Writing byte  9 :  ff",
                "Writing byte  10 :  38" }));
    }

    void randomBytesNeverBreakFraming()
    {
        // A connection's buffer fed random chunks the way the server feeds it:
        // never above one maximum frame, every frame framable, every reply
        // consistent with its own length field and the request's header.
        struct Silence
        {
            QtMessageHandler previous = qInstallMessageHandler(
                [](QtMsgType, const QMessageLogContext &, const QString &) {});
            ~Silence() { qInstallMessageHandler(previous); }
        } silence;
        QRandomGenerator random(20240611);
        const QByteArray image = patternImage();
        int frames = 0, replies = 0;
        for (int round = 0; round < 300; ++round) {
            QByteArray stream;
            // Mostly framable requests with random bodies, now and then junk.
            while (stream.size() < 4000) {
                QByteArray piece(random.bounded(1, 40), '\0');
                for (char &c : piece)
                    c = char(random.bounded(256));
                if (random.bounded(20) > 0) {
                    piece.prepend(QByteArray(6, '\0'));
                    piece[5] = char(piece.size() - 6);
                    if (piece.size() > 7 && random.bounded(2) == 0)
                        piece[7] = char(QList<int> { 3, 4, 6 }.at(random.bounded(3)));
                    if (piece.size() > 11 && random.bounded(2) == 0) {
                        const int address = random.bounded(90, 280);
                        piece[8] = char(address >> 8);
                        piece[9] = char(address & 0xFF);
                        piece[10] = 0;
                    }
                }
                stream += piece;
            }
            QByteArray buffer;
            int position = 0;
            bool invalid = false;
            while (position < stream.size() && !invalid) {
                const int room = MaxFrameSize - buffer.size();
                QVERIFY(room > 0);
                const int take = qMin(room, random.bounded(1, 300));
                buffer += stream.mid(position, take);
                position += take;
                for (;;) {
                    const FrameResult next = nextFrame(buffer);
                    if (next.status == FrameStatus::NeedMore)
                        break;
                    if (next.status == FrameStatus::Invalid) {
                        invalid = true;
                        break;
                    }
                    ++frames;
                    const QByteArray &frame = next.frame;
                    QVERIFY(frame.size() >= 8 && frame.size() <= MaxFrameSize);
                    QCOMPARE(frame.size(), 6 + (quint8(frame[4]) << 8 | quint8(frame[5])));
                    logRequest(frame);
                    const auto reply = gatewayReply(
                        frame, image, random.bounded(8) == 0, random.bounded(2) == 1);
                    if (!reply)
                        continue;
                    ++replies;
                    QVERIFY(reply->size() >= 9);
                    QCOMPARE(reply->left(4), frame.left(4));
                    QCOMPARE(reply->size(), 6 + (quint8(reply->at(4)) << 8 | quint8(reply->at(5))));
                    QCOMPARE(reply->at(6), frame.at(6));
                }
                QVERIFY(invalid || buffer.size() < MaxFrameSize);
            }
        }
        // The generator must have reached both the framer and the responder.
        QVERIFY(frames > 2000);
        QVERIFY(replies > 500);
    }
};

QTEST_GUILESS_MAIN(TestGatewayResponder)
#include "tst_gatewayresponder.moc"

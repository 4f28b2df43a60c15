#include "acquisition/modbusprotocol.h"

#include <QByteArray>
#include <QtTest>

using namespace modbus;

namespace {

QByteArray bytes(const quint8 *data, int length)
{
    return QByteArray(reinterpret_cast<const char *>(data), length);
}

const quint8 *raw(const QByteArray &frame)
{
    return reinterpret_cast<const quint8 *>(frame.constData());
}

// A well-formed read reply for `count` registers with data bytes 0x10, 0x11, ...
QByteArray replyFrame(quint8 unit, quint8 function, int count, int byteCountField = -1)
{
    QByteArray frame;
    frame.append(char(unit));
    frame.append(char(function));
    frame.append(char(byteCountField < 0 ? 2 * count : byteCountField));
    for (int i = 0; i < 2 * count; ++i)
        frame.append(char(0x10 + i));
    const quint16 crc = crc16(raw(frame), std::size_t(frame.size()));
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
}

} // namespace

class TestModbusProtocol : public QObject
{
    Q_OBJECT

private slots:
    void crcTableEntries()
    {
        const CrcTable &table = crcTable();
        QCOMPARE(table[0], quint16(0x0000));
        QCOMPARE(table[1], quint16(0xC0C1));
        QCOMPARE(table[2], quint16(0xC181));
        QCOMPARE(table[3], quint16(0x0140));
        QCOMPARE(table[0x80], quint16(0xA001));
        QCOMPARE(table[0xFF], quint16(0x4040));
        QVERIFY(buildCrcTable() == table);
        QCOMPARE(&crcTable(), &table);
    }

    void crcOfKnownMessages()
    {
        const QByteArray check("123456789");
        QCOMPARE(crc16(raw(check), 9), quint16(0x4B37));
        QCOMPARE(crc16(nullptr, 0), quint16(0xFFFF));
    }

    void readRequests_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("data block") << 1 << 201 << 100 << QByteArray::fromHex("010300C80064C5DF");
        QTest::newRow("status block") << 1 << 101 << 11 << QByteArray::fromHex("01030064000B45D2");
        QTest::newRow("unit 17, register 108")
            << 17 << 108 << 3 << QByteArray::fromHex("1103006B00037687");
    }

    void readRequests()
    {
        QFETCH(int, unit);
        QFETCH(int, first);
        QFETCH(int, count);
        QFETCH(QByteArray, expected);
        quint8 out[RtuRequestSize];
        buildRtuReadRequest(out, quint8(unit), 3, first, count);
        QCOMPARE(bytes(out, RtuRequestSize), expected);
    }

    void replyChecks_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("received"); // -1: the whole reply
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("result");

        QTest::newRow("good status block") << replyFrame(1, 3, 11) << -1 << 11 << 11;
        QTest::newRow("good data block") << replyFrame(1, 3, 100) << -1 << 100 << 100;
        QTest::newRow("nothing received") << QByteArray() << 0 << 11 << int(NotOpenOrSilent);

        QByteArray corrupted = replyFrame(1, 3, 11);
        corrupted[10] = char(corrupted[10] ^ 0x01);
        QTest::newRow("one bit flipped") << corrupted << -1 << 11 << int(BadCrc);
        QByteArray swapped = replyFrame(1, 3, 11);
        const char low = swapped.at(25);
        swapped[25] = swapped.at(26);
        swapped[26] = low;
        QTest::newRow("crc bytes swapped") << swapped << -1 << 11 << int(BadCrc);
        QTest::newRow("truncated") << replyFrame(1, 3, 11) << 26 << 11 << int(BadCrc);
        QTest::newRow("single byte") << QByteArray::fromHex("01") << 1 << 11 << int(BadCrc);
        QTest::newRow("exception 0x83")
            << QByteArray::fromHex("018302C0F1") << -1 << 11 << int(BadCrc);
        // The station sent one register more than asked; the master reads only
        // the expected length, which then ends in data rather than a CRC.
        QTest::newRow("oversized, cut at expected length")
            << replyFrame(1, 3, 12) << 27 << 11 << int(BadCrc);
        QTest::newRow("garbage") << QByteArray::fromHex(
            "DEADBEEF00FF7E5A3C9912345678ABCDEF0102030405060708090A0B")
                                 << 27 << 11 << int(BadCrc);
        QTest::newRow("count beyond one frame") << QByteArray(8, '\0') << 8 << 126 << int(BadCrc);

        QTest::newRow("other unit") << replyFrame(2, 3, 11) << -1 << 11 << int(WrongUnit);
        QTest::newRow("other function") << replyFrame(1, 4, 11) << -1 << 11 << int(WrongFunction);
        QTest::newRow("byte count off by one")
            << replyFrame(1, 3, 11, 21) << -1 << 11 << int(WrongByteCount);
        // Checks run in a fixed order: CRC, unit, function, byte count.
        QTest::newRow("unit and function wrong")
            << replyFrame(2, 4, 11) << -1 << 11 << int(WrongUnit);
        QTest::newRow("function and byte count wrong")
            << replyFrame(1, 4, 11, 0) << -1 << 11 << int(WrongFunction);
    }

    void replyChecks()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, received);
        QFETCH(int, count);
        QFETCH(int, result);
        if (received < 0)
            received = reply.size();
        QCOMPARE(checkRtuReply(raw(reply), received, 1, 3, count), result);
    }

    void trailingBytesBeyondExpectedLengthAreIgnored()
    {
        QByteArray reply = replyFrame(1, 3, 11);
        reply.append(QByteArray::fromHex("FFFF"));
        QCOMPARE(checkRtuReply(raw(reply), reply.size(), 1, 3, 11), 11);
    }

    void mbapRoundTrip()
    {
        MbapHeader header;
        header.transactionId = 0xBEEF;
        header.protocolId = 0x0102;
        header.length = 254;
        header.unitId = 0xF7;
        quint8 out[MbapHeaderSize];
        encodeMbap(out, header);
        QCOMPARE(bytes(out, MbapHeaderSize), QByteArray::fromHex("BEEF010200FEF7"));
        const MbapHeader back = decodeMbap(out);
        QCOMPARE(back.transactionId, header.transactionId);
        QCOMPARE(back.protocolId, header.protocolId);
        QCOMPARE(back.length, header.length);
        QCOMPARE(back.unitId, header.unitId);
        QCOMPARE(mbapFrameSize(back), 260);
    }

    void tcpReadRequestVectors()
    {
        TcpReadRequest request;
        request.header.transactionId = 1;
        request.header.length = 6;
        request.header.unitId = 1;
        request.function = 3;
        request.startAddress = 100;
        request.quantity = 11;
        quint8 out[TcpRequestSize];
        encodeTcpReadRequest(out, request);
        QCOMPARE(bytes(out, TcpRequestSize), QByteArray::fromHex("00010000000601030064000B"));
    }

    void tcpReadRequestDecode()
    {
        const QByteArray frame = QByteArray::fromHex("0002000000060103"
                                                     "00C80064");
        const TcpReadRequest request = decodeTcpReadRequest(raw(frame));
        QCOMPARE(request.header.transactionId, quint16(2));
        QCOMPARE(request.header.protocolId, quint16(0));
        QCOMPARE(request.header.length, quint16(6));
        QCOMPARE(request.header.unitId, quint8(1));
        QCOMPARE(request.function, quint8(3));
        QCOMPARE(request.startAddress, quint16(200));
        QCOMPARE(request.quantity, quint16(100));
        QCOMPARE(mbapFrameSize(request.header), TcpRequestSize);
    }
};

QTEST_GUILESS_MAIN(TestModbusProtocol)
#include "tst_modbusprotocol.moc"

#include "station/stationserver.h"

#include <QRandomGenerator>
#include <QtTest>

using station::Fault;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// Register 101 + i holds 0x0100 + i, register 201 + i holds 0xA000 + i, so
// every byte of a reply tells which register it came from.
station::Registers pattern()
{
    station::Registers registers;
    for (int i = 0; i < 11; ++i)
        registers.status[i] = quint16(0x0100 + i);
    for (int i = 0; i < 100; ++i)
        registers.data[i] = quint16(0xA000 + i);
    return registers;
}

QByteArray dataBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 100; ++i)
        bytes.append(char(0xA0)).append(char(i));
    return bytes;
}

QByteArray statusBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 11; ++i)
        bytes.append(char(0x01)).append(char(i));
    return bytes;
}

const char *const dataRequest = "010300C80064C5DF";
const char *const statusRequest = "01030064000B45D2";

} // namespace

class TestStationServer : public QObject
{
    Q_OBJECT

private slots:
    void rtuReadsTheRegisterMap()
    {
        const station::Registers registers = pattern();
        QCOMPARE(station::rtuReply(hex(dataRequest), registers, Fault::None),
            hex("0103C8") + dataBytes() + hex("0EA8"));
        QCOMPARE(station::rtuReply(hex(statusRequest), registers, Fault::None),
            hex("010316") + statusBytes() + hex("9DD5"));
        // Function 4 serves the same map.
        QCOMPARE(station::rtuReply(hex("010400C80064701F"), registers, Fault::None),
            hex("0104C8") + dataBytes() + hex("D202"));
        // Registers outside both blocks read as zero; 101 follows 100.
        QCOMPARE(station::rtuReply(hex("010300000001840A"), registers, Fault::None),
            hex("0103020000B844"));
        QCOMPARE(station::rtuReply(hex("0103006300023415"), registers, Fault::None),
            hex("01030400000100FBA3"));
    }

    void rtuExceptionsForBadRequests()
    {
        const station::Registers registers = pattern();
        // Registers 300-301: the second does not exist.
        QCOMPARE(
            station::rtuReply(hex("0103012B0002B5FF"), registers, Fault::None), hex("018302C0F1"));
        QCOMPARE(
            station::rtuReply(hex("010300C80000C434"), registers, Fault::None), hex("0183030131"));
        QCOMPARE(
            station::rtuReply(hex("010300C8007E4414"), registers, Fault::None), hex("0183030131"));
        QCOMPARE(
            station::rtuReply(hex("010600C80001C9F4"), registers, Fault::None), hex("01860183A0"));
    }

    void rtuStaysQuietWhenNotAddressed()
    {
        const station::Registers registers = pattern();
        QVERIFY(station::rtuReply(hex("020300C80064C5EC"), registers, Fault::None).isEmpty());
        QVERIFY(station::rtuReply(hex("010300C80064C5DE"), registers, Fault::None).isEmpty());
        QVERIFY(station::rtuReply(hex("010300C80064C5"), registers, Fault::None).isEmpty());
        QVERIFY(station::rtuReply(hex("010300C80064C5DF00"), registers, Fault::None).isEmpty());
        QVERIFY(station::rtuReply(QByteArray(), registers, Fault::None).isEmpty());
    }

    void rtuFaults()
    {
        const station::Registers registers = pattern();
        const QByteArray request = hex(dataRequest);
        QVERIFY(station::rtuReply(request, registers, Fault::Silence).isEmpty());
        QCOMPARE(station::rtuReply(request, registers, Fault::Exception), hex("01830440F3"));
        QCOMPARE(station::rtuReply(request, registers, Fault::WrongUnit),
            hex("0203C8") + dataBytes() + hex("9C8B"));
        QCOMPARE(station::rtuReply(request, registers, Fault::BadCrc),
            hex("0103C8") + dataBytes() + hex("F157"));
        // The transport delays or hangs up; the bytes themselves are normal.
        const QByteArray normal = hex("0103C8") + dataBytes() + hex("0EA8");
        QCOMPARE(station::rtuReply(request, registers, Fault::Late), normal);
        QCOMPARE(station::rtuReply(request, registers, Fault::Hangup), normal);

        // A spiked sample: 60.0 °C in register 222, 900.0 hPa where the station
        // pressure read 1000.0; the status block has nothing to spike.
        station::Registers weather;
        weather.data[224 - 201] = 10000;
        const QByteArray spiked = station::rtuReply(request, weather, Fault::Spike);
        QCOMPARE(spiked.mid(3 + 2 * (222 - 201), 2), hex("0258"));
        QCOMPARE(spiked.mid(3 + 2 * (224 - 201), 2), hex("2328"));
        QCOMPARE(station::rtuReply(hex(statusRequest), registers, Fault::Spike),
            station::rtuReply(hex(statusRequest), registers, Fault::None));
    }

    void tcpReadsTheRegisterMap()
    {
        const station::Registers registers = pattern();
        QCOMPARE(station::tcpReply(hex("000100000006010300C80064"), registers, Fault::None),
            hex("0001000000CB0103C8") + dataBytes());
        QCOMPARE(station::tcpReply(hex("12340000000601040064000B"), registers, Fault::None),
            hex("123400000019010416") + statusBytes());
    }

    void tcpExceptions()
    {
        const station::Registers registers = pattern();
        QCOMPARE(station::tcpReply(hex("0002000000060103012B0002"), registers, Fault::None),
            hex("000200000003018302"));
        QCOMPARE(station::tcpReply(hex("000300000006050300C80064"), registers, Fault::None),
            hex("00030000000305830B"));
        QCOMPARE(station::tcpReply(hex("000400000006010600C80001"), registers, Fault::None),
            hex("000400000003018601"));
        // A read PDU of the wrong length.
        QCOMPARE(station::tcpReply(hex("0005000000020103"), registers, Fault::None),
            hex("000500000003018303"));
        QCOMPARE(station::tcpReply(hex("000600000008010300C8006400FF"), registers, Fault::None),
            hex("000600000003018303"));
        // Not Modbus, or not one whole frame: no answer.
        QVERIFY(
            station::tcpReply(hex("000700010006010300C80064"), registers, Fault::None).isEmpty());
        QVERIFY(station::tcpReply(hex("000700000006010300C800"), registers, Fault::None).isEmpty());
        QVERIFY(station::tcpReply(hex("0007000000"), registers, Fault::None).isEmpty());
    }

    void tcpFaults()
    {
        const station::Registers registers = pattern();
        const QByteArray request = hex("000900000006010300C80064");
        QVERIFY(station::tcpReply(request, registers, Fault::Silence).isEmpty());
        QCOMPARE(
            station::tcpReply(request, registers, Fault::Exception), hex("000900000003018304"));
        QCOMPARE(station::tcpReply(request, registers, Fault::WrongUnit),
            hex("0009000000CB0203C8") + dataBytes());
        // No CRC on TCP: the byte count is spoilt instead.
        QCOMPARE(station::tcpReply(request, registers, Fault::BadCrc),
            hex("0009000000CB0103C9") + dataBytes());
        QCOMPARE(station::tcpReply(request, registers, Fault::Late),
            hex("0009000000CB0103C8") + dataBytes());
    }

    void rtuFramerSplitsAndResynchronises()
    {
        station::RtuFramer framer;
        QByteArray request;
        const QByteArray frame = hex(dataRequest);

        // Split over three reads.
        framer.append(frame.left(3));
        QVERIFY(!framer.takeRequest(&request));
        framer.append(frame.mid(3, 3));
        QVERIFY(!framer.takeRequest(&request));
        framer.append(frame.mid(6));
        QVERIFY(framer.takeRequest(&request));
        QCOMPARE(request, frame);
        QCOMPARE(framer.pendingBytes(), 0);

        // Leading garbage is skipped a byte at a time.
        framer.append(hex("FF0013") + frame);
        QVERIFY(framer.takeRequest(&request));
        QCOMPARE(request, frame);
        QCOMPARE(framer.droppedBytes(), 3);

        // Two at once, then the start of a third.
        framer.append(frame + hex(statusRequest) + frame.left(3));
        QVERIFY(framer.takeRequest(&request));
        QCOMPARE(request, frame);
        QVERIFY(framer.takeRequest(&request));
        QCOMPARE(request, hex(statusRequest));
        QVERIFY(!framer.takeRequest(&request));
        QCOMPARE(framer.pendingBytes(), 3);
        framer.clear();

        // A damaged frame is lost, the next good one is found.
        QByteArray damaged = frame;
        damaged[4] = char(0x65);
        framer.append(damaged + hex(statusRequest));
        QVERIFY(framer.takeRequest(&request));
        QCOMPARE(request, hex(statusRequest));
        QVERIFY(!framer.takeRequest(&request));
    }

    void rtuFramerSurvivesNoise()
    {
        station::RtuFramer framer;
        QRandomGenerator random(42);
        QByteArray noise(4096, '\0');
        for (char &c : noise)
            c = char(random.bounded(256));
        framer.append(noise);
        QByteArray request;
        while (framer.takeRequest(&request))
            QCOMPARE(request.size(), 8);
        QVERIFY(framer.pendingBytes() < 8);
        // Still in step afterwards.
        framer.clear();
        framer.append(hex(dataRequest));
        QVERIFY(framer.takeRequest(&request));
        QCOMPARE(request, hex(dataRequest));
    }

    void tcpFramerCutsByLength()
    {
        station::TcpFramer framer;
        QByteArray request;
        const QByteArray first = hex("00010000000601030064000B");
        const QByteArray second = hex("000200000006010300C80064");

        framer.append(first.left(5));
        QCOMPARE(framer.takeRequest(&request), station::TcpFramer::Incomplete);
        framer.append(first.mid(5, 4));
        QCOMPARE(framer.takeRequest(&request), station::TcpFramer::Incomplete);
        framer.append(first.mid(9) + second + second.left(2));
        QCOMPARE(framer.takeRequest(&request), station::TcpFramer::Complete);
        QCOMPARE(request, first);
        QCOMPARE(framer.takeRequest(&request), station::TcpFramer::Complete);
        QCOMPARE(request, second);
        QCOMPARE(framer.takeRequest(&request), station::TcpFramer::Incomplete);
        QCOMPARE(framer.pendingBytes(), 2);

        // A longer frame is cut whole and then refused by the reply.
        station::TcpFramer longer;
        longer.append(hex("000600000008010300C8006400FF"));
        QCOMPARE(longer.takeRequest(&request), station::TcpFramer::Complete);
        QCOMPARE(request.size(), 14);
    }

    void tcpFramerRejectsBadHeaders_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("protocol 1") << hex("00010001000601030064000B");
        QTest::newRow("length 0") << hex("0001000000000103");
        QTest::newRow("length 1") << hex("00010000000101");
        QTest::newRow("length 255") << hex("0001000000FF01");
        QTest::newRow("text") << QByteArray("GET / HTTP/1.1\r\n");
    }

    void tcpFramerRejectsBadHeaders()
    {
        QFETCH(QByteArray, bytes);
        station::TcpFramer framer;
        framer.append(bytes);
        QByteArray request;
        QCOMPARE(framer.takeRequest(&request), station::TcpFramer::Invalid);
    }

    void faultNames()
    {
        const QStringList names { "none", "silence", "late", "badcrc", "wrongunit", "exception",
            "hangup", "spike" };
        const QList<Fault> faults { Fault::None, Fault::Silence, Fault::Late, Fault::BadCrc,
            Fault::WrongUnit, Fault::Exception, Fault::Hangup, Fault::Spike };
        for (int i = 0; i < names.size(); ++i) {
            Fault fault = Fault::None;
            QVERIFY(station::faultFromName(names[i], &fault));
            QCOMPARE(int(fault), int(faults[i]));
            QCOMPARE(station::faultName(faults[i]), names[i]);
        }
        Fault fault = Fault::Late;
        QVERIFY(!station::faultFromName("Silence", &fault));
        QVERIFY(!station::faultFromName("", &fault));
        QCOMPARE(int(fault), int(Fault::Late));
    }
};

QTEST_GUILESS_MAIN(TestStationServer)
#include "tst_stationserver.moc"

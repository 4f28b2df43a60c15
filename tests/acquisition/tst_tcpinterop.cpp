#include "acquisition/qmodbus.h"
#include "acquisition/tcplink.h"
#include "settings/syssettings.h"
#include "support/localportal.h"
#include "support/logcapture.h"
#include "support/processes.h"
#include "support/shownvalues.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The console's Modbus TCP master against pymodbus's TCP server: a Modbus
// implementation none of us wrote.
class TestTcpInterop : public QObject
{
    Q_OBJECT

    static quint16 reg(int n) { return quint16(n * 3 + 7); }

    TestProcess server;
    quint16 port = 0;

private slots:
    void initTestCase()
    {
        keepPortalUploadsLocal();
        server.process->start("/usr/bin/python3", { QStringLiteral(PYMODBUS_TCP_SERVER) });
        const auto line = server.waitForLine("PORT", 20000);
        QVERIFY2(line.has_value(), "pymodbus did not start");
        port = quint16(line->toUInt());
        QVERIFY(port != 0);
    }

    void readsBothBlocksThroughTheRunLoop()
    {
        QTemporaryDir dir;
        SysSettings settings(dir.path());
        settings.setReadMode(1);
        settings.setModbusIP("127.0.0.1");
        settings.setModbusPort(port);
        settings.setTemperatureUnits(0);
        LogCapture log;
        QModbus modbus(&settings);
        ShownValues shown(modbus, settings);
        modbus.setLinkFactory(
            [](bool, RegisterImage &image,
                const std::atomic<bool> *interrupt) -> std::unique_ptr<StationLink> {
                return std::make_unique<TcpLink>(image, interrupt);
            });
        QSignalSpy cycles(&shown, &StationDisplay::airTempChanged);
        modbus.updateTimerTimeout();
        modbus.start();
        QTRY_VERIFY_WITH_TIMEOUT(cycles.count() >= 1, 10000);

        QCOMPARE(shown.airTemp(), -20.0);
        QCOMPARE(shown.humidity(), reg(223) / 10.0);
        QCOMPARE(shown.deviceSerialNumber(),
            QString::number(quint32(reg(103)) << 16 | quint32(reg(104))));
        const QByteArray image = modbus.registers().snapshot();
        QCOMPARE(quint8(image.at(0)), quint8(reg(101) >> 8));
        QCOMPARE(quint8(image.at(1)), quint8(reg(101)));
        QCOMPARE(quint8(image.at(22 + 2 * 99 + 1)), quint8(reg(300)));
        QVERIFY(!modbus.dataMissing());

        log.clear();
        for (int i = 0; i < 3; ++i) {
            modbus.updateTimerTimeout();
            QVERIFY(cycles.wait(5000));
        }
        QCOMPARE(log.count(QStringLiteral("No data received")), 0);
        QCOMPARE(log.countStartingWith(QStringLiteral("No battery data received")), 0);
        QCOMPARE(log.countStartingWith(QStringLiteral("discarding")), 0);
    }

    void directTransactions()
    {
        RegisterImage image;
        TcpLink link(image, nullptr);
        LogCapture log;
        QVERIFY(link.open("127.0.0.1", port));

        // pymodbus echoes each id, the wrapped one too, so every reply is ours.
        TcpLink::setLastTransactionId(65534);
        quint16 words[11] = {};
        QCOMPARE(link.readRegisters(1, 3, 101, 11, words), 11);
        QCOMPARE(link.readRegisters(1, 3, 101, 11, words), 11);
        QCOMPARE(TcpLink::lastTransactionId(), quint16(0));
        QCOMPARE(words[0], reg(101));
        QCOMPARE(words[10], reg(111));

        // Input registers come from the same block on this server.
        QCOMPARE(link.readRegisters(1, 4, 201, 11, words), 11);
        QCOMPARE(words[0], reg(201));

        // Registers past the server's 400: exception 2, a 9-byte reply.
        QCOMPARE(link.readRegisters(1, 3, 395, 11, words), 0);
        QCOMPARE(log.count("invalid response of length:  9"), 1);
        QVERIFY(!link.isLost());

        QCOMPARE(link.readRegisters(1, 3, 201, 100, nullptr), 100);
    }
};

QTEST_GUILESS_MAIN(TestTcpInterop)
#include "tst_tcpinterop.moc"

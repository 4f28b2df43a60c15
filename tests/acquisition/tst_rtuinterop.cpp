#include "acquisition/qmodbus.h"
#include "settings/syssettings.h"
#include "support/localportal.h"
#include "support/logcapture.h"
#include "support/processes.h"
#include "support/shownvalues.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The console's RTU master against pymodbus's serial server over a socat
// pseudo-terminal pair: a Modbus implementation none of us wrote.
class TestRtuInterop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { keepPortalUploadsLocal(); }

    void readsBothBlocksFromPymodbus()
    {
        QTemporaryDir dir;
        SocatPair pair;
        QVERIFY(pair.start(dir.path()));

        TestProcess server;
        server.process->start("/usr/bin/python3", { QStringLiteral(PYMODBUS_RTU_SERVER), pair.b });
        QVERIFY(server.waitForLine("READY").has_value());

        LogCapture log;
        SysSettings settings(dir.path() + "/settings");
        settings.setSerialPort(pair.a);
        settings.setTemperatureUnits(0);
        QModbus modbus(&settings);
        ShownValues shown(modbus, settings);
        QSignalSpy cycles(&shown, &StationDisplay::airTempChanged);
        modbus.updateTimerTimeout();
        modbus.start();
        // pymodbus may need a moment before it reads its port.
        QTRY_VERIFY_WITH_TIMEOUT(cycles.count() >= 1, 15000);

        auto reg = [](int n) { return (n * 3 + 7) & 0xFFFF; };
        QCOMPARE(shown.airTemp(), -20.0);
        QCOMPARE(shown.humidity(), reg(223) / 10.0);
        QCOMPARE(shown.deviceSerialNumber(),
            QString::number(quint32(reg(103)) << 16 | quint32(reg(104))));
        const QByteArray image = modbus.registers().snapshot();
        QCOMPARE(quint8(image.at(0)), quint8(reg(101) >> 8));
        QCOMPARE(quint8(image.at(1)), quint8(reg(101)));
        QCOMPARE(quint8(image.at(22 + 2 * 99 + 1)), quint8(reg(300)));
        QVERIFY(!modbus.dataMissing());

        // A few more cycles, each good.
        log.clear();
        for (int i = 0; i < 3; ++i) {
            modbus.updateTimerTimeout();
            QVERIFY(cycles.wait(5000));
        }
        QCOMPARE(log.count(QStringLiteral("No data received")), 0);
        QCOMPARE(log.countStartingWith(QStringLiteral("No battery data received")), 0);
    }
};

QTEST_GUILESS_MAIN(TestRtuInterop)
#include "tst_rtuinterop.moc"

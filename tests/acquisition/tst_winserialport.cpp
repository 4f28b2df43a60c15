#include "acquisition/qmodbus.h"
#include "acquisition/registerimage.h"
#include "acquisition/rtumaster.h"
#include "acquisition/winserialport.h"
#include "settings/syssettings.h"
#include "support/localportal.h"
#include "support/logcapture.h"
#include "support/shownvalues.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The Win32 serial port against the station simulator. Under Wine the
// simulator runs on Linux on a pseudo-terminal that the harness maps to a COM
// port (scripts/wine-com), named here by SKYQUILL_STATION_COM; the simulator
// was started with the serial number in SKYQUILL_STATION_SERIAL.
class TestWinSerialPort : public QObject
{
    Q_OBJECT

private:
    QString comPort;

private slots:
    void initTestCase()
    {
        keepPortalUploadsLocal();
        comPort = qEnvironmentVariable("SKYQUILL_STATION_COM");
        if (comPort.isEmpty())
            QSKIP("no simulator mapped as a COM port (SKYQUILL_STATION_COM)");
    }

    void consoleReadsTheStationThroughTheComPort()
    {
        QTemporaryDir dir;
        LogCapture log;
        SysSettings settings(dir.path());
        settings.setSerialPort(comPort);
        QModbus modbus(&settings);
        ShownValues shown(modbus, settings);
        QSignalSpy cycles(&shown, &StationDisplay::analogChanged);
        modbus.updateTimerTimeout();
        modbus.start();
        for (int i = 0; i < 3; ++i) {
            QVERIFY(cycles.wait(5000));
            modbus.updateTimerTimeout();
        }
        QVERIFY(log.contains(QStringLiteral("Device:  \"\\\\\\\\.\\\\%1\"").arg(comPort)));
        QCOMPARE(log.count(QStringLiteral("No data received")), 0);
        QVERIFY(!modbus.dataMissing());
        QCOMPARE(shown.deviceSerialNumber(), qEnvironmentVariable("SKYQUILL_STATION_SERIAL"));
        QVERIFY(shown.humidity() > 0 && shown.humidity() <= 100);
        modbus.quit();
        QVERIFY(modbus.wait(5000));
    }

    void lineSettingsAndReadsThatReturnAtOnce()
    {
        WinSerialPort port;
        QVERIFY(port.open(serialDevicePath(comPort)));
        QVERIFY(port.readParameters());
        port.setTimeouts();
        QVERIFY(!port.writeParameters(12345)); // no line runs at that rate
        QVERIFY(port.writeParameters(19200));
        // Nothing was asked, so nothing waits: the read must not block.
        quint8 buffer[64];
        QCOMPARE(port.read(buffer, sizeof buffer), 0);
        QVERIFY(!port.isGone());
        port.close();
        QVERIFY(!port.isOpen());
    }

    void missingPortFailsToOpen()
    {
        WinSerialPort port;
        RegisterImage image;
        RtuMaster master(port, image);
        QCOMPARE(master.openPort(QStringLiteral("COM77"), 19200), RtuMaster::OpenFailed);
        QVERIFY(!port.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestWinSerialPort)
#include "tst_winserialport.moc"

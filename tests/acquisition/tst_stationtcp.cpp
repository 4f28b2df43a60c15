#include "acquisition/qmodbus.h"
#include "settings/syssettings.h"
#include "support/freeport.h"
#include "support/localportal.h"
#include "support/logcapture.h"
#include "support/processes.h"
#include "support/shownvalues.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

// The console in Modbus TCP mode against the station simulator on loopback,
// through the link the program itself builds.
class TestStationTcp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { keepPortalUploadsLocal(); }

    void noStationThenAStationThenItHangsUp()
    {
        const quint16 port = freeTcpPort();
        QTemporaryDir dir;
        LogCapture log;
        SysSettings settings(dir.path());
        settings.setModbusIP(QStringLiteral("127.0.0.1"));
        settings.setModbusPort(port);
        settings.setReadMode(1);
        QModbus modbus(&settings);
        ShownValues shown(modbus, settings);
        modbus.setRetryInterval(300);
        QSignalSpy failed(&modbus, &QModbus::openSocketFailed);
        QSignalSpy cycles(&shown, &StationDisplay::airTempChanged);
        modbus.start();

        // Nobody listens: reported once within 5 s, then quiet retries.
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 5000);
        QTRY_VERIFY(log.countStartingWith(QStringLiteral("QModbus: Retrying")) >= 2);
        QCOMPARE(failed.count(), 1);
        QVERIFY(modbus.dataMissing());

        // The station appears, dropping the connection after every 3 replies.
        TestProcess station;
        station.process->start(QStringLiteral(STATION_BINARY),
            { "--tcp", QString::number(port), "--fault", "hangup", "--fault-after", "3" });
        QVERIFY(station.waitForLine("TCP ").has_value());
        QElapsedTimer timer;
        timer.start();
        while (cycles.count() < 4 && timer.elapsed() < 20000) {
            modbus.updateTimerTimeout();
            QTest::qWait(50);
        }
        QVERIFY(cycles.count() >= 4); // kept reading across the hang-ups
        QVERIFY(log.contains(QStringLiteral("QModbus: Station link reported gone")));
        QCOMPARE(failed.count(), 1); // every reconnection succeeded at once
    }
};

QTEST_GUILESS_MAIN(TestStationTcp)
#include "tst_stationtcp.moc"

#include "acquisition/posixserialport.h"
#include "acquisition/qmodbus.h"
#include "acquisition/registerimage.h"
#include "acquisition/rtumaster.h"
#include "settings/syssettings.h"
#include "support/localportal.h"
#include "support/logcapture.h"
#include "support/processes.h"
#include "support/shownvalues.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The acquisition over RTU against the station simulator on a pseudo-terminal.
class TestStationRtu : public QObject
{
    Q_OBJECT

private:
    struct Simulator : TestProcess
    {
        QString path;
        bool start(const QStringList &arguments)
        {
            process->start(QStringLiteral(STATION_BINARY), arguments);
            const auto line = waitForLine("PTY ");
            path = line.value_or(QString());
            return !path.isEmpty();
        }
        bool setFault(const QByteArray &name)
        {
            process->write("fault " + name + "\n");
            return waitForLine("FAULT " + name).has_value();
        }
    };

private slots:
    void initTestCase() { keepPortalUploadsLocal(); }

    void resultCodesOfTheFaultModes_data()
    {
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<int>("result");
        QTest::newRow("none") << QByteArray("none") << 100;
        QTest::newRow("silence") << QByteArray("silence") << -1;
        QTest::newRow("bad crc") << QByteArray("badcrc") << -5;
        QTest::newRow("another unit") << QByteArray("wrongunit") << -6;
        QTest::newRow("exception reply") << QByteArray("exception") << -5;
        QTest::newRow("late reply") << QByteArray("late") << -1;
    }

    void resultCodesOfTheFaultModes()
    {
        QFETCH(QByteArray, fault);
        QFETCH(int, result);

        Simulator station;
        QVERIFY(station.start({ "--pty" }));
        PosixSerialPort port;
        RegisterImage image;
        RtuMaster master(port, image);
        QCOMPARE(master.openPort(station.path, 19200), RtuMaster::Ok);

        quint16 words[100];
        QCOMPARE(master.readRegisters(1, 3, 201, 100, words), 100);
        const QByteArray before = image.snapshot();

        QVERIFY(station.setFault(fault));
        QCOMPARE(master.readRegisters(1, 3, 201, 100, words), result);
        if (result < 0) // a failed read never touches the image
            QCOMPARE(image.snapshot(), before);

        // Whatever arrived late is discarded by the next transaction.
        QVERIFY(station.setFault("none"));
        if (fault == "late")
            QThread::msleep(600);
        QCOMPARE(master.readRegisters(1, 3, 101, 11, words), 11);
        QCOMPARE(master.readRegisters(1, 3, 201, 100, words), 100);
    }

    void consoleRunsOneGoodCycleATick()
    {
        Simulator station;
        QVERIFY(station.start({ "--pty", "--serial", "123456" }));
        QTemporaryDir dir;
        LogCapture log;
        SysSettings settings(dir.path());
        settings.setSerialPort(station.path);
        settings.setTemperatureUnits(0);
        QModbus modbus(&settings);
        ShownValues shown(modbus, settings);
        QSignalSpy cycles(&shown, &StationDisplay::analogChanged);
        modbus.updateTimerTimeout();
        modbus.start();
        QVERIFY(cycles.wait(5000));
        for (int i = 0; i < 3; ++i) {
            modbus.updateTimerTimeout();
            QVERIFY(cycles.wait(5000));
        }
        QCOMPARE(cycles.count(), 4);
        QCOMPARE(log.count(QStringLiteral("No data received")), 0);
        QVERIFY(!modbus.dataMissing());
        QCOMPARE(shown.deviceSerialNumber(), QStringLiteral("123456"));
        QVERIFY(shown.humidity() > 0 && shown.humidity() <= 100);
        QVERIFY(shown.dewPoint() <= shown.airTemp());
        QVERIFY(shown.metar().startsWith(QStringLiteral("<b>METAR</b> ")));
    }

    void silentStationSetsDataMissing()
    {
        Simulator station;
        QVERIFY(station.start({ "--pty", "--fault", "silence" }));
        QTemporaryDir dir;
        LogCapture log;
        SysSettings settings(dir.path());
        settings.setSerialPort(station.path);
        QModbus modbus(&settings);
        ShownValues shown(modbus, settings);
        QSignalSpy cycles(&shown, &StationDisplay::airTempChanged);
        modbus.updateTimerTimeout();
        modbus.start();
        QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("No data received")), 5000);
        QVERIFY(modbus.dataMissing());
        QCOMPARE(cycles.count(), 0);
    }

    void vanishedPortIsReadAgainWhenItReturns()
    {
        QTemporaryDir dir;
        SocatPair pair;
        QVERIFY(pair.start(dir.path()));
        TestProcess station;
        station.process->start(
            QStringLiteral(STATION_BINARY), { "--device", pair.b, "--baud", "19200" });
        QVERIFY(station.process->waitForStarted());

        LogCapture log;
        SysSettings settings(dir.path() + "/settings");
        settings.setSerialPort(pair.a);
        QModbus modbus(&settings);
        ShownValues shown(modbus, settings);
        modbus.setRetryInterval(300);
        QSignalSpy cycles(&shown, &StationDisplay::airTempChanged);
        QSignalSpy failures(&modbus, &QModbus::openPortFailed);
        modbus.updateTimerTimeout();
        modbus.start();
        QTRY_VERIFY_WITH_TIMEOUT(cycles.count() >= 1, 10000);

        // The adapter is pulled: the link ends, reopening fails and is retried.
        station.stop();
        pair.socat.stop();
        modbus.updateTimerTimeout();
        QTRY_VERIFY_WITH_TIMEOUT(failures.count() == 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(
            log.countStartingWith(QStringLiteral("QModbus: Retrying")) >= 2, 10000);
        QCOMPARE(failures.count(), 1);
        QVERIFY(modbus.dataMissing());

        // It comes back under the same name: read again, no setting touched.
        SocatPair again;
        QVERIFY(again.start(dir.path()));
        TestProcess station2;
        station2.process->start(
            QStringLiteral(STATION_BINARY), { "--device", again.b, "--baud", "19200" });
        QVERIFY(station2.process->waitForStarted());
        const int before = cycles.count();
        QElapsedTimer timer;
        timer.start();
        while (cycles.count() == before && timer.elapsed() < 20000) {
            modbus.updateTimerTimeout();
            QTest::qWait(100);
        }
        QVERIFY(cycles.count() > before);
        QVERIFY(!modbus.dataMissing());
        QCOMPARE(failures.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestStationRtu)
#include "tst_stationrtu.moc"

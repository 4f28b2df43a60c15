#include "app/console.h"
#include "mosquittobroker.h"
#include "settings/syssettings.h"
#include "support/localsmtp.h"
#include "support/processes.h"

#include <QTemporaryDir>
#include <QtTest>

// The alarms end to end: the console reads the station simulator over Modbus
// TCP, mails through aiosmtpd and publishes to mosquitto.
class TestAlarmFlow : public QObject
{
    Q_OBJECT

private slots:
    void temperatureAlarmThenDataStopped()
    {
        MosquittoBroker broker;
        QVERIFY(broker.start(MosquittoBroker::Mode::Plain));
        LocalSmtp smtp;
        QVERIFY(smtp.start());
        TestProcess station;
        station.process->start(
            QStringLiteral(STATION_BINARY), { "--tcp", "0", "--serial", "4711" });
        const auto stationPort = station.waitForLine("TCP ");
        QVERIFY(stationPort.has_value());
        Subscriber watcher(broker, "skyquill/4711/alarm/#");

        QTemporaryDir dir;
        SysSettings settings(dir.path());
        settings.setReadMode(1);
        settings.setModbusIP(QStringLiteral("127.0.0.1"));
        settings.setModbusPort(stationPort->toInt());
        settings.setMqttHost(QStringLiteral("127.0.0.1"));
        settings.setMqttPort(broker.port);
        settings.setMqttEnabled(true);
        settings.setSmtpHost(QStringLiteral("127.0.0.1"));
        settings.setSmtpPort(smtp.port);
        settings.setSmtpSecurity(QStringLiteral("none"));
        settings.setSmtpFrom(QStringLiteral("station@example.org"));
        settings.setSmtpTo(QStringLiteral("ops@example.org"));
        settings.setAlarmEmailEnabled(true);
        settings.setDataStoppedAlarmSeconds(2);
        // No weather the simulator makes is as cold as this.
        const auto heat = [](int threshold) {
            return QVariantList { QVariantMap { { "Name", "Heat" }, { "Quantity", "temperature_c" },
                { "Threshold", threshold }, { "Clear", threshold }, { "Consecutive", 2 } } };
        };
        settings.setAlarms(heat(-60));
        Console console(settings, 0);
        QSignalSpy cycles(&console.modbus(), &QModbus::cyclePublished);
        console.modbus().start();

        const QByteArray topic = "skyquill/4711/alarm/heat";
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last(topic), QByteArray("ON"), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(smtp.messages().size(), 1, 30000);
        QVERIFY(smtp.messages().constFirst().contains("Subject: Skyquill: Heat raised"));
        // Raised for more cycles: no second mail.
        const int seen = cycles.count();
        QTRY_VERIFY_WITH_TIMEOUT(cycles.count() >= seen + 3, 10000);
        QCOMPARE(console.alarms().raisedCount(), 1);

        // The temperature is now below where it clears.
        settings.setAlarms(heat(90));
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last(topic), QByteArray("OFF"), 10000);
        QCOMPARE(smtp.messages().size(), 1);

        station.stop();
        QTRY_COMPARE_WITH_TIMEOUT(
            watcher.last("skyquill/4711/alarm/data_stopped"), QByteArray("ON"), (2 + 2) * 1000);
        console.stop();
    }
};

QTEST_GUILESS_MAIN(TestAlarmFlow)
#include "tst_alarmflow.moc"

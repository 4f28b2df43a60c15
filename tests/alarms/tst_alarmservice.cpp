#include "alarms/alarmservice.h"
#include "support/localsmtp.h"
#include "support/logcapture.h"

#include <QTcpServer>
#include <QtTest>

#ifdef SKYQUILL_HAVE_DBUS
#include <QDBusConnection>
#endif

using namespace alarms;

namespace {

struct FakeDesktop : DesktopNotifier
{
    explicit FakeDesktop(QStringList &into)
        : shown(into)
    {
    }
    void show(const QString &summary, const QString &) override { shown.append(summary); }
    QStringList &shown;
};

} // namespace

#ifdef SKYQUILL_HAVE_DBUS
// The desktop's notification service, as a test stands it up on a bus of its own.
class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList summaries;

public slots:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &,
        const QStringList &, const QVariantMap &, int)
    {
        summaries.append(summary);
        return 1;
    }
};
#endif

// The alarm service against real peers: an SMTP server, a command, a desktop
// notification service, with an injected clock.
class TestAlarmService : public QObject
{
    Q_OBJECT

private:
    QDateTime now { QDate(2026, 7, 1), QTime(14, 0), Qt::UTC };
    QTemporaryDir dir;
    LocalSmtp smtp;
    QStringList shown;

    CyclePtr cycle(double temperature)
    {
        now = now.addSecs(1);
        auto c = std::make_shared<StationCycle>();
        c->kind = StationCycle::Kind::Good;
        c->dataMissing = false;
        c->values.deviceSerialNumber = QStringLiteral("100000");
        c->values.airTemp = temperature;
        c->utc = now;
        return c;
    }

    AlarmSettings settings()
    {
        AlarmDefinition heat;
        heat.name = QStringLiteral("Heat");
        heat.quantity = QStringLiteral("temperature_c");
        heat.threshold = 20;
        heat.clear = 18;
        AlarmSettings s;
        s.alarms = { heat };
        s.dataStoppedSeconds = 0;
        s.stateFile = dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + ".json");
        s.units.temperature = TemperatureUnit::Fahrenheit;
        return s;
    }

    void start(AlarmService &service, const AlarmSettings &s)
    {
        shown.clear();
        service.setClock([this] { return now; });
        service.setDesktopNotifier(std::make_unique<FakeDesktop>(shown));
        service.setSettings(s);
    }

    // The last publication at BASE/ID/<suffix>.
    static state::Publication lastOf(const QSignalSpy &spy, const QString &suffix)
    {
        state::Publication last;
        last.payload = "<none>";
        for (const QList<QVariant> &call : spy) {
            const auto p = call[0].value<state::Publication>();
            last = p.suffix == suffix ? p : last;
        }
        return last;
    }
    static QByteArray lastOn(const QSignalSpy &spy, const QString &suffix)
    {
        return lastOf(spy, suffix).payload;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(smtp.start());
    }

    void raisesOnceThroughEveryChannelThenClears()
    {
        const QString script = dir.filePath(QStringLiteral("record"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nprintf '%s|' \"$@\" >> \"$0.args\"; echo >> \"$0.args\"\n");
        file.close();
        file.setPermissions(file.permissions() | QFile::ExeOwner);
        AlarmSettings s = settings();
        s.emailEnabled = true;
        s.smtp.host = QStringLiteral("127.0.0.1");
        s.smtp.port = smtp.port;
        s.smtp.security = SmtpSettings::Security::None;
        s.smtp.from = QStringLiteral("Skyquill <station@example.org>");
        s.smtp.to = QStringList { QStringLiteral("ops@example.org") };
        s.command = script;
        AlarmService service;
        QSignalSpy mqtt(&service, &AlarmService::mqttPublish);
        start(service, s);
        const QString topic("alarm/heat");

        service.takeCycle(cycle(21.4));
        service.takeCycle(cycle(21.4));
        QCOMPARE(lastOn(mqtt, topic), QByteArray("OFF"));
        QVERIFY(shown.isEmpty());
        service.takeCycle(cycle(21.4));
        QCOMPARE(lastOn(mqtt, topic), QByteArray("ON"));
        QCOMPARE(shown, QStringList { "Skyquill: Heat raised" });
        QTRY_COMPARE(smtp.messages().size(), 1);
        const QByteArray mail = smtp.messages().constFirst();
        QVERIFY(mail.contains("Subject: Skyquill: Heat raised"));
        QVERIFY(mail.contains("Value: 70.5 \xC2\xB0"
                              "F"));
        QVERIFY(mail.contains("Station: 100000"));

        // Minutes of it, then a fall below Clear, all within the latch.
        for (int i = 0; i < 300; ++i)
            service.takeCycle(cycle(21.4));
        service.takeCycle(cycle(17.0));
        QCOMPARE(lastOn(mqtt, topic), QByteArray("OFF"));
        QCOMPARE(shown.size(), 1);
        // Once the latch has run out, the person hears how it ended.
        now = now.addSecs(30 * 60);
        service.takeCycle(cycle(17.0));
        QCOMPARE(shown.last(), QStringLiteral("Skyquill: Heat cleared"));
        QTRY_COMPARE(smtp.messages().size(), 2);
        QVERIFY(smtp.messages().constLast().contains("Subject: Skyquill: Heat cleared"));
        const auto recorded = [&script] {
            QFile args(script + ".args");
            return args.open(QIODevice::ReadOnly) ? args.readAll() : QByteArray();
        };
        QTRY_COMPARE(recorded(), QByteArray("Heat|raised|21.4|\nHeat|cleared|17|\n"));
    }

    void raisedAlarmStaysQuietAfterARestartAndDataStoppedRaisesBetweenCycles()
    {
        AlarmSettings s = settings();
        s.dataStoppedSeconds = 60;
        {
            AlarmService before;
            start(before, s);
            for (int i = 0; i < 3; ++i)
                before.takeCycle(cycle(30));
            QCOMPARE(shown.size(), 1);
        }
        AlarmService after;
        QSignalSpy mqtt(&after, &AlarmService::mqttPublish);
        start(after, s);
        after.takeCycle(cycle(19));
        QCOMPARE(after.raisedCount(), 1);
        QCOMPARE(lastOn(mqtt, "alarm/heat"), QByteArray("ON"));
        QVERIFY(shown.isEmpty());
        // The station falls silent: the service's own timer notices.
        now = now.addSecs(61);
        QTRY_COMPARE(after.raisedCount(), 2);
        QCOMPARE(shown, QStringList { "Skyquill: Data stopped raised" });
        QCOMPARE(lastOn(mqtt, "alarm/data_stopped"), QByteArray("ON"));
        // An alarm taken out of the settings is taken off the broker too.
        s.alarms.clear();
        after.setSettings(s);
        const state::Publication removal = lastOf(mqtt, "alarm/heat");
        QVERIFY(removal.payload.isEmpty() && removal.entity.isEmpty());
        QCOMPARE(removal.component, QStringLiteral("binary_sensor"));
    }

    void mailThatCannotGoIsShownAndLoggedOnce()
    {
        // Takes the connection and never says a word.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        AlarmSettings s = settings();
        s.emailEnabled = true;
        s.smtp = { QStringLiteral("127.0.0.1"), silent.serverPort(), SmtpSettings::Security::None,
            {}, {}, QStringLiteral("station@example.org"), { QStringLiteral("ops@example.org") } };
        AlarmService service;
        start(service, s);
        service.setDeadlines(300, 1000);
        QSignalSpy status(&service, &AlarmService::emailStatusChanged);
        LogCapture log;
        service.sendTestNotification();
        QVERIFY(status.wait());
        now = now.addSecs(1);
        service.sendTestNotification();
        QVERIFY(status.wait());
        QVERIFY2(service.emailStatus().startsWith("Not sent"), qPrintable(service.emailStatus()));
        QCOMPARE(log.countStartingWith(QStringLiteral("Alarm e-mail")), 1);
    }

    void commandOutlivingItsDeadlineIsKilled()
    {
        CommandRunner runner;
        runner.setTimeout(200);
        QSignalSpy finished(&runner, &CommandRunner::finished);
        runner.run(QStringLiteral("/bin/sh -c \"sleep 30\""), { "Heat", "raised", "30" });
        QVERIFY(finished.wait());
        QVERIFY(finished[0][0].toString().contains("killed"));
    }

#ifdef SKYQUILL_HAVE_DBUS
    void desktopNotificationReachesTheNotificationService()
    {
        TestProcess bus;
        bus.process->start(QStringLiteral("dbus-daemon"),
            { "--session", "--nofork", "--nopidfile", "--print-address" });
        QVERIFY(bus.process->waitForReadyRead(10000));
        const QString address = QString::fromUtf8(bus.process->readLine().trimmed());
        QDBusConnection serverBus = QDBusConnection::connectToBus(address, "notification-server");
        NotificationServer server;
        QVERIFY(serverBus.registerService("org.freedesktop.Notifications"));
        QVERIFY(serverBus.registerObject(
            "/org/freedesktop/Notifications", &server, QDBusConnection::ExportAllSlots));
        DBusNotifier notifier(QDBusConnection::connectToBus(address, "console"));
        notifier.show("Skyquill: Frost raised", "-0.5 \u00B0C");
        QTRY_COMPARE(server.summaries, QStringList { "Skyquill: Frost raised" });
    }
#endif
};

QTEST_GUILESS_MAIN(TestAlarmService)
#include "tst_alarmservice.moc"

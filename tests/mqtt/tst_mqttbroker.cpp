#include "app/console.h"
#include "mosquittobroker.h"
#include "settings/syssettings.h"
#include "support/fakestation.h"
#include "support/logcapture.h"
#include "support/samplestation.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <atomic>

// The publisher against a real mosquitto, run plain, behind a password file
// and on TLS, with a second client watching what arrives. The console is fed
// by the sample station (serial number 100000) and a clock of the test's.
namespace {

const QByteArray Availability = "skyquill/100000/availability";
const QByteArray State = "skyquill/100000/state";
const QByteArray ConfigPrefix = "homeassistant/sensor/skyquill_100000/";

QJsonObject object(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

// Answers whatever comes first with `answer`, then hangs up or stays.
class HostilePeer : public QTcpServer
{
public:
    HostilePeer(const QByteArray &reply, bool thenHangUp)
        : answer(reply)
        , hangUp(thenHangUp)
    {
    }

    bool useTls(const QString &certificateFile, const QString &keyFile)
    {
        QFile c(certificateFile), k(keyFile);
        if (!c.open(QIODevice::ReadOnly) || !k.open(QIODevice::ReadOnly))
            return false;
        certificate = QSslCertificate(c.readAll());
        key = QSslKey(k.readAll(), QSsl::Ec);
        return !certificate.isNull() && !key.isNull();
    }

    int answered = 0;

protected:
    void incomingConnection(qintptr handle) override
    {
        QTcpSocket *s = key.isNull() ? new QTcpSocket(this) : new QSslSocket(this);
        s->setSocketDescriptor(handle);
        connect(s, &QTcpSocket::readyRead, this, [this, s] {
            s->readAll();
            s->write(answer);
            s->flush();
            ++answered;
            if (hangUp)
                s->abort();
        });
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        if (auto *ssl = qobject_cast<QSslSocket *>(s)) {
            ssl->setLocalCertificate(certificate);
            ssl->setPrivateKey(key);
            ssl->startServerEncryption();
        }
    }

private:
    QByteArray answer;
    bool hangUp;
    QSslCertificate certificate;
    QSslKey key;
};

class TestMqttBroker : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        settings = std::make_unique<SysSettings>(dir->path());
        station = std::make_unique<FakeStation>();
        fillSampleStation(*station);
        log = std::make_unique<LogCapture>();
        console = std::make_unique<Console>(*settings, 0, 0);
        modbus = &console->modbus();
        modbus->setLinkFactory(fakeStationFactory(*station));
        seconds = 0;
        console->setClock([this] {
            return QDateTime(QDate(2026, 5, 4), QTime(12, 0), Qt::UTC)
                .addSecs(seconds.load())
                .toLocalTime();
        });
        MqttTiming quick;
        quick.connackMs = 500;
        console->mqtt().setTiming(quick);
        console->mqttTest().setTiming(quick);
    }

    void cleanup()
    {
        console.reset();
        log.reset();
    }

    void discoveryAndStateEveryInterval()
    {
        MosquittoBroker broker;
        QVERIFY(broker.start(MosquittoBroker::Mode::Plain));
        Subscriber watcher(broker);
        settings->setMqttIntervalSeconds(10);
        enable(broker);
        modbus->start();
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last(Availability), QByteArray("online"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!watcher.on(State).isEmpty(), 10000);

        int configs = 0;
        for (const Subscriber::Message &m : watcher.messages()) {
            if (!m.topic.startsWith(ConfigPrefix))
                continue;
            ++configs;
            QVERIFY(m.topic.endsWith("/config"));
            const QByteArray key = m.topic.mid(ConfigPrefix.size()).chopped(7);
            const QJsonObject c = object(m.payload);
            QVERIFY2(!c.value("name").toString().isEmpty(), m.payload);
            QCOMPARE(c.value("unique_id").toString(), "skyquill_100000_" + key);
            QCOMPARE(c.value("state_topic").toString(), QString::fromLatin1(State));
            QCOMPARE(c.value("availability_topic").toString(), QString::fromLatin1(Availability));
            QVERIFY(c.value("value_template").toString().contains(key));
            QCOMPARE(c.value("device").toObject().value("name").toString(),
                QStringLiteral("Skyquill 100000"));
        }
        QCOMPARE(configs, 29);

        // The sample station's registers, in base units.
        const QJsonObject s = object(watcher.on(State).first());
        QCOMPARE(s.value("time").toString(), QStringLiteral("2026-05-04T12:00:00Z"));
        QCOMPARE(s.value("temperature_c").toDouble(), 21.4);
        QCOMPARE(s.value("humidity_pct").toDouble(), 55.5);
        QCOMPARE(s.value("pressure_hpa").toDouble(), 978.0);
        QCOMPARE(s.value("sea_level_pressure_hpa").toDouble(), 1015.0);
        QCOMPARE(s.value("pressure_trend").toString(), QStringLiteral("Rising"));
        QCOMPARE(s.value("wind_speed_ms").toDouble(), 5.2);
        QCOMPARE(s.value("wind_gust_dir_deg").toDouble(), 255.0);
        QCOMPARE(s.value("rain_day_mm").toDouble(), 1.27);
        QCOMPARE(s.value("solar_wm2").toDouble(), 200.0);
        QCOMPARE(s.value("wbgt_c").toDouble(), 18.0);

        // Five seconds on: nothing; ten: the next state.
        seconds = 5;
        runCycle();
        seconds = 10;
        runCycle();
        QTRY_COMPARE_WITH_TIMEOUT(watcher.on(State).size(), 2, 5000);
        QCOMPARE(object(watcher.on(State).last()).value("time").toString(),
            QStringLiteral("2026-05-04T12:00:10Z"));
    }

    void availabilityFollowsTheDataAndSaysOfflineOnExit()
    {
        MosquittoBroker broker;
        QVERIFY(broker.start(MosquittoBroker::Mode::Plain));
        Subscriber watcher(broker, Availability);
        enable(broker);
        modbus->start();
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last(Availability), QByteArray("online"), 10000);

        {
            QMutexLocker l(&station->mutex);
            station->dataResult = -1;
        }
        runCycle();
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last(Availability), QByteArray("offline"), 5000);
        {
            QMutexLocker l(&station->mutex);
            station->dataResult = 100;
        }
        runCycle();
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last(Availability), QByteArray("online"), 5000);

        // A clean exit: said before the connection goes, so the retained word is "offline".
        console->stop();
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last(Availability), QByteArray("offline"), 5000);
        Subscriber late(broker, Availability);
        QTRY_COMPARE_WITH_TIMEOUT(late.last(Availability), QByteArray("offline"), 5000);
    }

    void settingsChangesReconnectAndDiscoveryOffRemovesConfigs()
    {
        MosquittoBroker broker;
        QVERIFY(broker.start(MosquittoBroker::Mode::Plain));
        Subscriber watcher(broker);
        enable(broker);
        modbus->start();
        const QByteArray config = ConfigPrefix + "temperature_c/config";
        QTRY_VERIFY_WITH_TIMEOUT(watcher.last(config).startsWith("{"), 10000);

        settings->setMqttBaseTopic(QStringLiteral("home/wx"));
        QTRY_COMPARE_WITH_TIMEOUT(
            watcher.last("home/wx/100000/availability"), QByteArray("online"), 10000);
        QCOMPARE(watcher.last(Availability), QByteArray("offline"));
        QVERIFY(object(watcher.last(config)).value("state_topic")
            == QStringLiteral("home/wx/100000/state"));

        settings->setMqttDiscovery(false);
        // Every config the watcher saw is removed (an empty retained message),
        // not just the first: a slow run may still be sending the rest.
        auto configsLeft = [&watcher] {
            QMap<QByteArray, QByteArray> lastConfig;
            for (const Subscriber::Message &m : watcher.messages())
                if (m.topic.startsWith("homeassistant/"))
                    lastConfig[m.topic] = m.payload;
            int left = 0;
            for (const QByteArray &payload : qAsConst(lastConfig))
                left += payload.isEmpty() ? 0 : 1;
            return left;
        };
        QTRY_COMPARE_WITH_TIMEOUT(configsLeft(), 0, 10000);
        QCOMPARE(watcher.last(config), QByteArray());
        // A newcomer gets the retained messages in one batch: none of them a config.
        Subscriber late(broker);
        QTRY_COMPARE_WITH_TIMEOUT(
            late.last("home/wx/100000/availability"), QByteArray("online"), 5000);
        for (const Subscriber::Message &m : late.messages())
            QVERIFY2(!m.topic.startsWith("homeassistant/"), m.topic.constData());
    }

    // A new record goes to stderr and to BASE/ID/record: the third minute's
    // warmer air beats the first two.
    void newRecordIsPublished()
    {
        MosquittoBroker broker;
        QVERIFY(broker.start(MosquittoBroker::Mode::Plain));
        Subscriber watcher(broker);
        enable(broker);
        QTRY_VERIFY(console->records().ready());
        modbus->start();
        for (int minute = 0; minute < 4; ++minute) {
            station->setData(222, minute < 2 ? 214 : 250);
            seconds = minute * 60;
            runCycle();
            QTRY_COMPARE_WITH_TIMEOUT(watcher.last(Availability), QByteArray("online"), 10000);
        }
        const QByteArray topic = "skyquill/100000/record";
        QJsonObject high;
        QTRY_VERIFY_WITH_TIMEOUT(!watcher.on(topic).isEmpty(), 10000);
        for (const QByteArray &payload : watcher.on(topic))
            if (object(payload).value("record").toString() == QLatin1String("temp_high"))
                high = object(payload);
        QCOMPARE(high.value("scope").toString(), QStringLiteral("all_time"));
        QCOMPARE(high.value("value").toDouble(), 25.0);
        QCOMPARE(high.value("previous").toDouble(), 21.4);
        QCOMPARE(log->countStartingWith(
                     QString::fromUtf8("New record: highest temperature of all time, 77.0 °F")),
            1);
        // And to a person, through the alarms' channels.
        QVERIFY(log->countStartingWith(QStringLiteral("Skyquill: new record")) >= 1);
    }

    // Another service's retained messages (an alarm's state and entity):
    // sent on connect, kept across a change of topics, removed with the alarm.
    void alarmOnTheBrokerFollowsTheSettings()
    {
        MosquittoBroker broker;
        QVERIFY(broker.start(MosquittoBroker::Mode::Plain));
        Subscriber watcher(broker);
        settings->setAlarms({ QVariantMap { { "Name", "Heat" }, { "Quantity", "temperature_c" },
            { "Threshold", 20 }, { "Consecutive", 1 } } });
        enable(broker);
        modbus->start();
        const QByteArray config = "homeassistant/binary_sensor/skyquill_100000/alarm_heat/config";
        QTRY_COMPARE_WITH_TIMEOUT(
            watcher.last("skyquill/100000/alarm/heat"), QByteArray("ON"), 10000);
        QCOMPARE(object(watcher.last(config)).value("device_class").toString(),
            QStringLiteral("problem"));

        settings->setMqttBaseTopic(QStringLiteral("home/wx"));
        const QByteArray moved = "home/wx/100000/alarm/heat";
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last(moved), QByteArray("ON"), 10000);
        Subscriber late(broker, moved);
        QTRY_COMPARE_WITH_TIMEOUT(late.last(moved), QByteArray("ON"), 5000);
        QVERIFY(late.messages().constFirst().retained);

        settings->setAlarms({});
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last(config), QByteArray(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last(moved), QByteArray(), 10000);
    }

    void passwordBroker()
    {
        MosquittoBroker broker;
        QVERIFY(broker.start(MosquittoBroker::Mode::Password));
        Subscriber watcher(broker, Availability);
        QSignalSpy results(settings.get(), &SysSettings::testMqttConnectionResult);
        settings->setMqttUsername(QString::fromLatin1(MosquittoBroker::User));
        settings->setMqttPassword(QStringLiteral("wrong"));
        enable(broker);
        settings->testMqttConnection();
        QVERIFY(results.wait(10000));
        QVERIFY2(results.last().at(0).toString().contains("not authorised"),
            qPrintable(results.last().at(0).toString()));
        modbus->start();
        QTRY_VERIFY_WITH_TIMEOUT(log->countStartingWith("MQTT: broker 127.0.0.1:") == 1, 10000);

        settings->setMqttPassword(QString::fromLatin1(MosquittoBroker::Password));
        settings->testMqttConnection();
        QVERIFY(results.wait(10000));
        QCOMPARE(results.last().at(0).toString(), QStringLiteral("Connected"));
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last(Availability), QByteArray("online"), 10000);
    }

    void tlsBroker()
    {
        MosquittoBroker broker;
        QVERIFY(broker.start(MosquittoBroker::Mode::Tls));
        Subscriber watcher(broker, Availability);
        QSignalSpy results(settings.get(), &SysSettings::testMqttConnectionResult);
        settings->setMqttHost(QStringLiteral("localhost"));
        settings->setMqttPort(broker.port);
        settings->setMqttTls(true);
        // The system's CAs do not know the test's own.
        settings->testMqttConnection();
        QVERIFY(results.wait(10000));
        QVERIFY2(results.last().at(0).toString().contains("certificate verify failed"),
            qPrintable(results.last().at(0).toString()));

        settings->setMqttCaFile(broker.caFile());
        settings->testMqttConnection();
        QVERIFY(results.wait(10000));
        QCOMPARE(results.last().at(0).toString(), QStringLiteral("Connected"));
        settings->setMqttEnabled(true);
        modbus->start();
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last(Availability), QByteArray("online"), 10000);
    }

    void certificateForAnotherHostIsRefusedAndTheTabSaysWhy()
    {
        MosquittoBroker broker;
        broker.certificateNames = "DNS:otherhost";
        QVERIFY(broker.start(MosquittoBroker::Mode::Tls));
        QSignalSpy results(settings.get(), &SysSettings::testMqttConnectionResult);
        settings->setMqttHost(QStringLiteral("localhost"));
        settings->setMqttPort(broker.port);
        settings->setMqttTls(true);
        settings->setMqttCaFile(broker.caFile());
        const QString why
            = QStringLiteral("the broker's certificate is for otherhost, not localhost");
        settings->testMqttConnection();
        QVERIFY(results.wait(10000));
        QCOMPARE(results.last().at(0).toString(), why);
    }

    void brokerRestartedAfterAnOutageGetsTheConsoleBack()
    {
        // The back-off at a tenth of its pace: the outage of ten seconds it
        // was made for takes one here.
        MqttTiming tenth;
        tenth.firstRetryMs = 100;
        console->mqtt().setTiming(tenth);
        MosquittoBroker broker;
        QVERIFY(broker.start(MosquittoBroker::Mode::Plain));
        enable(broker);
        modbus->start();
        QTRY_VERIFY_WITH_TIMEOUT(console->mqtt().isConnected(), 10000);

        broker.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!console->mqtt().isConnected(), 5000);
        QTest::qWait(1000); // the outage itself
        QVERIFY(broker.start(MosquittoBroker::Mode::Plain, broker.port));
        Subscriber watcher(broker, Availability);
        // Retries at 0.1, 0.2, 0.4 and 0.8 s failed; one at 1.6 s finds it.
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last(Availability), QByteArray("online"), 30000);
        QTRY_VERIFY(console->mqtt().isConnected());
        QCOMPARE(log->countStartingWith("MQTT: broker 127.0.0.1:"), 1);
    }

    void silentBrokerStallsNothing()
    {
        // Takes the connection and never says a word.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        QList<QTcpSocket *> accepted;
        connect(&silent, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket *s = silent.nextPendingConnection())
                accepted.append(s);
        });
        settings->setMqttHost(QStringLiteral("127.0.0.1"));
        settings->setMqttPort(silent.serverPort());
        settings->setMqttEnabled(true);
        modbus->start();

        // Every tick's cycle still reaches this thread while the broker keeps quiet.
        int delivered = 0;
        connect(modbus, &QModbus::cyclePublished, this, [&delivered] { ++delivered; });
        for (int i = 0; i < 6; ++i) {
            const int before = delivered;
            modbus->updateTimerTimeout();
            QTRY_VERIFY_WITH_TIMEOUT(delivered > before, 5000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(accepted.size() >= 2, 10000); // given up on and retried
        QCOMPARE(log->countStartingWith("MQTT: broker 127.0.0.1:"), 1);
        QVERIFY(log->lines().filter("no answer to CONNECT").size() == 1);
        QVERIFY(!console->mqtt().isConnected());

        QSignalSpy results(settings.get(), &SysSettings::testMqttConnectionResult);
        settings->testMqttConnection();
        QVERIFY(results.wait(10000));
        QVERIFY(results.last().at(0).toString().startsWith("no answer to CONNECT"));
        qDeleteAll(accepted);
    }

    // Brokers that take the connection, then acknowledge nothing or read
    // nothing: the publisher, fed as the tick feeds it, leaves them for a new
    // connection, drops the states it cannot hand over rather than queue
    // them, and settles once a broker that behaves answers on the port.
    void stalledBrokers_data()
    {
        QTest::addColumn<bool>("deaf");
        QTest::addColumn<QString>("reason");
        QTest::newRow("never acknowledges") << false << "acknowledged no publication for 0.5 s";
        QTest::newRow("stops reading") << true << "took nothing sent to it for 0.5 s";
    }

    void stalledBrokers()
    {
        QFETCH(bool, deaf);
        QFETCH(QString, reason);
        QTcpServer stalled;
        QVERIFY(stalled.listen(QHostAddress::LocalHost, 0));
        QList<QTcpSocket *> peers;
        connect(&stalled, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *s = stalled.nextPendingConnection();
            s->setReadBufferSize(4096);
            s->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
            peers.append(s);
            connect(s, &QTcpSocket::readyRead, s, [s, deaf] {
                // The deaf one did take the births that follow CONNECT: it
                // acknowledges them blindly (libmosquitto numbers from 1).
                QByteArray connack = QByteArray::fromHex("20020000");
                for (int id = 1; deaf && id <= 100; ++id)
                    connack += QByteArray::fromHex("400200") + char(id);
                if (!s->property("up").toBool())
                    s->write(connack);
                else if (deaf)
                    return;
                s->setProperty("up", true);
                s->readAll();
            });
        });
        MqttPublisher &publisher = console->mqtt();
        MqttTiming quick;
        quick.firstRetryMs = 200;
        quick.stalledMs = 500;
        publisher.setTiming(quick);
        settings->setMqttIntervalSeconds(1);
        settings->setMqttHost(QStringLiteral("127.0.0.1"));
        settings->setMqttPort(stalled.serverPort());
        settings->setMqttEnabled(true);
        // A cycle a second of station time, twenty a second of the test's.
        StationCycle cycle;
        cycle.kind = StationCycle::Kind::Good;
        cycle.dataMissing = false;
        cycle.values.deviceSerialNumber = QStringLiteral("100000");
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&] {
            cycle.utc = QDateTime(QDate(2026, 5, 4), QTime(12, 0), Qt::UTC).addSecs(++seconds);
            publisher.takeCycle(std::make_shared<StationCycle>(cycle));
        });
        tick.start(50);
        QTRY_VERIFY(publisher.isConnected());
        // Twenty thousand states at once for the deaf one, more than the
        // kernel holds for it (the test's own broker is not served meanwhile).
        for (int i = 0; deaf && i < 20000; ++i)
            emit tick.timeout({});
        QTRY_VERIFY_WITH_TIMEOUT(peers.size() >= 2, 10000);
        QCOMPARE(log->lines().filter(reason).size(), 1);
        QCOMPARE(log->lines().filter("states are dropped until it does").size(), deaf ? 1 : 0);

        const quint16 port = stalled.serverPort();
        stalled.close();
        qDeleteAll(peers);
        MosquittoBroker broker;
        QVERIFY(broker.start(MosquittoBroker::Mode::Plain, port));
        Subscriber watcher(broker, State);
        QTRY_VERIFY_WITH_TIMEOUT(watcher.on(State).size() >= 20, 20000);
        QVERIFY(publisher.isConnected());
    }

    // Peers that answer CONNECT and then hang up at once, in the clear and
    // over TLS, or answer it with garbage: a log line, a retry, and the
    // program goes on.
    void hostileBrokers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("hangUp");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("reason");
        const QByteArray connack = QByteArray::fromHex("20020000");
        QTest::newRow("goes away") << connack << true << false << QString();
        QTest::newRow("goes away over TLS") << connack << true << true << QString();
        // A packet of a type MQTT does not have, then text that frames nothing.
        QTest::newRow("garbage") << QByteArray::fromHex("f000") + QByteArray("HTTP/1.1 400\r\n")
                                 << false << false << QStringLiteral("protocol");
    }

    void hostileBrokers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, hangUp);
        QFETCH(bool, tls);
        QFETCH(QString, reason);
        MosquittoBroker files; // for its certificates only
        HostilePeer peer(answer, hangUp);
        if (tls) {
            QVERIFY(files.makeCertificates());
            QVERIFY(peer.useTls(files.path("server.crt"), files.path("server.key")));
            settings->setMqttTls(true);
            settings->setMqttCaFile(files.caFile());
        }
        QVERIFY(peer.listen(QHostAddress::LocalHost, 0));
        settings->setMqttHost(QStringLiteral("localhost"));
        settings->setMqttPort(peer.serverPort());
        settings->setMqttEnabled(true);
        modbus->start();
        QTRY_VERIFY_WITH_TIMEOUT(peer.answered >= 3, 15000);
        const QStringList failures = log->lines().filter("MQTT: broker localhost:");
        QCOMPARE(failures.size(), 1);
        QVERIFY2(
            failures.first().contains(reason, Qt::CaseInsensitive), qPrintable(failures.first()));
        runCycle(); // the console still polls
    }

private:
    void enable(const MosquittoBroker &broker)
    {
        settings->setMqttHost(QStringLiteral("127.0.0.1"));
        settings->setMqttPort(broker.port);
        settings->setMqttEnabled(true);
    }

    void runCycle()
    {
        QSignalSpy cycle(modbus, &QModbus::cyclePublished);
        modbus->updateTimerTimeout();
        QVERIFY(cycle.wait(5000));
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SysSettings> settings;
    std::unique_ptr<FakeStation> station;
    std::unique_ptr<LogCapture> log;
    std::unique_ptr<Console> console;
    QModbus *modbus = nullptr;
    std::atomic<qint64> seconds { 0 };
};

QTEST_GUILESS_MAIN(TestMqttBroker)
#include "tst_mqttbroker.moc"

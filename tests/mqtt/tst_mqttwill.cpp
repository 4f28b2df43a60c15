#include "mosquittobroker.h"
#include "support/freeport.h"
#include "support/privatehome.h"
#include "support/processes.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <csignal>

// The real program, headless in a private home folder, reading the simulator
// over Modbus TCP and publishing to a real broker: killed outright, it leaves
// its will behind.
class TestMqttWill : public QObject
{
    Q_OBJECT

private slots:
    void killedConsoleGoesOffline()
    {
        MosquittoBroker broker;
        QVERIFY(broker.start(MosquittoBroker::Mode::Plain));
        TestProcess station;
        station.process->start(
            QStringLiteral(STATION_BINARY), { "--tcp", "0", "--serial", "4711" });
        const auto stationPort = station.waitForLine("TCP ");
        QVERIFY(stationPort.has_value());

        PrivateHome home;
        QVERIFY(home.make("ReadMode=1\nModbusIP=127.0.0.1\nModbusPort=" + stationPort->toUtf8()
            + "\nMqttEnabled=true\nMqttHost=127.0.0.1\nMqttPort=" + QByteArray::number(broker.port)
            + "\nMqttIntervalSeconds=1\nGatewayPort=" + QByteArray::number(freeTcpPort()) + "\n"));
        Subscriber watcher(broker, "skyquill/4711/#");

        TestProcess console; // ended with the test, should it fail before the kill
        QProcess &program = *console.process;
        program.setProcessEnvironment(home.environment());
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(SKYQUILL_BINARY), QStringList());
        QVERIFY(program.waitForStarted());

        QTRY_COMPARE_WITH_TIMEOUT(
            watcher.last("skyquill/4711/availability"), QByteArray("online"), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!watcher.on("skyquill/4711/state").isEmpty(), 10000);
        const QJsonObject state
            = QJsonDocument::fromJson(watcher.last("skyquill/4711/state")).object();
        QVERIFY(state.value("temperature_c").isDouble());
        QVERIFY(state.value("metar").toString().startsWith("METAR "));

        ::kill(pid_t(program.processId()), SIGKILL);
        QVERIFY(program.waitForFinished(10000));
        QTRY_COMPARE_WITH_TIMEOUT(
            watcher.last("skyquill/4711/availability"), QByteArray("offline"), 10000);
    }
};

QTEST_GUILESS_MAIN(TestMqttWill)
#include "tst_mqttwill.moc"

#include "support/freeport.h"
#include "mosquittobroker.h"
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
        station.process->start(QStringLiteral(STATION_BINARY), { "--tcp", "0", "--serial", "4711" });
        const auto stationPort = station.waitForLine("TCP ");
        QVERIFY(stationPort.has_value());

        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString data = home.path() + "/data";
        QVERIFY(QDir().mkpath(data + "/Quorin/Skyquill"));
        QVERIFY(QDir().mkpath(home.path() + "/runtime"));
        QFile::setPermissions(home.path() + "/runtime",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        {
            QFile ini(data + "/Quorin/Skyquill/settings.ini");
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[General]\nReadMode=1\nModbusIP=127.0.0.1\nModbusPort=" + stationPort->toUtf8()
                      + "\nMqttEnabled=true\nMqttHost=127.0.0.1\nMqttPort="
                      + QByteArray::number(broker.port) + "\nMqttIntervalSeconds=1\nGatewayPort="
                      + QByteArray::number(freeTcpPort()) + "\n");
        }
        Subscriber watcher(broker, "skyquill/4711/#");

        TestProcess console; // ended with the test, should it fail before the kill
        QProcess &program = *console.process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_DATA_HOME", data);
        env.insert("XDG_CONFIG_HOME", home.path() + "/config");
        env.insert("XDG_RUNTIME_DIR", home.path() + "/runtime");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_QUICK_BACKEND", "software");
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(SKYQUILL_BINARY), QStringList());
        QVERIFY(program.waitForStarted());

        QTRY_COMPARE_WITH_TIMEOUT(watcher.last("skyquill/4711/availability"), QByteArray("online"), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!watcher.on("skyquill/4711/state").isEmpty(), 10000);
        const QJsonObject state = QJsonDocument::fromJson(watcher.last("skyquill/4711/state")).object();
        QVERIFY(state.value("temperature_c").isDouble());
        QVERIFY(state.value("metar").toString().startsWith("METAR "));

        ::kill(pid_t(program.processId()), SIGKILL);
        QVERIFY(program.waitForFinished(10000));
        QTRY_COMPARE_WITH_TIMEOUT(watcher.last("skyquill/4711/availability"), QByteArray("offline"), 10000);
    }
};

QTEST_GUILESS_MAIN(TestMqttWill)
#include "tst_mqttwill.moc"

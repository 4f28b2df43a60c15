#include "mqttconnectiontest.h"

#include "mqttlink.h"

#include <QCoreApplication>
#include <QDebug>

MqttConnectionTest::MqttConnectionTest(QObject *parent)
    : QObject(parent)
{
}

MqttConnectionTest::~MqttConnectionTest() = default;

void MqttConnectionTest::testMqttConnection()
{
    const MqttBroker broker = brokerSource ? brokerSource() : MqttBroker();
    if (broker.host.trimmed().isEmpty()) {
        emit result(QStringLiteral("No broker host set"));
        return;
    }
    if (broker.port < 1 || broker.port > 65535) {
        emit result(QStringLiteral("Port %1 is out of range").arg(broker.port));
        return;
    }
    if (!link) {
        link = std::make_unique<MqttLink>(timing);
        connect(link.get(), &MqttLink::tried, this, [this](const QString &text) {
            qDebug().noquote() << "MQTT: test connection:" << text;
            emit result(text);
        });
    }
    link->tryOnce(broker,
        QStringLiteral("skyquill-test-%1").arg(QCoreApplication::applicationPid()).toUtf8());
}

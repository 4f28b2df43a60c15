#pragma once

#include "mqttsession.h"
#include "mqttsettings.h"
#include "settings/mqtttester.h"

#include <QObject>

#include <functional>
#include <memory>

class MqttLink;

// The "Test connection" button: one connection to the broker, on a network
// thread of its own, reported as "Connected" or the reason it failed. A test
// started while one is under way replaces it. Lives on the GUI thread.
class MqttConnectionTest : public QObject, public MqttTester
{
    Q_OBJECT

public:
    using BrokerSource = std::function<MqttBroker()>;

    explicit MqttConnectionTest(QObject *parent = nullptr);
    ~MqttConnectionTest() override;

    // Where the broker settings of the moment come from.
    void setBrokerSource(BrokerSource source) { brokerSource = std::move(source); }
    void setTiming(const MqttTiming &chosen) { timing = chosen; }

    void testMqttConnection() override;

signals:
    // Exactly once per test that is not replaced by a later one.
    void result(const QString &text);

private:
    BrokerSource brokerSource;
    MqttTiming timing;
    std::unique_ptr<MqttLink> link;
};

#pragma once

#include <QString>

class SettingsReader;

// How to reach and log into the broker.
struct MqttBroker
{
    QString host;
    int port = 1883;
    QString username;
    QString password;
    // With TLS the broker is verified against the system's CAs, or against
    // `caFile` when it is set.
    bool tls = false;
    QString caFile;

    bool operator==(const MqttBroker &o) const
    {
        return host == o.host && port == o.port && username == o.username && password == o.password
            && tls == o.tls && caFile == o.caFile;
    }
    bool operator!=(const MqttBroker &o) const { return !(*this == o); }
};

// The settings of the MQTT publisher.
struct MqttSettings
{
    bool enabled = false;
    MqttBroker broker;
    QString baseTopic = QStringLiteral("skyquill");
    int intervalSeconds = 10;
    bool discovery = true;
    QString discoveryPrefix = QStringLiteral("homeassistant");
    // The console's version, for the discovery device block.
    QString swVersion;

    bool operator==(const MqttSettings &o) const
    {
        return enabled == o.enabled && broker == o.broker && baseTopic == o.baseTopic
            && intervalSeconds == o.intervalSeconds && discovery == o.discovery
            && discoveryPrefix == o.discoveryPrefix && swVersion == o.swVersion;
    }
    bool operator!=(const MqttSettings &o) const { return !(*this == o); }
};

MqttSettings mqttSettingsFrom(const SettingsReader &settings);

#pragma once

#include "acquisition/service.h"
#include "mqttsession.h"
#include "mqttsettings.h"

#include <QDateTime>
#include <QMap>
#include <QObject>

#include <memory>
#include <optional>

class MqttLink;

// Publishes the station to an MQTT broker: availability, a state object every
// interval while data flows, and Home Assistant discovery configs. Topics are
// named after the station's serial number, so nothing is published before a
// cycle has brought one. Lives on the GUI thread; the network work happens on
// a thread of its own, so neither a slow nor a silent broker holds anyone up.
// Reports as "mqtt": `connected`.
class MqttPublisher : public QObject, public Service
{
    Q_OBJECT

public:
    explicit MqttPublisher(QObject *parent = nullptr);
    // Stops.
    ~MqttPublisher() override;

    // For tests; takes effect with the next connection.
    void setTiming(const MqttTiming &chosen) { timing = chosen; }
    // Any change reconnects.
    void setSettings(const MqttSettings &settings);
    void readSettings(const SettingsReader &settings) override;
    void takeCycle(const CyclePtr &cycle) override;
    // Says "offline", hands it over and disconnects, within a bounded time.
    void stop();
    // Another service's message at BASE/ID/<suffix>, with QoS 1, and the
    // discovery config of its entity, if it names one. A retained one is kept
    // across reconnects and settings changes and sent on every connect, so
    // the broker has it whenever MQTT comes on; a message that is not
    // retained is sent only while connected.
    void publish(const state::Publication &publication);

    bool isConnected() const { return connected; }

signals:
    void connectedChanged(bool connected);

private:
    void reopen();
    bool usable();
    QVector<MqttMessage> births() const;
    MqttMessage availability() const;
    QVector<MqttMessage> messagesOf(const state::Publication &publication) const;
    void setConnected(bool value);

    MqttSettings current;
    MqttTiming timing;
    QString stationId;
    std::optional<bool> online;
    QDateTime lastState;
    std::unique_ptr<MqttLink> link;
    bool connected = false;
    // The unusable settings last logged, so each is logged once.
    QString refusal;
    // The other services' retained messages, by suffix.
    QMap<QString, state::Publication> kept;
};

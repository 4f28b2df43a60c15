#pragma once

#include "acquisition/stationcycle.h"
#include "mqttsession.h"
#include "mqttsettings.h"

#include <QDateTime>
#include <QObject>

#include <memory>
#include <optional>

class MqttLink;

// Publishes the station to an MQTT broker: availability, a state object every
// interval while data flows, and Home Assistant discovery configs. Topics are
// named after the station's serial number, so nothing is published before a
// cycle has brought one. Lives on the GUI thread; the network work happens on
// a thread of its own, so neither a slow nor a silent broker holds anyone up.
class MqttPublisher : public QObject
{
    Q_OBJECT

public:
    explicit MqttPublisher(QObject *parent = nullptr);
    // Stops.
    ~MqttPublisher() override;

    // For tests; takes effect with the next connection.
    void setTiming(const MqttTiming &timing) { this->timing = timing; }
    // Any change reconnects.
    void setSettings(const MqttSettings &settings);
    void takeCycle(const CyclePtr &cycle);
    // Says "offline", hands it over and disconnects, within a bounded time.
    void stop();

    bool isConnected() const { return connected; }

signals:
    void connectedChanged(bool connected);

private:
    void reopen();
    bool usable();
    QVector<MqttMessage> births() const;
    MqttMessage availability() const;
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
};

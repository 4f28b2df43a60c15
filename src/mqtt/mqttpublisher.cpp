#include "mqttpublisher.h"

#include "mqttlink.h"
#include "mqttpayload.h"

#include <QCoreApplication>
#include <QDebug>

MqttPublisher::MqttPublisher(QObject *parent)
    : QObject(parent)
{
}

MqttPublisher::~MqttPublisher()
{
    stop();
}

void MqttPublisher::setSettings(const MqttSettings &settings)
{
    if (settings == current)
        return;
    current = settings;
    if (!stationId.isEmpty())
        reopen();
}

void MqttPublisher::readSettings(const SettingsReader &settings)
{
    setSettings(mqttSettingsFrom(settings));
}

bool MqttPublisher::usable()
{
    QString problem;
    if (!current.enabled)
        problem = QStringLiteral("off");
    else if (current.broker.host.trimmed().isEmpty())
        problem = QStringLiteral("MQTT: no broker host set, not publishing");
    else if (current.broker.port < 1 || current.broker.port > 65535)
        problem = QStringLiteral("MQTT: broker port %1 is out of range, not publishing")
                      .arg(current.broker.port);
    else if (!validTopicPrefix(current.baseTopic))
        problem = QStringLiteral("MQTT: base topic \"%1\" cannot be published to, not publishing")
                      .arg(current.baseTopic);
    else if (!validTopicPrefix(current.discoveryPrefix))
        problem
            = QStringLiteral("MQTT: discovery prefix \"%1\" cannot be published to, not publishing")
                  .arg(current.discoveryPrefix);
    if (problem != refusal && current.enabled && !problem.isEmpty())
        qDebug().noquote() << problem;
    refusal = problem;
    return problem.isEmpty();
}

void MqttPublisher::reopen()
{
    lastState = QDateTime();
    // Until the new connection reports in.
    setConnected(false);
    if (!usable()) {
        if (link)
            link->close();
        return;
    }
    if (!link) {
        link = std::make_unique<MqttLink>(timing);
        connect(link.get(), &MqttLink::connectedChanged, this, &MqttPublisher::setConnected);
    }
    const QByteArray clientId = QStringLiteral("skyquill-%1-%2")
                                    .arg(stationId)
                                    .arg(QCoreApplication::applicationPid())
                                    .toUtf8();
    link->open(
        current.broker, clientId, mqtt::availabilityTopic(current.baseTopic, stationId), births());
}

MqttMessage MqttPublisher::availability() const
{
    return { mqtt::availabilityTopic(current.baseTopic, stationId),
        online.value_or(false) ? mqtt::Online : mqtt::Offline, 1, true };
}

QVector<MqttMessage> MqttPublisher::births() const
{
    QVector<MqttMessage> all;
    const mqtt::Device device { stationId, current.swVersion };
    for (const state::Quantity &q : state::quantities()) {
        // With discovery off, an empty retained payload removes a config.
        all.append({ mqtt::discoveryTopic(current.discoveryPrefix, stationId, q.key),
            current.discovery ? mqtt::discoveryConfig(q, device, current.baseTopic) : QByteArray(),
            1, true });
    }
    for (const state::Publication &p : kept)
        all += messagesOf(p);
    all.append(availability());
    return all;
}

QVector<MqttMessage> MqttPublisher::messagesOf(const state::Publication &p) const
{
    QVector<MqttMessage> all;
    // The config first, so that Home Assistant has the entity when its state comes.
    if (!p.component.isEmpty()) {
        all.append({ mqtt::entityTopic(current.discoveryPrefix, stationId, p),
            current.discovery
                ? mqtt::entityConfig(p, { stationId, current.swVersion }, current.baseTopic)
                : QByteArray(),
            1, true });
    }
    all.append(
        { mqtt::serviceTopic(current.baseTopic, stationId, p.suffix), p.payload, 1, p.retained });
    return all;
}

void MqttPublisher::publish(const state::Publication &publication)
{
    if (publication.retained)
        kept.insert(publication.suffix, publication);
    // Before the station's id is known, or with MQTT off, the next connect
    // sends what was kept.
    if (!link || stationId.isEmpty() || !current.enabled)
        return;
    for (const MqttMessage &m : messagesOf(publication))
        link->publish(m, m.retain);
}

void MqttPublisher::takeCycle(const CyclePtr &cycle)
{
    if (!cycle || !current.enabled || cycle->values.deviceSerialNumber.isEmpty())
        return;
    const bool now = mqtt::available(*cycle);
    const bool changed = online != now;
    online = now;
    if (cycle->values.deviceSerialNumber != stationId) {
        stationId = cycle->values.deviceSerialNumber;
        reopen();
    } else if (changed && link) {
        link->publish(availability(), true);
    }
    // Only once connected, or the first state would wait an interval after
    // the one dropped for want of a connection.
    if (!now || !connected || !usable()
        || !mqtt::stateDue(lastState, cycle->utc, current.intervalSeconds))
        return;
    lastState = cycle->utc;
    link->publish({ mqtt::stateTopic(current.baseTopic, stationId),
        state::stateJson(cycle->values, cycle->utc, cycle->rejectedTotals), 0, true });
}

void MqttPublisher::stop()
{
    if (link) {
        link->shutdown();
        link.reset();
    }
    setConnected(false);
}

void MqttPublisher::setConnected(bool value)
{
    if (connected == value)
        return;
    connected = value;
    // A fresh state on every connect: the broker may have restarted without one.
    if (connected)
        lastState = QDateTime();
    reportStatus({ { QStringLiteral("connected"), connected } });
    emit connectedChanged(value);
}

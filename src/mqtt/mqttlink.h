#pragma once

#include "mqttsession.h"

#include <QObject>
#include <QThread>

class MqttSession;

// The GUI thread's handle on an MqttSession running on a network thread of
// its own: every call is handed over and returns at once, except shutdown().
class MqttLink : public QObject
{
    Q_OBJECT

public:
    explicit MqttLink(const MqttTiming &timing, QObject *parent = nullptr);
    // Shuts down.
    ~MqttLink() override;

    void open(const MqttBroker &broker, const QByteArray &clientId, const QByteArray &willTopic,
        const QVector<MqttMessage> &births);
    void tryOnce(const MqttBroker &broker, const QByteArray &clientId);
    void publish(const MqttMessage &message, bool keep = false);
    // Says goodbye and disconnects, without waiting for it.
    void close();
    // Says goodbye, disconnects and ends the thread, waiting for that a
    // little longer than the goodbye may take. A thread still stuck past that
    // (in a name lookup) is left to finish on its own.
    void shutdown();

signals:
    void connectedChanged(bool connected);
    void tried(const QString &result);

private:
    template <typename F> void post(F &&call);

    const MqttTiming timing;
    QThread *thread = nullptr;
    MqttSession *session = nullptr;
};

#pragma once

#include "mqttpayload.h"
#include "mqttsettings.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>
#include <QVector>

struct mosquitto;

struct MqttMessage
{
    QByteArray topic;
    QByteArray payload;
    int qos = 0;
    bool retain = false;
};

struct MqttTiming
{
    // A broker that takes the connection but never answers CONNECT is given up
    // on after this long.
    int connackMs = 10000;
    int firstRetryMs = 1000;
    int longestRetryMs = 60000;
    // How long the last words ("offline") may take to reach the broker.
    int goodbyeMs = 2000;
    // A connection that holds this long ends a run of failures: the backoff
    // starts again from the first wait, and the next failure is logged.
    int stableMs = 60000;
    // A broker that acknowledges no publication, or takes nothing sent to
    // it, for this long is left and connected to again.
    int stalledMs = 30000;
};

// One libmosquitto client, run by the event loop of the thread it lives on:
// socket notifiers instead of libmosquitto's own loop thread, so that name
// lookups and TLS handshakes block only this thread, and so that a CONNACK
// deadline and the backoff are ours. Never call it from another thread.
class MqttSession : public QObject
{
    Q_OBJECT

public:
    explicit MqttSession(const MqttTiming &timing, QObject *parent = nullptr);
    ~MqttSession() override;

    // Says goodbye to the broker of the moment, if any, then connects, and
    // keeps reconnecting with backoff until close(). The will is "offline" at
    // `willTopic`. Every connect publishes `births` first.
    void open(const MqttBroker &broker, const QByteArray &clientId, const QByteArray &willTopic,
        const QVector<MqttMessage> &births);
    // One attempt without a will or a retry; `tried` tells how it went.
    void tryOnce(const MqttBroker &broker, const QByteArray &clientId);
    // Sent when connected, else dropped. With `keep`, it also replaces the
    // birth message of its topic, so the next connect repeats it.
    void publish(const MqttMessage &message, bool keep);
    // Publishes "offline" at the will topic, gives the broker up to goodbyeMs
    // to take it, and disconnects. Idle afterwards.
    void close();

signals:
    void connectedChanged(bool connected);
    // "Connected", or the reason the broker or the system gave.
    void tried(const QString &result);

private:
    enum class State
    {
        Idle,
        Connecting,
        Connected,
        Waiting,
        Closing
    };

    static void onConnect(mosquitto *, void *self, int code);
    static void onDisconnect(mosquitto *, void *self, int code);
    static void onPublish(mosquitto *, void *self, int mid);
    static void onLog(mosquitto *, void *self, int level, const char *text);

    // What is queued for a broker that does not read is bounded: past this
    // a message of QoS 0 (the state, which the next one replaces) is dropped.
    static constexpr qint64 MaxQueuedBytes = 64 * 1024;

    void attempt();
    void connackArrived(int code);
    void fail(const QString &reason);
    void afterIo(int rc, int error);
    // One read or write step of the client library, and what follows it.
    void io(int (*step)(mosquitto *, int));
    void readable();
    void writable();
    void housekeeping();
    // Counts a publication handed to the library as message `mid`.
    void track(const MqttMessage &message, int mid);
    void resetFlow();
    void watch();
    void unwatch();
    void dropClient();
    void setConnected(bool value);
    QString reason(int rc, int error) const;
    // The TCP connection is up, as opposed to a connect still under way.
    bool tcpConnected() const;
    QString where() const;

    const MqttTiming timing;
    MqttBroker broker;
    QByteArray clientId;
    QByteArray willTopic;
    QVector<MqttMessage> births;
    bool once = false;

    mosquitto *client = nullptr;
    State state = State::Idle;
    bool connected = false;
    mqtt::Backoff backoff;
    // A run of failures is logged once, and so is the connection that ends it.
    bool failureLogged = false;
    bool connectLogged = false;
    // Counts attempts, so that work queued for one never touches the next.
    quint64 attemptNumber = 0;
    QString lastLibraryError;
    // QoS 1 publications the broker has not acknowledged, and how long since
    // it last acknowledged one.
    QSet<int> awaiting;
    QElapsedTimer sinceAcknowledged;
    // Bytes handed over since the library's queue was last seen empty, and
    // how long the socket has taken nothing of it.
    qint64 queuedBytes = 0;
    QElapsedTimer sinceTaken;
    bool droppedLogged = false;
    int goodbyeMid = -1;
    bool goodbyeTaken = false;

    QTimer deadline;
    QTimer stable;
    QTimer retry;
    QTimer misc;
    int watchedSocket = -1;
    QPointer<QSocketNotifier> reader;
    QPointer<QSocketNotifier> writer;
};

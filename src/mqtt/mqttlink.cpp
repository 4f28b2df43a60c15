#include "mqttlink.h"

#include <QDebug>

#ifdef Q_OS_UNIX
#include <csignal>
#include <pthread.h>
#endif

namespace {

// The session is made and destroyed on the thread it runs on.
class NetworkThread : public QThread
{
public:
    explicit NetworkThread(MqttSession *owned)
        : session(owned)
    {
    }

protected:
    void run() override
    {
        // A broker that resets a TLS connection would otherwise raise SIGPIPE
        // in OpenSSL's write, and that ends the whole program.
#ifdef Q_OS_UNIX
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
#endif
        exec();
        delete session;
    }

private:
    MqttSession *session;
};

// Spare time beyond the goodbye for the thread to wind down.
constexpr int ShutdownMarginMs = 1000;

} // namespace

MqttLink::MqttLink(const MqttTiming &chosen, QObject *parent)
    : QObject(parent)
    , timing(chosen)
{
    session = new MqttSession(chosen);
    thread = new NetworkThread(session);
    thread->setObjectName(QStringLiteral("mqtt"));
    session->moveToThread(thread);
    connect(session, &MqttSession::connectedChanged, this, &MqttLink::connectedChanged);
    connect(session, &MqttSession::tried, this, &MqttLink::tried);
    thread->start();
}

MqttLink::~MqttLink()
{
    shutdown();
}

template <typename F> void MqttLink::post(F &&call)
{
    if (session)
        QMetaObject::invokeMethod(session, std::forward<F>(call), Qt::QueuedConnection);
}

void MqttLink::open(const MqttBroker &broker, const QByteArray &clientId,
    const QByteArray &willTopic, const QVector<MqttMessage> &births)
{
    MqttSession *s = session;
    post(
        [s, broker, clientId, willTopic, births] { s->open(broker, clientId, willTopic, births); });
}

void MqttLink::tryOnce(const MqttBroker &broker, const QByteArray &clientId)
{
    MqttSession *s = session;
    post([s, broker, clientId] { s->tryOnce(broker, clientId); });
}

void MqttLink::publish(const MqttMessage &message, bool keep)
{
    MqttSession *s = session;
    post([s, message, keep] { s->publish(message, keep); });
}

void MqttLink::close()
{
    MqttSession *s = session;
    post([s] { s->close(); });
}

void MqttLink::shutdown()
{
    if (!thread)
        return;
    MqttSession *s = session;
    // Before the thread can delete it, which it does once the loop ends.
    s->disconnect(this);
    // quit() from here could end the loop before the goodbye has run.
    post([s] {
        s->close();
        QThread::currentThread()->quit();
    });
    session = nullptr;
    QThread *t = thread;
    thread = nullptr;
    if (t->wait(timing.goodbyeMs + ShutdownMarginMs)) {
        delete t;
        return;
    }
    // Destroying a running QThread aborts the program; this one ends by itself.
    qDebug() << "MQTT: the network thread is still busy, leaving it to end by itself";
    QObject::connect(t, &QThread::finished, t, &QObject::deleteLater);
}

#include "mqttsession.h"

#include "tlsdiagnosis.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace {

constexpr int KeepaliveSeconds = 60;

Q_LOGGING_CATEGORY(brokerAlert, "skyquill.alert.mqtt")

void initialiseLibrary()
{
    static std::once_flag done;
    std::call_once(done, [] { mosquitto_lib_init(); });
}

// libmosquitto's texts end in a full stop, which reads badly inside a log line.
QString sentence(const char *text)
{
    QString s = QString::fromUtf8(text ? text : "");
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s;
}

// Failures of the connection itself, as opposed to a publish the library refused.
bool connectionError(int rc)
{
    switch (rc) {
    case MOSQ_ERR_NO_CONN:
    case MOSQ_ERR_CONN_LOST:
    case MOSQ_ERR_ERRNO:
    case MOSQ_ERR_TLS:
    case MOSQ_ERR_PROTOCOL:
    case MOSQ_ERR_KEEPALIVE:
    case MOSQ_ERR_EAI:
    case MOSQ_ERR_CONN_REFUSED:
        return true;
    default:
        return false;
    }
}

} // namespace

MqttSession::MqttSession(const MqttTiming &chosen, QObject *parent)
    : QObject(parent)
    , timing(chosen)
    , backoff(chosen.firstRetryMs, chosen.longestRetryMs)
    , deadline(this)
    , stable(this)
    , retry(this)
    , misc(this)
{
    initialiseLibrary();
    deadline.setSingleShot(true);
    stable.setSingleShot(true);
    retry.setSingleShot(true);
    misc.setInterval(1000);
    connect(&deadline, &QTimer::timeout, this, [this] {
        const QString within = QString::number(this->timing.connackMs / 1000.0);
        fail(tcpConnected() ? QStringLiteral("no answer to CONNECT within %1 s").arg(within)
                            : QStringLiteral("no connection within %1 s").arg(within));
    });
    // A broker that takes connections and drops them at once is retried with
    // the backoff too, not every first wait.
    connect(&stable, &QTimer::timeout, this, [this] {
        backoff.reset();
        failureLogged = false;
    });
    connect(&retry, &QTimer::timeout, this, &MqttSession::attempt);
    connect(&misc, &QTimer::timeout, this, &MqttSession::housekeeping);
}

MqttSession::~MqttSession()
{
    dropClient();
}

QString MqttSession::where() const
{
    return broker.host + QLatin1Char(':') + QString::number(broker.port);
}

void MqttSession::open(const MqttBroker &b, const QByteArray &id, const QByteArray &will,
    const QVector<MqttMessage> &birth)
{
    close();
    broker = b;
    clientId = id;
    willTopic = will;
    births = birth;
    once = false;
    backoff.reset();
    failureLogged = false;
    connectLogged = false;
    attempt();
}

void MqttSession::tryOnce(const MqttBroker &b, const QByteArray &id)
{
    // A test in progress is replaced silently: only the latest one answers.
    dropClient();
    retry.stop();
    deadline.stop();
    stable.stop();
    setConnected(false);
    broker = b;
    clientId = id;
    willTopic.clear();
    births.clear();
    once = true;
    attempt();
}

void MqttSession::attempt()
{
    dropClient();
    resetFlow();
    lastLibraryError.clear();
    state = State::Connecting;
    ++attemptNumber;

    client = mosquitto_new(clientId.constData(), true, this);
    if (!client) {
        fail(QStringLiteral("cannot create a client"));
        return;
    }
    mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(client, &MqttSession::onConnect);
    mosquitto_disconnect_callback_set(client, &MqttSession::onDisconnect);
    mosquitto_publish_callback_set(client, &MqttSession::onPublish);
    mosquitto_log_callback_set(client, &MqttSession::onLog);
    if (!willTopic.isEmpty())
        mosquitto_will_set(client, willTopic.constData(), mqtt::Offline.size(),
            mqtt::Offline.constData(), 1, true);
    if (!broker.username.isEmpty()) {
        const QByteArray user = broker.username.toUtf8();
        const QByteArray password = broker.password.toUtf8();
        mosquitto_username_pw_set(
            client, user.constData(), broker.password.isEmpty() ? nullptr : password.constData());
    }
    if (broker.tls) {
        int rc;
        if (broker.caFile.isEmpty()) {
            rc = mosquitto_int_option(client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        } else {
            const QByteArray ca = QFile::encodeName(broker.caFile);
            rc = mosquitto_tls_set(client, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            fail(broker.caFile.isEmpty()
                    ? QStringLiteral("TLS is not available: %1").arg(reason(rc, 0))
                    : QStringLiteral("the CA file %1 cannot be read").arg(broker.caFile));
            return;
        }
    }

    const QByteArray host = broker.host.toUtf8();
    errno = 0;
    const int rc = mosquitto_connect_async(client, host.constData(), broker.port, KeepaliveSeconds);
    const int error = errno;
    if (rc != MOSQ_ERR_SUCCESS) {
        fail(reason(rc, error));
        return;
    }
    deadline.start(timing.connackMs);
    misc.start();
    watch();
}

void MqttSession::onConnect(mosquitto *, void *self, int code)
{
    static_cast<MqttSession *>(self)->connackArrived(code);
}

void MqttSession::onDisconnect(mosquitto *, void *self, int code)
{
    auto *s = static_cast<MqttSession *>(self);
    if (s->state == State::Connecting || s->state == State::Connected)
        s->fail(code == 0 ? QStringLiteral("the broker closed the connection")
                          : s->reason(code, errno));
}

void MqttSession::onPublish(mosquitto *, void *self, int mid)
{
    auto *s = static_cast<MqttSession *>(self);
    if (mid == s->goodbyeMid)
        s->goodbyeTaken = true;
    if (s->awaiting.remove(mid))
        s->sinceAcknowledged.start();
}

void MqttSession::onLog(mosquitto *, void *self, int level, const char *text)
{
    if (level == MOSQ_LOG_ERR)
        static_cast<MqttSession *>(self)->lastLibraryError = QString::fromUtf8(text);
}

// Runs inside a libmosquitto call: it may queue publications, but the client
// itself goes only after that call has returned.
void MqttSession::connackArrived(int code)
{
    if (state != State::Connecting)
        return;
    if (code != 0) {
        fail(sentence(mosquitto_connack_string(code)));
        return;
    }
    deadline.stop();
    state = State::Connected;
    if (once) {
        emit tried(QStringLiteral("Connected"));
        QTimer::singleShot(0, this, [this, attempt = attemptNumber] {
            if (attempt == attemptNumber)
                close();
        });
        return;
    }
    stable.start(timing.stableMs);
    if (!connectLogged) {
        qDebug().noquote() << "MQTT: connected to" << where();
        connectLogged = true;
    }
    for (const MqttMessage &m : qAsConst(births)) {
        int mid = 0;
        const int rc = mosquitto_publish(client, &mid, m.topic.constData(), m.payload.size(),
            m.payload.constData(), m.qos, m.retain);
        if (rc == MOSQ_ERR_SUCCESS)
            track(m, mid);
        else if (!connectionError(rc))
            qDebug().noquote() << "MQTT: cannot publish to" << m.topic << ":" << reason(rc, 0);
    }
    setConnected(true);
}

void MqttSession::fail(const QString &reasonGiven)
{
    if (state != State::Connecting && state != State::Connected)
        return;
    QString why = reasonGiven;
    // Looked into only when the reason is going to be read.
    if (broker.tls && (once || !failureLogged)
        && why.contains(QLatin1String("certificate verify failed"))) {
        const QString names = mqtt::certificateNameProblem(broker);
        if (!names.isEmpty())
            why = names;
    }
    deadline.stop();
    stable.stop();
    misc.stop();
    unwatch();
    setConnected(false);
    if (once) {
        state = State::Idle;
        emit tried(why);
    } else {
        state = State::Waiting;
        const int wait = backoff.next();
        if (!failureLogged) {
            qCWarning(brokerAlert).noquote()
                << "MQTT: broker" << where() << "unavailable:" << why
                << QStringLiteral("- retrying in %1 s, then backing off up to %2 s")
                       .arg(wait / 1000.0)
                       .arg(timing.longestRetryMs / 1000.0);
            failureLogged = true;
            connectLogged = false;
        }
        retry.start(wait);
    }
    // Not from inside one of its own calls: the client goes once that call returned.
    QTimer::singleShot(0, this, [this, attempt = attemptNumber] {
        if (attempt == attemptNumber && (state == State::Waiting || state == State::Idle))
            dropClient();
    });
}

bool MqttSession::tcpConnected() const
{
#ifdef Q_OS_UNIX
    const int socket = client ? mosquitto_socket(client) : -1;
    sockaddr_storage peer;
    socklen_t length = sizeof peer;
    return socket >= 0 && ::getpeername(socket, reinterpret_cast<sockaddr *>(&peer), &length) == 0;
#else
    return true;
#endif
}

QString MqttSession::reason(int rc, int error) const
{
    if (rc == MOSQ_ERR_ERRNO && error != 0)
        return QString::fromLocal8Bit(std::strerror(error));
    if (rc == MOSQ_ERR_TLS && !lastLibraryError.isEmpty())
        return lastLibraryError;
    if (rc == MOSQ_ERR_EAI)
        return QStringLiteral("cannot resolve %1").arg(broker.host);
    return sentence(mosquitto_strerror(rc));
}

void MqttSession::afterIo(int rc, int error)
{
    if (rc != MOSQ_ERR_SUCCESS && connectionError(rc)) {
        fail(reason(rc, error));
        return;
    }
    watch();
}

void MqttSession::readable()
{
    io(mosquitto_loop_read);
}

void MqttSession::writable()
{
    io(mosquitto_loop_write);
}

void MqttSession::io(int (*step)(mosquitto *, int))
{
    if (!client)
        return;
    // Room in the socket: the broker has read some of what was sent.
    sinceTaken.invalidate();
    errno = 0;
    const int rc = step(client, 1);
    afterIo(rc, errno);
}

void MqttSession::housekeeping()
{
    if (!client)
        return;
    // Pings, and the keepalive check that notices a broker gone quiet.
    mosquitto_loop_misc(client);
    if (state == State::Connected) {
        const QString within = QString::number(timing.stalledMs / 1000.0);
        // One that reads nothing acknowledges nothing either: the first says more.
        if (sinceTaken.isValid() && sinceTaken.elapsed() > timing.stalledMs) {
            fail(QStringLiteral("it took nothing sent to it for %1 s").arg(within));
            return;
        }
        if (!awaiting.isEmpty() && sinceAcknowledged.elapsed() > timing.stalledMs) {
            fail(QStringLiteral("it acknowledged no publication for %1 s").arg(within));
            return;
        }
    }
    watch();
}

void MqttSession::track(const MqttMessage &message, int mid)
{
    if (message.qos > 0) {
        if (awaiting.isEmpty())
            sinceAcknowledged.start();
        awaiting.insert(mid);
    }
    queuedBytes += message.topic.size() + message.payload.size();
}

void MqttSession::resetFlow()
{
    awaiting.clear();
    sinceAcknowledged.invalidate();
    queuedBytes = 0;
    sinceTaken.invalidate();
    droppedLogged = false;
}

void MqttSession::watch()
{
    if (!client || (state != State::Connecting && state != State::Connected))
        return;
    const int socket = mosquitto_socket(client);
    if (socket < 0) {
        // The library closed it on its own (keepalive, a protocol error).
        fail(lastLibraryError.isEmpty() ? QStringLiteral("the connection was closed")
                                        : lastLibraryError);
        return;
    }
    if (socket != watchedSocket) {
        unwatch();
        watchedSocket = socket;
        reader = new QSocketNotifier(socket, QSocketNotifier::Read, this);
        writer = new QSocketNotifier(socket, QSocketNotifier::Write, this);
        connect(reader, &QSocketNotifier::activated, this, &MqttSession::readable);
        connect(writer, &QSocketNotifier::activated, this, &MqttSession::writable);
    }
    const bool pending = mosquitto_want_write(client);
    writer->setEnabled(pending);
    // The broker took all that was sent: the count starts again.
    if (!pending) {
        queuedBytes = 0;
        sinceTaken.invalidate();
    } else if (!sinceTaken.isValid()) {
        sinceTaken.start();
    }
}

void MqttSession::unwatch()
{
    // Possibly from inside a notifier's own signal: disable now, delete later.
    for (QSocketNotifier *n : { reader.data(), writer.data() }) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    reader = nullptr;
    writer = nullptr;
    watchedSocket = -1;
}

void MqttSession::dropClient()
{
    unwatch();
    misc.stop();
    if (client) {
        mosquitto *c = client;
        client = nullptr;
        // Without a DISCONNECT, so that a live connection's will still fires.
        mosquitto_destroy(c);
    }
}

void MqttSession::publish(const MqttMessage &message, bool keep)
{
    if (keep) {
        auto it = std::find_if(births.begin(), births.end(),
            [&](const MqttMessage &m) { return m.topic == message.topic; });
        if (it != births.end())
            *it = message;
        else
            births.append(message);
    }
    if (state != State::Connected || !client)
        return;
    // A broker that reads nothing would have every state queued here; the
    // newest replaces them anyway.
    if (message.qos == 0 && queuedBytes > MaxQueuedBytes) {
        if (!droppedLogged)
            qDebug().noquote() << "MQTT: broker" << where()
                               << "takes nothing: states are dropped until it does";
        droppedLogged = true;
        return;
    }
    errno = 0;
    int mid = 0;
    const int rc = mosquitto_publish(client, &mid, message.topic.constData(),
        message.payload.size(), message.payload.constData(), message.qos, message.retain);
    const int error = errno;
    if (rc == MOSQ_ERR_SUCCESS)
        track(message, mid);
    else if (!connectionError(rc))
        qDebug().noquote() << "MQTT: cannot publish to" << message.topic << ":" << reason(rc, 0);
    afterIo(rc, error);
}

void MqttSession::close()
{
    retry.stop();
    deadline.stop();
    stable.stop();
    if (state == State::Connected && client) {
        state = State::Closing;
        unwatch();
        if (!willTopic.isEmpty()) {
            goodbyeTaken = false;
            goodbyeMid = -1;
            int mid = 0;
            if (mosquitto_publish(client, &mid, willTopic.constData(), mqtt::Offline.size(),
                    mqtt::Offline.constData(), 1, true)
                == MOSQ_ERR_SUCCESS) {
                goodbyeMid = mid;
                QElapsedTimer waited;
                waited.start();
                while (!goodbyeTaken && waited.elapsed() < timing.goodbyeMs) {
                    if (mosquitto_loop(client, 50, 1) != MOSQ_ERR_SUCCESS)
                        break;
                }
            }
        }
        // A clean DISCONNECT, so the broker drops the will: "offline" is said.
        if (mosquitto_disconnect(client) == MOSQ_ERR_SUCCESS) {
            QElapsedTimer waited;
            waited.start();
            while (mosquitto_socket(client) >= 0 && waited.elapsed() < 200) {
                if (mosquitto_loop(client, 20, 1) != MOSQ_ERR_SUCCESS)
                    break;
            }
        }
    }
    dropClient();
    state = State::Idle;
    setConnected(false);
}

void MqttSession::setConnected(bool value)
{
    if (connected == value)
        return;
    connected = value;
    emit connectedChanged(value);
}

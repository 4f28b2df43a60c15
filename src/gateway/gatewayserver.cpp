#include "gatewayserver.h"

#include "gatewayresponder.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/types.h>
#endif

namespace {

// QDateTime::currentDateTime() has the C library look up the time zone on
// every call, which on glibc means three stat() calls of /etc/localtime: as
// many system calls as answering a request takes. Contact times are shown to
// the second, so the local time is worked out once per second.
QDateTime localTimeToTheSecond()
{
    thread_local qint64 second = -1;
    thread_local QDateTime local;
    const qint64 now = QDateTime::currentMSecsSinceEpoch() / 1000;
    if (now != second) {
        second = now;
        local = QDateTime::fromSecsSinceEpoch(now);
    }
    return local;
}

// Formatting a date is a good part of a request's cost; the text changes once
// a second at most, so the last one is kept.
QString contactText(const QDateTime &time)
{
    if (time.timeSpec() != Qt::LocalTime)
        return time.toString(Qt::TextDate);
    thread_local QDate lastDate;
    thread_local int lastSecond = -1;
    thread_local QString text;
    // date() and time() of a local QDateTime need no time-zone lookup.
    const QDate date = time.date();
    const int second = time.time().msecsSinceStartOfDay() / 1000;
    if (date != lastDate || second != lastSecond || text.isEmpty()) {
        text = time.toString(Qt::TextDate);
        lastDate = date;
        lastSecond = second;
    }
    return text;
}

// A QTcpSocket queues what it is given and writes it once the event loop
// reports the socket writable, which costs a loop pass and, with the GLib
// dispatcher, two wake-ups per reply. While nothing is queued the reply goes
// straight to the kernel; only what it does not take is queued, so replies
// stay in order and the unread-replies bound sees the same queue.
void sendReply(QTcpSocket *socket, const QByteArray &reply)
{
    qint64 sent = 0;
#ifdef Q_OS_UNIX
    const qintptr fd = socket->socketDescriptor();
    if (fd != -1 && socket->bytesToWrite() == 0
        && socket->state() == QAbstractSocket::ConnectedState) {
        const ssize_t n = ::send(
            int(fd), reply.constData(), std::size_t(reply.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
        // On an error the socket is left to find it out on its own write.
        if (n > 0)
            sent = n;
    }
#endif
    if (sent < reply.size())
        socket->write(reply.constData() + sent, reply.size() - sent);
}

// Often enough that a connection goes within a twelfth past its timeout.
int sweepInterval(qint64 idleTimeoutMs)
{
    return int(qBound<qint64>(100, idleTimeoutMs / 12, 5000));
}

} // namespace

GatewayServer::GatewayServer(QObject *parent)
    : GatewayServer(ownImage, parent)
{
}

GatewayServer::GatewayServer(const RegisterImage &served, QObject *parent)
    : QObject(parent)
    , image(served)
    , server(new QTcpServer(this))
    , idleTimer(new QTimer(this))
    , retryTimer(new QTimer(this))
    , verbose([] { return true; })
    , clock(localTimeToTheSecond)
    , idleClock(steadyClockMs)
{
    connect(server, &QTcpServer::newConnection, this, &GatewayServer::slotNewConnection);
    connect(idleTimer, &QTimer::timeout, this, &GatewayServer::closeIdleConnections);
    idleTimer->start(sweepInterval(idleTimeoutMs));
    retryTimer->setInterval(gateway::ListenRetryMs);
    connect(retryTimer, &QTimer::timeout, this, [this] { tryListen(status.port, true); });
    connect(this, &GatewayServer::listenStatusChanged, this, &GatewayServer::report);
    connect(this, &GatewayServer::recentClientsChanged, this, &GatewayServer::report);
}

GatewayServer::~GatewayServer()
{
    // Sockets die with the server and say "disconnected" as they go; this
    // object must not hear it half destroyed.
    for (auto it = connections.cbegin(); it != connections.cend(); ++it)
        disconnect(it.key(), nullptr, this, nullptr);
}

void GatewayServer::takeCycle(const CyclePtr &cycle)
{
    if (!cycle || &image != &ownImage)
        return;
    ownImage.load(cycle->registers);
    ownImage.setDataMissing(cycle->dataMissing);
}

void GatewayServer::readSettings(const SettingsReader &settings)
{
    setSettings(gatewaySettingsFrom(settings));
}

void GatewayServer::report() const
{
    reportStatus({ { QStringLiteral("listening"), status.listening },
        { QStringLiteral("state"), gateway::statusText(status) },
        { QStringLiteral("hint"), gateway::statusHint(status) },
        { QStringLiteral("clients"), recentClients() } });
}

void GatewayServer::setSettings(const GatewaySettings &settings)
{
    if (current == settings)
        return;
    const bool newPort = !current || current->port != settings.port;
    current = settings;
    setVerbose([verbose = settings.verbose] { return verbose; });
    if (newPort)
        listen(quint16(settings.port));
}

bool GatewayServer::listen(quint16 port)
{
    retryTimer->stop();
    if (port != 0 && server->isListening() && server->serverPort() == port)
        return true;
    server->close();
    return tryListen(port, false);
}

bool GatewayServer::tryListen(quint16 port, bool retrying)
{
    const bool ok = server->listen(QHostAddress::Any, port);
    if (!retrying || ok)
        qDebug() << "Result of calling listen on port" << port << ok;
    gateway::ListenStatus now;
    now.port = ok ? server->serverPort() : port;
    now.listening = ok;
    if (!ok) {
        now.error = server->serverError();
        now.reason = server->errorString();
    }
    // A port without the privilege stays so until the program restarts.
    if (!ok && now.error != QAbstractSocket::SocketAccessError)
        retryTimer->start();
    else
        retryTimer->stop();
    // Once per outcome, however often a taken port is retried.
    if (!retrying || now != status) {
        QString line = QStringLiteral("Gateway: ") + gateway::statusText(now);
        const QString hint = gateway::statusHint(now);
        if (!hint.isEmpty())
            line += QStringLiteral(". ") + hint;
        qInfo().noquote() << line;
        const bool changed = now != status;
        status = now;
        if (changed)
            emit listenStatusChanged();
    }
    return ok;
}

void GatewayServer::close()
{
    retryTimer->stop();
    server->close();
}

void GatewayServer::setListenRetryInterval(int milliseconds)
{
    retryTimer->setInterval(milliseconds);
}

bool GatewayServer::isListening() const
{
    return server->isListening();
}

quint16 GatewayServer::serverPort() const
{
    return server->serverPort();
}

QStringList GatewayServer::recentClients() const
{
    QStringList list;
    for (auto it = clients.cbegin(); it != clients.cend() && list.size() < RecentClientsShown; ++it)
        list.append(it.key() + QLatin1Char(' ') + it.value());
    return list;
}

bool GatewayServer::addressConnected(const QString &key) const
{
    for (const Connection &connection : connections)
        if (connection.key == key && connection.state != State::Gone)
            return true;
    return false;
}

int GatewayServer::connectionCount() const
{
    int count = 0;
    for (const Connection &connection : connections)
        count += connection.state != State::Gone ? 1 : 0;
    return count;
}

void GatewayServer::setIdleTimeout(qint64 milliseconds)
{
    idleTimeoutMs = milliseconds > 0 ? milliseconds : IdleTimeoutMs;
    idleTimer->start(sweepInterval(idleTimeoutMs));
}

QString GatewayServer::clientKey(const QHostAddress &address)
{
    bool ok = false;
    const quint32 ipv4 = address.toIPv4Address(&ok);
    return QHostAddress(ok ? ipv4 : 0u).toString();
}

GatewayServer::Connection *GatewayServer::openConnection(QTcpSocket *socket)
{
    const auto it = connections.find(socket);
    return it != connections.end() && it->state == State::Open ? &*it : nullptr;
}

void GatewayServer::slotNewConnection()
{
    while (QTcpSocket *socket = server->nextPendingConnection()) {
        if (maxConnections <= 0) {
            qDebug() << "Too many connections, closing the newest from: "
                     << clientKey(socket->peerAddress());
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (connectionCount() >= maxConnections)
            makeRoom(clientKey(socket->peerAddress()));
        acceptConnection(socket);
    }
}

void GatewayServer::makeRoom(const QString &newcomer)
{
    // The host holding the most connections gives one up, the longest
    // without a complete request among them (between hosts holding as many,
    // the one whose quietest is quieter): a busy host's many sockets cannot
    // push out an honest client's one, however slowly that one polls. A
    // newcomer whose host already holds its share takes its own host's.
    struct Share
    {
        int count = 0;
        QTcpSocket *quietest = nullptr;
        qint64 since = 0;
    };
    QHash<QString, Share> shares;
    for (auto it = connections.cbegin(); it != connections.cend(); ++it) {
        if (it->state == State::Gone)
            continue;
        Share &share = shares[it->key];
        ++share.count;
        if (!share.quietest || it->lastRequestMs < share.since) {
            share.quietest = it.key();
            share.since = it->lastRequestMs;
        }
    }
    const Share *victim = nullptr;
    const auto own = shares.constFind(newcomer);
    if (own != shares.cend() && own->count >= MaxPerHostWhenFull) {
        victim = &own.value();
    } else {
        for (auto it = shares.cbegin(); it != shares.cend(); ++it) {
            if (!victim || it->count > victim->count
                || (it->count == victim->count && it->since < victim->since))
                victim = &it.value();
        }
    }
    QTcpSocket *quietest = victim ? victim->quietest : nullptr;
    if (!quietest)
        return;
    qDebug() << "Too many connections, closing the longest idle from: "
             << connections.value(quietest).key;
    // Says "disconnected" at once; the entry waits for reap().
    quietest->abort();
}

void GatewayServer::acceptConnection(QTcpSocket *socket)
{
    qDebug() << "New connection, socket state is " << socket->state();
    const QHostAddress peer = socket->peerAddress();
    qDebug() << "Connection host address type: " << peer.protocol();
    const QString key = clientKey(peer);
    qDebug() << "Connection from: " << key;

    // Without it a peer that vanished (power cut, cable pulled) holds its
    // slot under the cap for good.
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    // A reply is one small segment; it should not wait for an earlier one's ACK.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->setReadBufferSize(ReadAheadBytes);
    Connection connection;
    connection.key = key;
    connection.lastRequestMs = idleClock();
    connections.insert(socket, connection);
    clients.insert(key, contactText(clock()));
    emit recentClientsChanged();

    connect(socket, &QTcpSocket::readyRead, this, &GatewayServer::slotReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &GatewayServer::slotClientDisconnected);
}

void GatewayServer::slotClientDisconnected()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    const auto it = connections.find(socket);
    if (it == connections.end() || it->state == State::Gone)
        return;
    // Often inside one of our own calls to the socket: mark only.
    it->state = State::Gone;
    if (!reapPosted) {
        reapPosted = true;
        QMetaObject::invokeMethod(this, &GatewayServer::reap, Qt::QueuedConnection);
    }
}

void GatewayServer::reap()
{
    reapPosted = false;
    bool changed = false;
    for (auto it = connections.begin(); it != connections.end();) {
        if (it->state != State::Gone) {
            ++it;
            continue;
        }
        qDebug() << "Socket disconnected from address: " << it->key;
        const QString key = it->key;
        it.key()->deleteLater();
        it = connections.erase(it);
        // Listed while any connection from the address is still there.
        if (!addressConnected(key))
            changed = clients.remove(key) > 0 || changed;
    }
    if (changed)
        emit recentClientsChanged();
}

void GatewayServer::closeIdleConnections()
{
    const qint64 now = idleClock();
    const QList<QTcpSocket *> sockets = connections.keys();
    for (QTcpSocket *socket : sockets) {
        const auto it = connections.find(socket);
        if (it == connections.end() || it->state == State::Gone
            || now - it->lastRequestMs < idleTimeoutMs)
            continue;
        qDebug() << "No request for" << idleTimeoutMs / 1000
                 << "s, closing connection from: " << it->key;
        socket->abort();
    }
}

void GatewayServer::slotReadyRead()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    Connection *connection = openConnection(socket);
    if (!connection)
        return;
    if (verbose())
        qDebug() << "SlotReadyRead called, bytes available: " << socket->bytesAvailable();
    const auto client = clients.find(connection->key);
    if (client != clients.end())
        *client = contactText(clock());
    // One already waiting for its turn gets no extra one.
    if (!connection->queued)
        serve(socket);
}

void GatewayServer::serveBacklog()
{
    backlogPosted = false;
    QVector<QTcpSocket *> due;
    due.swap(backlog);
    for (QTcpSocket *socket : qAsConst(due)) {
        if (Connection *connection = openConnection(socket)) {
            connection->queued = false;
            serve(socket);
        }
    }
}

void GatewayServer::serve(QTcpSocket *socket)
{
    // Requests are cut from the stream by their length field, so one read may
    // hold several or part of one. Reading at most up to one maximum frame at
    // a time keeps the buffer bounded, whatever a client pours in. Anything
    // done to the socket may end the connection under us, so the entry is
    // looked up again after each such call.
    QByteArray replies; // the pass's, in one send: a pipeline costs one system call
    int answered = 0;
    bool invalid = false;
    while (answered < RequestsPerPass) {
        Connection *connection = openConnection(socket);
        if (!connection)
            return;
        gateway::FrameResult next = gateway::nextFrame(connection->buffer);
        if (next.status == gateway::FrameStatus::NeedMore) {
            if (socket->bytesAvailable() <= 0)
                break;
            char chunk[gateway::MaxFrameSize];
            const qint64 got
                = socket->read(chunk, gateway::MaxFrameSize - connection->buffer.size());
            if (got > 0) {
                if (Connection *still = openConnection(socket))
                    still->buffer.append(chunk, int(got));
            }
            continue;
        }
        if (next.status == gateway::FrameStatus::Invalid) {
            invalid = true;
            break;
        }
        connection->lastRequestMs = idleClock();
        ++answered;
        if (const std::optional<QByteArray> reply = answer(next.frame))
            replies += *reply;
    }
    if (!replies.isEmpty())
        sendReply(socket, replies);

    Connection *connection = openConnection(socket);
    if (!connection)
        return;
    if (invalid) {
        qDebug() << "Invalid modbus tcp packet, ignoring";
        // Past a bad header the stream cannot be resynchronised; the replies
        // before it still go out first.
        connection->state = State::Closing;
        socket->close();
        return;
    }
    // Replies the kernel would not take wait in the socket; only what it
    // still will not take after a flush means a peer not reading.
    if (socket->bytesToWrite() > MaxUnreadReplyBytes) {
        socket->flush();
        if (!openConnection(socket))
            return;
        if (socket->bytesToWrite() > MaxUnreadReplyBytes) {
            qDebug() << "Client does not read its replies, closing connection";
            socket->abort();
            return;
        }
        connection = openConnection(socket);
    }
    if (answered < RequestsPerPass || connection->queued)
        return;
    // Possibly more to do: after everyone else has had a turn.
    connection->queued = true;
    backlog.append(socket);
    if (!backlogPosted) {
        backlogPosted = true;
        QMetaObject::invokeMethod(this, &GatewayServer::serveBacklog, Qt::QueuedConnection);
    }
}

std::optional<QByteArray> GatewayServer::answer(const QByteArray &frame) const
{
    const bool logging = verbose();
    if (logging)
        gateway::logRequest(frame);
    return gateway::gatewayReply(frame, image.snapshot(), image.dataMissing(), logging);
}

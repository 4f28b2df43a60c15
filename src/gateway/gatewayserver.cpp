#include "gatewayserver.h"

#include "gatewayresponder.h"

#include <QDebug>
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

} // namespace

GatewayServer::GatewayServer(QObject *parent)
    : GatewayServer(ownImage, parent)
{
}

GatewayServer::GatewayServer(const RegisterImage &image, QObject *parent)
    : QObject(parent)
    , image(image)
    , server(new QTcpServer(this))
    , retryTimer(new QTimer(this))
    , verbose([] { return true; })
    , clock(localTimeToTheSecond)
{
    connect(server, &QTcpServer::newConnection, this, &GatewayServer::slotNewConnection);
    retryTimer->setInterval(gateway::ListenRetryMs);
    connect(retryTimer, &QTimer::timeout, this, [this] { tryListen(status.port, true); });
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

QString GatewayServer::clientKey(const QHostAddress &address)
{
    bool ok = false;
    const quint32 ipv4 = address.toIPv4Address(&ok);
    return QHostAddress(ok ? ipv4 : 0u).toString();
}

void GatewayServer::slotNewConnection()
{
    while (QTcpSocket *socket = server->nextPendingConnection()) {
        if (connections.size() >= maxConnections) {
            qDebug() << "Too many connections, closing the newest from: "
                     << clientKey(socket->peerAddress());
            socket->abort();
            socket->deleteLater();
            continue;
        }
        acceptConnection(socket);
    }
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
    connections.insert(socket, Connection { key, QByteArray() });
    clients.insert(key, contactText(clock()));
    emit recentClientsChanged();

    connect(socket, &QTcpSocket::readyRead, this, &GatewayServer::slotReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &GatewayServer::slotClientDisconnected);
}

void GatewayServer::slotClientDisconnected()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    const auto it = connections.find(socket);
    if (it == connections.end())
        return;
    const QString key = it->key;
    connections.erase(it);
    qDebug() << "Socket disconnected from address: " << key;
    clients.remove(key);
    emit recentClientsChanged();
    socket->deleteLater();
}

void GatewayServer::slotReadyRead()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    const auto it = connections.find(socket);
    if (it == connections.end())
        return;
    const bool logging = verbose();
    if (logging)
        qDebug() << "SlotReadyRead called, bytes available: " << socket->bytesAvailable();
    const auto client = clients.find(it->key);
    if (client != clients.end())
        *client = contactText(clock());

    // Requests are cut from the stream by their length field, so one read may
    // hold several or part of one. Reading at most up to one maximum frame at
    // a time keeps the buffer bounded, whatever a client pours in.
    QByteArray &buffer = it->buffer;
    while (socket->bytesAvailable() > 0) {
        const int held = buffer.size();
        buffer.resize(gateway::MaxFrameSize);
        const qint64 got = socket->read(buffer.data() + held, gateway::MaxFrameSize - held);
        buffer.resize(held + int(qMax<qint64>(got, 0)));
        for (;;) {
            gateway::FrameResult next = gateway::nextFrame(buffer);
            if (next.status == gateway::FrameStatus::NeedMore)
                break;
            if (next.status == gateway::FrameStatus::Invalid) {
                qDebug() << "Invalid modbus tcp packet, ignoring";
                // Past a bad header the stream cannot be resynchronised.
                socket->close();
                return;
            }
            answer(socket, next.frame);
            // Replies the kernel would not take wait in the socket; only what
            // it still will not take after a flush means a peer not reading.
            if (socket->bytesToWrite() > MaxUnreadReplyBytes) {
                socket->flush();
                if (socket->bytesToWrite() > MaxUnreadReplyBytes) {
                    qDebug() << "Client does not read its replies, closing connection";
                    socket->abort();
                    return;
                }
            }
        }
    }
}

void GatewayServer::answer(QTcpSocket *socket, const QByteArray &frame)
{
    const bool logging = verbose();
    if (logging)
        gateway::logRequest(frame);
    const std::optional<QByteArray> reply
        = gateway::gatewayReply(frame, image.snapshot(), image.dataMissing(), logging);
    if (reply)
        sendReply(socket, *reply);
}

#include "gatewayserver.h"

#include "acquisition/registerimage.h"
#include "gatewayresponder.h"

#include <QDebug>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

GatewayServer::GatewayServer(const RegisterImage &image, QObject *parent)
    : QObject(parent)
    , image(image)
    , server(new QTcpServer(this))
    , verbose([] { return true; })
    , clock([] { return QDateTime::currentDateTime(); })
{
    connect(server, &QTcpServer::newConnection, this, &GatewayServer::slotNewConnection);
}

GatewayServer::~GatewayServer()
{
    // Sockets die with the server and say "disconnected" as they go; this
    // object must not hear it half destroyed.
    for (auto it = connections.cbegin(); it != connections.cend(); ++it)
        disconnect(it.key(), nullptr, this, nullptr);
}

bool GatewayServer::listen(quint16 port)
{
    const bool ok = server->listen(QHostAddress::Any, port);
    qDebug() << "Result of calling listen on port" << port << ok;
    return ok;
}

void GatewayServer::close()
{
    server->close();
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
    connections.insert(socket, Connection { key, QByteArray() });
    clients.insert(key, clock().toString(Qt::TextDate));
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
    qDebug() << "SlotReadyRead called, bytes available: " << socket->bytesAvailable();
    const auto client = clients.find(it->key);
    if (client != clients.end())
        *client = clock().toString(Qt::TextDate);

    // Requests are cut from the stream by their length field, so one read may
    // hold several or part of one. Reading at most up to one maximum frame at
    // a time keeps the buffer bounded, whatever a client pours in.
    QByteArray &buffer = it->buffer;
    while (socket->bytesAvailable() > 0) {
        buffer.append(socket->read(gateway::MaxFrameSize - buffer.size()));
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
            // Replies pile up in the socket until the event loop flushes them;
            // only what the kernel will not take either means a peer not reading.
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
    gateway::logRequest(frame);
    const std::optional<QByteArray> reply
        = gateway::gatewayReply(frame, image.snapshot(), image.dataMissing(), verbose());
    if (reply)
        socket->write(*reply);
}

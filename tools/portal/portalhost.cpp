#include "portalhost.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>

using namespace portal;

PortalHost::PortalHost(const Options &chosen, QObject *parent)
    : QObject(parent)
    , options(chosen)
    , server(new QTcpServer(this))
{
    connect(server, &QTcpServer::newConnection, this, &PortalHost::accept);
}

PortalHost::~PortalHost() = default;

bool PortalHost::openRecord(QString *error)
{
    if (options.recordPath.isEmpty())
        return true;
    recordFile.setFileName(options.recordPath);
    if (!recordFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = recordFile.errorString();
        return false;
    }
    return true;
}

bool PortalHost::listen(
    const QHostAddress &address, quint16 port, quint16 *actualPort, QString *error)
{
    if (!server->listen(address, port)) {
        *error = server->errorString();
        return false;
    }
    *actualPort = server->serverPort();
    return true;
}

void PortalHost::announce(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PortalHost::accept()
{
    while (QTcpSocket *socket = server->nextPendingConnection()) {
        if (peers.size() >= options.maxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // A client that stalls mid-request must not hold its slot for ever.
        auto *idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
        idle->start(options.idleTimeoutMs);
        Peer peer;
        peer.idle = idle;
        peers.insert(socket, peer);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { feedHuge(socket); });
        // Often emitted inside our own write or abort: nothing is used after those.
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            peers.remove(socket);
            socket->deleteLater();
        });
    }
}

void PortalHost::readFrom(QTcpSocket *socket)
{
    const QByteArray bytes = socket->readAll();
    auto found = peers.find(socket);
    if (found == peers.end())
        return;
    RequestParser &parser = found->parser;
    if (parser.state() != RequestParser::State::Incomplete)
        return; // already answered; whatever follows is dropped
    found->idle->start(options.idleTimeoutMs);

    switch (parser.feed(bytes)) {
    case RequestParser::State::Incomplete:
        return;
    case RequestParser::State::Failed: {
        const HttpResponse response = errorResponse(parser.errorStatus(), parser.errorReason());
        respond(socket, response, "refused: " + parser.errorReason());
        return;
    }
    case RequestParser::State::Complete: {
        const HttpRequest request = parser.request();
        if (isPortalForm(request))
            record(request.body);
        const HttpResponse response = answer(request, options.account);
        const QByteArray what = request.method + ' ' + request.target;
        if (options.reply == Reply::Normal)
            respond(socket, response, what);
        else
            stream(socket, response, what);
        return;
    }
    }
}

void PortalHost::respond(QTcpSocket *socket, const HttpResponse &response, const QByteArray &what)
{
    if (options.verbose) {
        std::fprintf(stderr, "skyquill-portal: %s -> %d %s\n", what.constData(), response.status,
            response.body.constData());
    }
    socket->write(serialize(response));
    socket->disconnectFromHost();
}

void PortalHost::stream(QTcpSocket *socket, const HttpResponse &response, const QByteArray &what)
{
    if (options.verbose) {
        std::fprintf(stderr, "skyquill-portal: %s -> %d %s (%s)\n", what.constData(),
            response.status, response.body.constData(),
            options.reply == Reply::Trickle ? "trickled" : "10 MiB");
    }
    const auto found = peers.find(socket);
    if (found == peers.end())
        return;
    // The stand-in never gives up on such a reply; only its client may.
    found->idle->stop();
    if (options.reply == Reply::Trickle) {
        auto *timer = new QTimer(socket);
        found->trickle = timer;
        connect(timer, &QTimer::timeout, this, [this, socket] { trickle(socket); });
        timer->start(options.trickleIntervalMs);
        socket->write(serializeHead(response.status, -1) + response.body);
        return;
    }
    found->pending = serializeHead(response.status, HugeBodyBytes) + response.body;
    found->unsent = HugeBodyBytes - response.body.size();
    feedHuge(socket);
}

void PortalHost::trickle(QTcpSocket *socket)
{
    if (peers.contains(socket) && socket->state() == QAbstractSocket::ConnectedState)
        socket->write("\n.");
}

void PortalHost::feedHuge(QTcpSocket *socket)
{
    // A chunk at a time as the client takes them, so the body costs no memory.
    constexpr qint64 Chunk = 64 * 1024;
    const auto found = peers.find(socket);
    if (found == peers.end() || (found->pending.isEmpty() && found->unsent == 0)
        || socket->bytesToWrite() >= Chunk)
        return;
    QByteArray chunk;
    chunk.swap(found->pending);
    const qint64 padding = qMin(found->unsent, Chunk - chunk.size());
    found->unsent -= qMax<qint64>(padding, 0);
    chunk.append(QByteArray(int(qMax<qint64>(padding, 0)), '.'));
    const bool last = found->unsent == 0;
    socket->write(chunk);
    if (last)
        socket->disconnectFromHost();
}

void PortalHost::record(const QByteArray &body)
{
    // One form per line, whatever a stray client put into its body.
    QByteArray line = body;
    line.replace('\r', "%0D").replace('\n', "%0A");
    announce("FORM " + line);
    if (recordFile.isOpen()) {
        recordFile.write(line + '\n');
        recordFile.flush();
    }
}

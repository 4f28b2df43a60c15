#include "portalhost.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>

using namespace portal;

PortalHost::PortalHost(const Options &options, QObject *parent)
    : QObject(parent)
    , options(options)
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
        if (parsers.size() >= options.maxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        parsers.insert(socket, RequestParser());
        // A client that stalls mid-request must not hold its slot for ever.
        auto *idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
        idle->start(options.idleTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, idle] {
            idle->start(options.idleTimeoutMs);
            readFrom(socket);
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            parsers.remove(socket);
            socket->deleteLater();
        });
    }
}

void PortalHost::readFrom(QTcpSocket *socket)
{
    const QByteArray bytes = socket->readAll();
    auto found = parsers.find(socket);
    if (found == parsers.end())
        return;
    RequestParser &parser = *found;
    if (parser.state() != RequestParser::State::Incomplete)
        return; // already answered; whatever follows is dropped

    switch (parser.feed(bytes)) {
    case RequestParser::State::Incomplete:
        return;
    case RequestParser::State::Failed:
        respond(socket, errorResponse(parser.errorStatus(), parser.errorReason()),
            "refused: " + parser.errorReason());
        return;
    case RequestParser::State::Complete: {
        const HttpRequest &request = parser.request();
        if (isPortalForm(request))
            record(request.body);
        respond(socket, answer(request, options.account), request.method + ' ' + request.target);
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

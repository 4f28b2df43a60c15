#pragma once

#include "httprequest.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// An in-test HTTP server on a free port: records every complete request and
// answers it with `status`, `headers` (raw lines, each ending in CRLF) and
// `body`, or, when `silent`, never answers at all (a hung server).
class HttpStandIn : public QTcpServer
{
public:
    int status = 200;
    QByteArray headers;
    QByteArray body = "ok";
    bool silent = false;
    QList<portal::HttpRequest> requests;

    bool start() { return listen(QHostAddress::LocalHost, 0); }
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path);
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            parsers.remove(socket);
            socket->deleteLater();
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            portal::RequestParser &parser = parsers[socket];
            if (parser.feed(socket->readAll()) != portal::RequestParser::State::Complete)
                return;
            requests.append(parser.request());
            parser = portal::RequestParser();
            if (silent)
                return;
            socket->write("HTTP/1.1 " + QByteArray::number(status) + " Stand-in\r\n" + headers
                + "Content-Length: " + QByteArray::number(body.size())
                + "\r\nConnection: close\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    }

private:
    QHash<QTcpSocket *, portal::RequestParser> parsers;
};

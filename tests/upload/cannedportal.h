#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include "support/freeport.h"
#include "upload/portalurl.h"

// An in-test HTTP endpoint for answers the stand-in never gives: a fixed
// status and body once the whole request is in, or, when `silent`, nothing
// at all (a hung portal).
class CannedPortal : public QTcpServer
{
public:
    int status = 200;
    QByteArray body;
    bool silent = false;
    int requests = 0; // complete requests seen

    bool start() { return listen(QHostAddress::LocalHost, 0); }
    QUrl url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/quorinconnect").arg(serverPort()));
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            received.remove(socket);
            socket->deleteLater();
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
    }

private:
    void readFrom(QTcpSocket *socket)
    {
        QByteArray &in = received[socket];
        in.append(socket->readAll());
        const int head = in.indexOf("\r\n\r\n");
        if (head < 0)
            return;
        const QByteArray key = "content-length:";
        const int at = in.left(head).toLower().indexOf(key);
        int length = 0;
        if (at >= 0) {
            const int end = in.indexOf('\r', at);
            length = in.mid(at + key.size(), end - at - key.size()).trimmed().toInt();
        }
        if (in.size() < head + 4 + length)
            return;
        in.clear();
        ++requests;
        if (silent)
            return;
        socket->write("HTTP/1.1 " + QByteArray::number(status)
            + " Canned\r\nContent-Type: text/plain\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QHash<QTcpSocket *, QByteArray> received;
};

// A port that was free a moment ago, so a connection to it is refused.
inline quint16 closedPort()
{
    return freeTcpPort();
}

// Points the portal at one kind of failure: "refused" (nothing listens),
// "404" (`wrongPath`, a path the stand-in refuses), "500" (`canned` answers
// with that status and `body`) or "silent" (`canned` never answers; short
// timeout). False when the set-up itself failed.
inline bool pointPortalAtFailure(
    const QString &kind, CannedPortal &canned, const QUrl &wrongPath, const QByteArray &body)
{
    if (!canned.start())
        return false;
    if (kind == QLatin1String("refused")) {
        const quint16 port = closedPort();
        setPortalUrlForTesting(QUrl(QStringLiteral("http://127.0.0.1:%1/quorinconnect").arg(port)));
        return port != 0;
    }
    if (kind == QLatin1String("404")) {
        setPortalUrlForTesting(wrongPath);
        return true;
    }
    canned.status = 500;
    canned.body = body;
    canned.silent = kind == QLatin1String("silent");
    setPortalUrlForTesting(canned.url());
    setPortalTimeoutForTesting(300);
    return true;
}

#pragma once

#include <QByteArrayList>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// An in-test APRS-IS server on a free port that records every line a client
// sends. `reply` to a login: "normal" (garbage, then "# logresp" in two
// writes), "silent", "close" (hangs up) or "flood" (70 KiB, no line end).
class AprsStandIn : public QTcpServer
{
public:
    QByteArray reply = "normal";
    QByteArrayList lines;

    bool start() { return listen(QHostAddress::LocalHost, 0); }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(serverPort()); }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (reply != "silent")
            socket->write("# aprsc 2.1.14\r\n");
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                lines.append(socket->readLine().trimmed());
                if (!lines.last().startsWith("user "))
                    continue;
                if (reply == "close") {
                    socket->disconnectFromHost();
                } else if (reply == "flood") {
                    socket->write(QByteArray(70 * 1024, 'x'));
                } else if (reply == "normal") {
                    socket->write("garbage \xff line\r\n# log");
                    socket->flush();
                    QTimer::singleShot(
                        20, socket, [socket] { socket->write("resp X unverified\r\n"); });
                }
            }
        });
    }
};

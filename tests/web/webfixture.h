#pragma once

#include "record/stationcycle.h"
#include "support/samplestation.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

#include <memory>

// Cycles of the sample station and a plain HTTP client for the web server's tests.
namespace webfixture {

// 2026-05-04 12:00:00 UTC, and a cycle `seconds` after it.
constexpr qint64 Noon = 1777896000;

inline CyclePtr cycle(qint64 seconds = 0, StationCycle::Kind kind = StationCycle::Kind::Good,
    const StationValues &values = sampleValues())
{
    auto c = std::make_shared<StationCycle>();
    c->kind = kind;
    c->values = values;
    c->dataMissing = kind != StationCycle::Kind::Good;
    c->utc = QDateTime::fromSecsSinceEpoch(Noon + seconds, Qt::UTC);
    c->local = c->utc.toLocalTime();
    return c;
}

struct HttpReply
{
    int status = 0;
    QByteArray head;
    QByteArray body;

    QByteArray header(const QByteArray &name) const
    {
        for (const QByteArray &line : head.split('\n'))
            if (line.toLower().startsWith(name.toLower() + ':'))
                return line.mid(name.size() + 1).trimmed();
        return QByteArray();
    }
};

// Sends `raw` and reads until the server closes the connection (requests say
// "Connection: close"), or until `timeoutMs`.
inline HttpReply send(quint16 port, const QByteArray &raw, int timeoutMs = 5000)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    HttpReply reply;
    if (!socket.waitForConnected(timeoutMs))
        return reply;
    socket.write(raw);
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs && socket.state() == QAbstractSocket::ConnectedState) {
        socket.waitForReadyRead(50);
        data += socket.readAll();
    }
    data += socket.readAll();
    const int split = data.indexOf("\r\n\r\n");
    reply.head = data.left(split);
    reply.body = split < 0 ? QByteArray() : data.mid(split + 4);
    const QList<QByteArray> status = reply.head.split(' ');
    reply.status = status.size() > 1 ? status.at(1).toInt() : 0;
    return reply;
}

inline HttpReply get(quint16 port, const QByteArray &target, const QByteArray &method = "GET")
{
    return send(
        port, method + ' ' + target + " HTTP/1.1\r\nHost: test\r\nConnection: close\r\n\r\n");
}

} // namespace webfixture

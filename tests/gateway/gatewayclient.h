#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpSocket>

#include <memory>

// What the gateway's tests send, and the client they send it with.

inline QByteArray readRequest(int transaction, int address, int quantity, int function = 3)
{
    const quint8 bytes[]
        = { quint8(transaction >> 8), quint8(transaction), 0, 0, 0, 6, 1, quint8(function),
              quint8(address >> 8), quint8(address), quint8(quantity >> 8), quint8(quantity) };
    return QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes);
}

// A test client on loopback, optionally from another 127.x source address so
// that several clients get distinct entries.
struct Client
{
    std::unique_ptr<QTcpSocket> socket = std::make_unique<QTcpSocket>();

    bool connectTo(quint16 port, const char *from = "127.0.0.1")
    {
        if (!socket->bind(QHostAddress(QString::fromLatin1(from))))
            return false;
        QSignalSpy connected(socket.get(), &QTcpSocket::connected);
        socket->connectToHost(QHostAddress::LocalHost, port);
        return connected.wait(5000);
    }

    void send(const QByteArray &bytes)
    {
        socket->write(bytes);
        socket->flush();
    }

    // Exactly `count` bytes, or fewer when they do not come within 5 s.
    QByteArray read(int count)
    {
        while (socket->bytesAvailable() < count) {
            QSignalSpy ready(socket.get(), &QTcpSocket::readyRead);
            if (!ready.wait(5000))
                break;
        }
        return socket->read(count);
    }

    bool waitClosedByPeer()
    {
        if (socket->state() == QAbstractSocket::UnconnectedState)
            return true;
        QSignalSpy disconnected(socket.get(), &QTcpSocket::disconnected);
        return disconnected.wait(5000);
    }
};

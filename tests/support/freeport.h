#pragma once

#include <QHostAddress>
#include <QList>
#include <QTcpServer>

// A TCP port nobody listens on just now, for a server or a program the test
// starts, or for a connection that must be refused: never the privileged
// default, and never one it gave before in this run, so two asked for in a
// row differ. 0 when none can be had.
inline quint16 freeTcpPort()
{
    static QList<quint16> given;
    for (int attempt = 0; attempt < 100; ++attempt) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::Any, 0))
            return 0;
        if (!given.contains(probe.serverPort())) {
            given.append(probe.serverPort());
            return probe.serverPort();
        }
    }
    return 0;
}

#pragma once

#include <QHostAddress>
#include <QTcpServer>

// A TCP port nobody listens on just now, for a program the test starts: it
// never gets the privileged default.
inline quint16 freeTcpPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::Any, 0) ? probe.serverPort() : 0;
}

#pragma once

#include "servestatus.h"

#include <QString>

namespace web {

// A listening TCP socket of our own making, so that a failure to listen is
// known by its cause (port taken, privileged, address not ours) rather than
// read from a library's log line.
struct ListenSocket
{
    qintptr fd = -1;
    quint16 port = 0;
    ServeStatus::Error error = ServeStatus::NoError;
    QString reason;

    bool ok() const { return fd >= 0; }
};

// Binds and listens, non-blocking, on `address` (an IP address or
// "localhost"; empty: every interface, IPv6 and IPv4 where the system has
// both) and `port` (0 picks a free one).
ListenSocket openListenSocket(const QString &address, quint16 port);
void closeListenSocket(qintptr fd);

} // namespace web

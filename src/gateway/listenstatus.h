#pragma once

#include <QAbstractSocket>
#include <QString>

namespace gateway {

// A port that would not open for a reason that may pass (another program
// holds it) is tried again this often.
constexpr int ListenRetryMs = 10000;

// The outcome of the gateway's last attempt to listen, as the Modbus page,
// the log and the headless console tell it.
struct ListenStatus
{
    quint16 port = 0;
    bool listening = false;
    QAbstractSocket::SocketError error = QAbstractSocket::UnknownSocketError;
    // The system's words for a failure.
    QString reason;

    bool operator==(const ListenStatus &other) const
    {
        return port == other.port && listening == other.listening && error == other.error
            && reason == other.reason;
    }
    bool operator!=(const ListenStatus &other) const { return !(*this == other); }
};

// "Listening on port 502", or "Not listening on port 502: " and why.
QString statusText(const ListenStatus &status);
// What the user can do about a failure; empty when there is nothing to say.
QString statusHint(const ListenStatus &status);

} // namespace gateway

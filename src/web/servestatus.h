#pragma once

#include <QString>

namespace web {

// A port that would not open for a reason that may pass (another program
// holds it) is tried again this often.
constexpr int ServeRetryMs = 10000;

// The outcome of the web server's last attempt to listen, as the settings
// window, the log and the headless console tell it.
struct ServeStatus
{
    enum Error
    {
        NoError,
        AccessDenied, // a privileged port
        AddressInUse,
        AddressNotAvailable, // the bind address is not one of this machine's
        OtherError,
    };

    bool enabled = false;
    bool serving = false;
    quint16 port = 0;
    // Where a browser finds the pages: the bind address, or one of this
    // machine's addresses when it serves on every interface.
    QString host;
    Error error = NoError;
    // The system's words for a failure.
    QString reason;

    bool operator==(const ServeStatus &o) const
    {
        return enabled == o.enabled && serving == o.serving && port == o.port && host == o.host
            && error == o.error && reason == o.reason;
    }
    bool operator!=(const ServeStatus &o) const { return !(*this == o); }
};

// "Serving http://HOST:PORT/", "Not serving on port N: " and why, or "Off".
QString statusText(const ServeStatus &status);
// What the user can do about a failure; empty when there is nothing to say.
QString statusHint(const ServeStatus &status);

} // namespace web

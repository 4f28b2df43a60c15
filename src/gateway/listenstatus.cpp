#include "listenstatus.h"

#include "acquisition/service.h"

namespace gateway {

QString statusText(const ListenStatus &status)
{
    if (status.listening)
        return QStringLiteral("Listening on port %1").arg(status.port);
    const QString why
        = listenFailureWords(status.error == QAbstractSocket::SocketAccessError, status.reason);
    return QStringLiteral("Not listening on port %1: %2").arg(status.port).arg(why);
}

QString statusHint(const ListenStatus &status)
{
    if (status.listening)
        return QString();
    switch (status.error) {
    case QAbstractSocket::SocketAccessError:
#ifdef Q_OS_UNIX
        return QStringLiteral("Ports below 1024 need privileges: choose a port from 1024 up, "
                              "or see /usr/share/doc/skyquill/service.md.");
#else
        return QStringLiteral("Choose another port.");
#endif
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("Another program is using this port; it is tried again every %1 s.")
            .arg(ListenRetryMs / 1000);
    default:
        return QString();
    }
}

} // namespace gateway

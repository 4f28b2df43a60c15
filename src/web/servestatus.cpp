#include "servestatus.h"

#include "acquisition/service.h"

namespace web {

QString statusText(const ServeStatus &status)
{
    if (!status.enabled)
        return QStringLiteral("Off");
    if (status.serving) {
        const bool ipv6 = status.host.contains(QLatin1Char(':'));
        const QString host = ipv6 ? QLatin1Char('[') + status.host + QLatin1Char(']') : status.host;
        return QStringLiteral("Serving http://%1:%2/").arg(host).arg(status.port);
    }
    const QString why
        = listenFailureWords(status.error == ServeStatus::AccessDenied, status.reason);
    return QStringLiteral("Not serving on port %1: %2").arg(status.port).arg(why);
}

QString statusHint(const ServeStatus &status)
{
    if (!status.enabled || status.serving)
        return QString();
    switch (status.error) {
    case ServeStatus::AccessDenied:
#ifdef Q_OS_UNIX
        return QStringLiteral("Ports below 1024 need privileges: choose a port from 1024 up.");
#else
        return QStringLiteral("Choose another port.");
#endif
    case ServeStatus::AddressInUse:
        return QStringLiteral("Another program is using this port; it is tried again every %1 s.")
            .arg(ServeRetryMs / 1000);
    case ServeStatus::AddressNotAvailable:
        return QStringLiteral("The bind address is not one of this machine's: leave it empty "
                              "to serve on every interface.");
    default:
        return QString();
    }
}

} // namespace web

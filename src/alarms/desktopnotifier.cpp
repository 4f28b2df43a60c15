#include "desktopnotifier.h"

#ifdef SKYQUILL_HAVE_DBUS
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>
#include <QStringList>
#include <QVariantMap>

namespace alarms {

DBusNotifier::DBusNotifier(const QDBusConnection &connection, QObject *parent)
    : QObject(parent)
    , bus(connection)
{
}

void DBusNotifier::show(const QString &summary, const QString &body)
{
    QDBusMessage call
        = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // App name, no notification to replace, the installed icon, no actions,
    // the urgency hint "critical" so that it stays until it is read, and the
    // server's own expiry.
    call << QStringLiteral("Skyquill") << 0u << QStringLiteral("example.quorin.Skyquill") << summary
         << body << QStringList()
         << QVariantMap { { QStringLiteral("urgency"), QVariant::fromValue(uchar(2)) } } << -1;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError() && !failureLogged) {
            failureLogged = true;
            qInfo().noquote() << QStringLiteral("Alarms: no desktop notification (%1)")
                                     .arg(reply.error().message());
        }
        w->deleteLater();
    });
}

} // namespace alarms
#endif

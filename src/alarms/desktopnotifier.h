#pragma once

#include <QObject>
#include <QString>

#ifdef SKYQUILL_HAVE_DBUS
#include <QDBusConnection>
#endif

namespace alarms {

// A notification on the desktop the console's window is on. The app gives
// the alarms one only when there is a window; tests give a fake.
class DesktopNotifier
{
public:
    virtual ~DesktopNotifier() = default;
    virtual void show(const QString &summary, const QString &body) = 0;
};

#ifdef SKYQUILL_HAVE_DBUS
// The freedesktop notification service (org.freedesktop.Notifications) on
// the session bus, which every Linux desktop runs. The call does not wait for
// the answer; a desktop without the service is logged once.
class DBusNotifier : public QObject, public DesktopNotifier
{
    Q_OBJECT

public:
    explicit DBusNotifier(
        const QDBusConnection &bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);
    void show(const QString &summary, const QString &body) override;

private:
    QDBusConnection bus;
    bool failureLogged = false;
};
#endif

} // namespace alarms

#pragma once

#include "alarms/desktopnotifier.h"

#include <QSystemTrayIcon>

// Alarm notifications where there is no freedesktop notification service to
// ask (Windows): a balloon from an icon in the system tray, which appears
// with the first notification and stays, so that a click can bring it back.
class TrayNotifier : public alarms::DesktopNotifier
{
public:
    TrayNotifier();
    void show(const QString &summary, const QString &body) override;

private:
    QSystemTrayIcon tray;
};

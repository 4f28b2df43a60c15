#include "traynotifier.h"

#include <QDebug>
#include <QPainter>
#include <QPixmap>

TrayNotifier::TrayNotifier()
{
    // A red disc: the console's own sign of an alarm, drawn here.
    QPixmap disc(32, 32);
    disc.fill(Qt::transparent);
    QPainter painter(&disc);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0xFF, 0x99, 0x99));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(2, 2, 28, 28);
    painter.end();
    tray.setIcon(QIcon(disc));
    tray.setToolTip(QStringLiteral("Skyquill alarms"));
}

void TrayNotifier::show(const QString &summary, const QString &body)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        qInfo().noquote() << "No system tray for the alarm notification:" << summary;
        return;
    }
    tray.show();
    tray.showMessage(summary, body, QSystemTrayIcon::Warning);
}

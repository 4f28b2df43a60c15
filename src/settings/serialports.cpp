#include "serialports.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

QString serialDevicePath(const QString &portName)
{
#ifdef Q_OS_WIN
    // The \\.\ prefix reaches COM10 and above, which the short names cannot.
    return QStringLiteral("\\\\.\\") + portName;
#else
    if (portName.startsWith(QLatin1Char('/')))
        return portName;
    return QStringLiteral("/dev/") + portName;
#endif
}

namespace serialports {

QString defaultByIdFolder()
{
    return QStringLiteral("/dev/serial/by-id");
}

QHash<QString, QString> byIdAliases(const QString &folder)
{
    QHash<QString, QString> aliases;
    // System: the links lead to device nodes, and broken ones are listed too.
    const QFileInfoList links = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        if (!link.isSymLink())
            continue;
        const QString target = link.canonicalFilePath();
        if (target.isEmpty() || aliases.contains(target))
            continue;
        aliases.insert(target, link.absoluteFilePath());
    }
    return aliases;
}

void attachByIdAliases(QList<SerialPortEntry> &entries, const QString &folder)
{
    const QHash<QString, QString> aliases = byIdAliases(folder);
    for (SerialPortEntry &entry : entries) {
        const QString canonical = QFileInfo(entry.systemLocation).canonicalFilePath();
        entry.byIdAlias = aliases.value(canonical.isEmpty() ? entry.systemLocation : canonical);
    }
}

QList<SerialPortEntry> scan(const QString &byIdFolder)
{
    QList<SerialPortEntry> entries;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        SerialPortEntry entry;
        entry.portName = info.portName();
        entry.systemLocation = info.systemLocation();
        entry.description = info.description();
        entry.hasVendorId = info.hasVendorIdentifier();
        entry.vendorId = entry.hasVendorId ? info.vendorIdentifier() : 0;
        entries.append(entry);
    }
    attachByIdAliases(entries, byIdFolder);
    return entries;
}

FirstRunChoice chooseFirstRunPort(const QList<SerialPortEntry> &ports)
{
    const QString fallback = QStringLiteral("COM1");
    QList<SerialPortEntry> usb;
    for (const SerialPortEntry &port : ports) {
        if (port.hasVendorId)
            usb.append(port);
    }
    if (usb.size() == 1) {
        const SerialPortEntry &only = usb.first();
        if (!only.byIdAlias.isEmpty())
            return { only.byIdAlias,
                QStringLiteral("the only USB serial port, %1, by its stable name")
                    .arg(only.portName) };
        return { only.portName, QStringLiteral("the only USB serial port") };
    }
    if (usb.size() > 1)
        return { fallback,
            QStringLiteral("%1 USB serial ports found; choose one on the Modbus page")
                .arg(usb.size()) };
    if (!ports.isEmpty())
        return { fallback, QStringLiteral("no USB serial port found, only built-in ones") };
    return { fallback, QStringLiteral("no serial port found") };
}

bool portExists(const QString &portName, const QStringList &listed)
{
    if (portName.isEmpty())
        return false;
    if (listed.contains(portName))
        return true;
#ifdef Q_OS_WIN
    // A COM port has no file to look at; the scan knows every one there is.
    return false;
#else
    // Follows links: one whose device is gone does not exist.
    return QFileInfo::exists(serialDevicePath(portName));
#endif
}

} // namespace serialports

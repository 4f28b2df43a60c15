#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// One serial port as the system reports it.
struct SerialPortEntry
{
    QString portName; // "ttyUSB0", "COM3": what the settings store
    QString systemLocation; // "/dev/ttyUSB0"
    QString description;
    bool hasVendorId = false; // USB adapters have one, built-in UARTs do not
    quint16 vendorId = 0;
    // Its name under /dev/serial/by-id, which survives a replug; empty when none.
    QString byIdAlias;
};

using SerialPortScanner = std::function<QList<SerialPortEntry>()>;

// The device path for a configured port name: on POSIX a name without a
// leading "/" lives in /dev; an absolute path is used as given.
QString serialDevicePath(const QString &portName);

namespace serialports {

// Where udev keeps the stable names of USB serial devices.
QString defaultByIdFolder();

// Maps the resolved target of every link in `folder` to the link's path; the
// first link by name wins when several lead to one device.
QHash<QString, QString> byIdAliases(const QString &folder);

// Fills in byIdAlias for each entry whose device a link in `folder` leads to.
void attachByIdAliases(QList<SerialPortEntry> &entries, const QString &folder);

// The ports the system reports now, with their by-id names.
QList<SerialPortEntry> scan(const QString &byIdFolder = defaultByIdFolder());

struct FirstRunChoice
{
    QString port;
    QString reason; // for the log
};

// What a first start on a non-Windows system stores as its serial port: the
// only USB adapter when there is exactly one (by its by-id name if it has
// one), else "COM1" as on Windows, so the user picks.
FirstRunChoice chooseFirstRunPort(const QList<SerialPortEntry> &ports);

// Whether a stored port is there to open: one the scan `listed`, or, outside
// Windows, any device path that exists, such as a pseudo-terminal or a link
// the scan does not know.
bool portExists(const QString &portName, const QStringList &listed);

} // namespace serialports

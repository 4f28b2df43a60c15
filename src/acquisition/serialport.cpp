#include "serialport.h"

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

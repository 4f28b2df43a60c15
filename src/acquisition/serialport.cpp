#include "serialport.h"

#include "stationlink.h"

QString serialOpenAdvice(const SerialOpenError &error)
{
    switch (error.kind) {
    case SerialOpenError::None:
        return QString();
    case SerialOpenError::NotFound:
        return QStringLiteral("This port does not exist.");
    case SerialOpenError::PermissionDenied:
        return QStringLiteral("Permission denied: add your user to the dialout group.");
    case SerialOpenError::InUse:
        return QStringLiteral("The port is in use by another program.");
    case SerialOpenError::NotSerial:
        return QStringLiteral("This is not a serial port.");
    case SerialOpenError::Other:
        break;
    }
    return asSentence(error.systemText);
}

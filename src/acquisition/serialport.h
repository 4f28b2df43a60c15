#pragma once

#include "settings/serialports.h"

#include <QString>

// Why a port could not be opened, in terms the user can act on.
struct SerialOpenError
{
    enum Kind
    {
        None,
        NotFound,
        PermissionDenied,
        InUse,
        NotSerial,
        Other // `systemText` says why
    };
    Kind kind = None;
    QString systemText;
};

// The serial port operations the RTU master needs. Reads and writes never
// block; `nap` pauses the caller up to the given time and may return early
// once input is waiting. One implementation per platform.
class SerialPort
{
public:
    virtual ~SerialPort() = default;

    // Exclusive read/write access to the device at `path`.
    virtual bool open(const QString &path) = 0;
    // Why the last open() failed; kind None after one that succeeded.
    virtual SerialOpenError openError() const = 0;
    virtual bool readParameters() = 0;
    // Every read returns at once with what has arrived, possibly nothing.
    virtual void setTimeouts() = 0;
    // 8 data bits, no parity, one stop bit at `baudRate`; false when refused.
    virtual bool writeParameters(int baudRate) = 0;
    // Up to `maximum` bytes already received; 0 when none, -1 on error.
    virtual int read(quint8 *buffer, int maximum) = 0;
    virtual int write(const quint8 *data, int length) = 0;
    virtual void nap(int milliseconds) = 0;
    virtual void close() = 0;

    virtual bool isOpen() const = 0;
    // True once the device reported it is gone (unplugged, hung up).
    virtual bool isGone() const = 0;
};

// The sentence the error dialog adds under "Failed to open port ...": what is
// wrong and, where it is plain, what to do. Empty for kind None.
QString serialOpenAdvice(const SerialOpenError &error);

#pragma once

#include "serialport.h"

#ifdef Q_OS_WIN

#include <qt_windows.h>

// A COM port through the Win32 communications API, the station's original
// platform. Reads return at once (MAXDWORD interval time-out); naps sleep.
class WinSerialPort : public SerialPort
{
public:
    WinSerialPort() = default;
    ~WinSerialPort() override;
    WinSerialPort(const WinSerialPort &) = delete;
    WinSerialPort &operator=(const WinSerialPort &) = delete;

    bool open(const QString &path) override;
    bool readParameters() override;
    void setTimeouts() override;
    bool writeParameters(int baudRate) override;
    int read(quint8 *buffer, int maximum) override;
    int write(const quint8 *data, int length) override;
    void nap(int milliseconds) override;
    void close() override;

    bool isOpen() const override { return handle != INVALID_HANDLE_VALUE; }
    bool isGone() const override { return gone; }

private:
    HANDLE handle = INVALID_HANDLE_VALUE;
    DCB parameters {};
    bool gone = false;
};

#endif // Q_OS_WIN

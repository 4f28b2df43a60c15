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
    SerialOpenError openError() const override { return lastOpenError; }
    bool readParameters() override;
    void setTimeouts() override;
    bool writeParameters(int baudRate) override;
    int read(quint8 *buffer, int maximum) override;
    int write(const quint8 *data, int length) override;
    void nap(int milliseconds) override;
    void close() override;

    bool isOpen() const override { return handle != INVALID_HANDLE_VALUE; }
    bool isGone() const override { return gone; }

    // What a CreateFile error means to the user.
    static SerialOpenError errorFor(DWORD error);

private:
    HANDLE handle = INVALID_HANDLE_VALUE;
    DCB parameters {};
    bool gone = false;
    SerialOpenError lastOpenError;
};

#endif // Q_OS_WIN

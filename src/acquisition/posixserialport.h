#pragma once

#include "serialport.h"

#ifdef Q_OS_UNIX

#include <termios.h>

// A tty device (a USB adapter, an on-board UART or a pseudo-terminal) behind the
// non-blocking port operations of the RTU master.
class PosixSerialPort : public SerialPort
{
public:
    PosixSerialPort() = default;
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort &) = delete;
    PosixSerialPort &operator=(const PosixSerialPort &) = delete;

    bool open(const QString &path) override;
    SerialOpenError openError() const override { return lastOpenError; }
    bool readParameters() override;
    void setTimeouts() override;
    bool writeParameters(int baudRate) override;
    int read(quint8 *buffer, int maximum) override;
    int write(const quint8 *data, int length) override;
    void nap(int milliseconds) override;
    void close() override;

    bool isOpen() const override { return fd >= 0; }
    bool isGone() const override { return gone; }

    // The termios speed constant for a baud rate, or B0 when the platform has none.
    static speed_t speedFor(int baudRate);
    // What an errno from opening and claiming a port means to the user.
    static SerialOpenError errorFor(int error);

private:
    bool hungUp();

    int fd = -1;
    bool gone = false;
    bool haveParameters = false;
    termios parameters {};
    SerialOpenError lastOpenError;
};

#endif // Q_OS_UNIX

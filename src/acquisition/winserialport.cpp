#include "winserialport.h"

#ifdef Q_OS_WIN

WinSerialPort::~WinSerialPort()
{
    close();
}

bool WinSerialPort::open(const QString &path)
{
    close();
    gone = false;
    lastOpenError = SerialOpenError();
    handle = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()),
        GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        lastOpenError = errorFor(GetLastError());
    return handle != INVALID_HANDLE_VALUE;
}

SerialOpenError WinSerialPort::errorFor(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return { SerialOpenError::NotFound, QString() };
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        // COM ports are opened exclusively: a denied open means another program has it.
        return { SerialOpenError::InUse, QString() };
    default: {
        wchar_t *text = nullptr;
        const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER
                | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
        QString reason = length ? QString::fromWCharArray(text, int(length)).trimmed()
                                : QStringLiteral("Windows error %1").arg(error);
        if (text)
            LocalFree(text);
        return { SerialOpenError::Other, reason };
    }
    }
}

bool WinSerialPort::readParameters()
{
    parameters = DCB {};
    parameters.DCBlength = sizeof(DCB);
    return GetCommState(handle, &parameters) != 0;
}

void WinSerialPort::setTimeouts()
{
    COMMTIMEOUTS timeouts {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    SetCommTimeouts(handle, &timeouts);
}

bool WinSerialPort::writeParameters(int baudRate)
{
    DCB wanted = parameters;
    wanted.BaudRate = DWORD(baudRate);
    wanted.ByteSize = 8;
    wanted.Parity = NOPARITY;
    wanted.StopBits = ONESTOPBIT;
    // Modbus frames are binary: a flow control left on by another program
    // would swallow bytes, and abort-on-error would stop every read after
    // one line error until someone cleared it. The POSIX port does the same.
    wanted.fBinary = TRUE;
    wanted.fParity = FALSE;
    wanted.fOutxCtsFlow = wanted.fOutxDsrFlow = wanted.fDsrSensitivity = FALSE;
    wanted.fOutX = wanted.fInX = FALSE;
    wanted.fErrorChar = wanted.fNull = wanted.fAbortOnError = FALSE;
    if (wanted.fRtsControl == RTS_CONTROL_HANDSHAKE)
        wanted.fRtsControl = RTS_CONTROL_ENABLE;
    if (wanted.fDtrControl == DTR_CONTROL_HANDSHAKE)
        wanted.fDtrControl = DTR_CONTROL_ENABLE;
    if (!SetCommState(handle, &wanted))
        return false;
    // A driver may keep what it cannot do: read back what it took.
    DCB actual {};
    actual.DCBlength = sizeof(DCB);
    if (!GetCommState(handle, &actual) || actual.BaudRate != wanted.BaudRate || actual.ByteSize != 8
        || actual.Parity != NOPARITY || actual.StopBits != ONESTOPBIT)
        return false;
    parameters = actual;
    return true;
}

int WinSerialPort::read(quint8 *buffer, int maximum)
{
    DWORD received = 0;
    if (!ReadFile(handle, buffer, DWORD(maximum), &received, nullptr)) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_BAD_COMMAND
            || error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_OPERATION_ABORTED)
            gone = true; // the USB adapter was pulled
        return -1;
    }
    return int(received);
}

int WinSerialPort::write(const quint8 *data, int length)
{
    DWORD written = 0;
    if (!WriteFile(handle, data, DWORD(length), &written, nullptr))
        return -1;
    return int(written);
}

void WinSerialPort::nap(int milliseconds)
{
    Sleep(DWORD(milliseconds));
}

void WinSerialPort::close()
{
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
}

#endif // Q_OS_WIN

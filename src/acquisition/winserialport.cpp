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
    parameters.BaudRate = DWORD(baudRate);
    parameters.ByteSize = 8;
    parameters.Parity = NOPARITY;
    parameters.StopBits = ONESTOPBIT;
    return SetCommState(handle, &parameters) != 0;
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

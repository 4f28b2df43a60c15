#pragma once

#include "modbusprotocol.h"

#include <QElapsedTimer>
#include <QString>

#include <atomic>
#include <functional>

class RegisterImage;
class SerialPort;

// Modbus RTU master: opens the station's serial port and runs read-holding-
// register transactions on it, copying good replies into the register image.
// Used only from the acquisition thread.
class RtuMaster
{
public:
    enum OpenResult
    {
        Ok,
        OpenFailed,
        GetParamsFailed,
        SetParamsFailed
    };

    static constexpr int ReceiveAttempts = 18;
    static constexpr int NapMilliseconds = 50;
    static constexpr int ReceiveWindowMilliseconds = ReceiveAttempts * NapMilliseconds;

    // Monotonic milliseconds; tests substitute a clock that their fake port drives.
    using Clock = std::function<qint64()>;

    RtuMaster(SerialPort &port, RegisterImage &image);

    // Opens `portName` (a setting value such as "ttyUSB0" or "COM5") at 8N1 and
    // `baudRate`, logging each step. A failure after the open closes the port.
    OpenResult openPort(const QString &portName, int baudRate);
    void closePort();

    // One transaction: the register count on success, otherwise a negative
    // modbus::Result. `destination` (may be null) receives `count` words.
    int readRegisters(
        quint8 unit, quint8 function, int firstRegister, int count, quint16 *destination);

    // When set and raised, a transaction gives up (-1) after its current nap so
    // that a stop or restart is not held up by a silent station.
    void setAbortFlag(const std::atomic<bool> *flag) { abortFlag = flag; }
    void setClock(Clock source) { clock = std::move(source); }

private:
    qint64 now() const;
    bool aborted() const { return abortFlag && abortFlag->load(); }

    SerialPort &port;
    RegisterImage &image;
    const std::atomic<bool> *abortFlag = nullptr;
    Clock clock;
    QElapsedTimer monotonic;
    quint8 request[modbus::RtuRequestSize] {};
    // Serves the discard read and the reply; the longest reply is 205 bytes.
    quint8 reply[modbus::MaxRtuFrame] {};
};

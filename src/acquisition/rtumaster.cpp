#include "rtumaster.h"

#include "heartbeat.h"
#include "registerimage.h"
#include "serialport.h"

#include <QDebug>

RtuMaster::RtuMaster(SerialPort &device, RegisterImage &registers)
    : port(device)
    , image(registers)
{
    monotonic.start();
}

RtuMaster::OpenResult RtuMaster::openPort(const QString &portName, int baudRate)
{
    const QString path = serialDevicePath(portName);
    qDebug() << "Device: " << path;
    if (!port.open(path)) {
        qDebug() << "QModbus: Failed to open serial port";
        return OpenFailed;
    }
    qDebug() << "QModbus: Opened serial port " << portName.toLatin1() << " Sucessfully!";
    if (!port.readParameters()) {
        qDebug() << "QModbus: Failed to get com port paramters";
        port.close();
        return GetParamsFailed;
    }
    port.setTimeouts();
    qDebug() << "QModbus: Serial port setup and ready for use";
    if (!port.writeParameters(baudRate)) {
        qDebug() << "QModbus: Failed to set new com port paramters";
        port.close();
        return SetParamsFailed;
    }
    return Ok;
}

void RtuMaster::closePort()
{
    port.close();
}

qint64 RtuMaster::now() const
{
    if (clock)
        return clock();
    return monotonic.elapsed();
}

int RtuMaster::readRegisters(
    quint8 unit, quint8 function, int firstRegister, int count, quint16 *destination)
{
    const int expected = modbus::rtuReplyLength(count);
    if (count < 1 || expected > modbus::MaxRtuFrame || firstRegister < 1 || firstRegister > 0x10000)
        return modbus::NotOpenOrSilent;

    // Whatever a late reply left behind would otherwise be taken as this reply's start.
    port.read(reply, modbus::MaxRtuFrame);

    modbus::buildRtuReadRequest(request, unit, function, firstRegister, count);
    if (!port.isOpen())
        return modbus::NotOpenOrSilent;
    port.write(request, modbus::RtuRequestSize);

    // Naps end early when bytes arrive, so the window is kept by the clock. The
    // nap budget (a full nap per attempt plus one early wake per byte) only
    // matters should the clock stand still or the port wake without data.
    const qint64 start = now();
    const int napBudget = ReceiveAttempts + expected;
    int received = 0;
    int naps = 0;
    for (;;) {
        const int n = port.read(reply + received, expected - received);
        if (n < 0)
            break; // a read error counts as silence from here on
        received = qMin(received + n, expected);
        if (received == expected)
            break;
        const qint64 left = ReceiveWindowMilliseconds - (now() - start);
        if (left <= 0 || naps == napBudget)
            break;
        heartbeat::beat();
        port.nap(int(qMin<qint64>(NapMilliseconds, left)));
        ++naps;
        if (aborted())
            return modbus::NotOpenOrSilent;
    }

    const int result = modbus::checkRtuReply(reply, received, unit, function, count);
    if (result != count)
        return result;

    image.store(firstRegister, reply + 3, count);
    if (destination) {
        for (int i = 0; i < count; ++i)
            destination[i] = quint16(reply[3 + 2 * i] * 256 + reply[4 + 2 * i]);
    }
    return count;
}

#include "rtulink.h"

#include "settings/syssettings.h"

#ifdef Q_OS_WIN
#include "winserialport.h"
#else
#include "posixserialport.h"
#endif

namespace {

std::unique_ptr<SerialPort> createPlatformSerialPort()
{
#ifdef Q_OS_WIN
    return std::make_unique<WinSerialPort>();
#else
    return std::make_unique<PosixSerialPort>();
#endif
}

} // namespace

RtuLink::RtuLink(RegisterImage &image, const std::atomic<bool> *abortFlag)
    : port(createPlatformSerialPort())
    , master(*port, image)
{
    master.setAbortFlag(abortFlag);
}

RtuLink::~RtuLink()
{
    close();
}

bool RtuLink::open(const SysSettings &settings)
{
    const int baudRate = settings.baudRate();
    switch (master.openPort(settings.getSerialPort(), baudRate)) {
    case RtuMaster::Ok:
        failure.clear();
        return true;
    case RtuMaster::OpenFailed:
        failure = serialOpenAdvice(port->openError());
        break;
    case RtuMaster::GetParamsFailed:
        failure = QStringLiteral("The port's settings cannot be read.");
        break;
    case RtuMaster::SetParamsFailed:
        failure
            = QStringLiteral("The port does not take %1 baud, 8 data bits, no parity, 1 stop bit.")
                  .arg(baudRate);
        break;
    }
    return false;
}

int RtuLink::readRegisters(
    quint8 unit, quint8 function, int firstRegister, int count, quint16 *destination)
{
    return master.readRegisters(unit, function, firstRegister, count, destination);
}

void RtuLink::close()
{
    master.closePort();
}

bool RtuLink::isLost() const
{
    return port->isGone();
}

#include "stationserver.h"

#include "acquisition/modbusprotocol.h"

#include <QStringList>

namespace station {

namespace {

struct FaultName
{
    Fault fault;
    const char *name;
};

constexpr FaultName faultTable[] = {
    { Fault::None, "none" },
    { Fault::Silence, "silence" },
    { Fault::Late, "late" },
    { Fault::BadCrc, "badcrc" },
    { Fault::WrongUnit, "wrongunit" },
    { Fault::Exception, "exception" },
    { Fault::Hangup, "hangup" },
    { Fault::Spike, "spike" },
};

quint16 word(const QByteArray &bytes, int at)
{
    return quint16((quint8(bytes[at]) << 8) | quint8(bytes[at + 1]));
}

QByteArray exceptionPdu(quint8 function, quint8 code)
{
    QByteArray pdu;
    pdu.append(char(function | 0x80));
    pdu.append(char(code));
    return pdu;
}

// The PDU that answers a read, or an exception PDU. `wellFormed` is false
// when the request PDU has the wrong length for a read.
QByteArray readPdu(quint8 function, int address, int count, bool wellFormed,
    const Registers &registers, Fault fault)
{
    if (fault == Fault::Exception)
        return exceptionPdu(function, DeviceFailure);
    if (function != ReadHoldingRegisters && function != ReadInputRegisters)
        return exceptionPdu(function, IllegalFunction);
    if (!wellFormed || count < 1 || count > MaxReadCount)
        return exceptionPdu(function, IllegalDataValue);
    if (address + count > HighestRegister)
        return exceptionPdu(function, IllegalDataAddress);

    const Registers served = fault == Fault::Spike ? spiked(registers) : registers;
    QByteArray pdu;
    pdu.reserve(2 + 2 * count);
    pdu.append(char(function));
    pdu.append(char(2 * count));
    for (int i = 0; i < count; ++i) {
        const quint16 value = served.value(address + 1 + i);
        pdu.append(char(value >> 8));
        pdu.append(char(value & 0xFF));
    }
    return pdu;
}

quint16 shifted(quint16 word, int by)
{
    return quint16(qint16(qBound(-32767, int(qint16(word)) + by, 32767)));
}

quint16 crcOf(const QByteArray &bytes)
{
    return modbus::crc16(
        reinterpret_cast<const quint8 *>(bytes.constData()), std::size_t(bytes.size()));
}

} // namespace

bool faultFromName(const QString &name, Fault *fault)
{
    for (const FaultName &entry : faultTable) {
        if (name == QLatin1String(entry.name)) {
            *fault = entry.fault;
            return true;
        }
    }
    return false;
}

QString faultName(Fault fault)
{
    for (const FaultName &entry : faultTable) {
        if (entry.fault == fault)
            return QLatin1String(entry.name);
    }
    return QString();
}

QString faultNames()
{
    QStringList names;
    for (const FaultName &entry : faultTable)
        names << QLatin1String(entry.name);
    return names.join(QLatin1String(", "));
}

quint16 Registers::value(int number) const
{
    if (number >= 101 && number <= 111)
        return status[number - 101];
    if (number >= 201 && number <= 300)
        return data[number - 201];
    return 0;
}

Registers spiked(const Registers &registers)
{
    Registers r = registers;
    quint16 *data = r.data;
    auto at = [data](int reg) -> quint16 & { return data[reg - 201]; };
    at(222) = 600;
    at(202) = 750;
    at(208) = 750;
    at(224) = shifted(at(224), -1000);
    at(251) = shifted(at(251), -1000);
    at(243) = shifted(at(243), 3000);
    at(244) = shifted(at(244), 30000);
    return r;
}

QByteArray rtuReply(const QByteArray &request, const Registers &registers, Fault fault)
{
    if (request.size() != modbus::RtuRequestSize || fault == Fault::Silence)
        return QByteArray();
    const quint16 crc = crcOf(request.left(6));
    if (quint8(request[6]) != (crc & 0xFF) || quint8(request[7]) != (crc >> 8))
        return QByteArray();
    // Only the addressed unit answers on a shared line; broadcasts get no reply.
    if (quint8(request[0]) != UnitId)
        return QByteArray();

    QByteArray reply;
    reply.append(char(fault == Fault::WrongUnit ? WrongUnitId : UnitId));
    reply.append(
        readPdu(quint8(request[1]), word(request, 2), word(request, 4), true, registers, fault));
    quint16 replyCrc = crcOf(reply);
    if (fault == Fault::BadCrc)
        replyCrc ^= 0xFFFF;
    reply.append(char(replyCrc & 0xFF));
    reply.append(char(replyCrc >> 8));
    return reply;
}

QByteArray tcpReply(const QByteArray &request, const Registers &registers, Fault fault)
{
    if (request.size() < modbus::MbapHeaderSize + 1 || fault == Fault::Silence)
        return QByteArray();
    const modbus::MbapHeader header
        = modbus::decodeMbap(reinterpret_cast<const quint8 *>(request.constData()));
    if (header.protocolId != 0 || modbus::mbapFrameSize(header) != request.size())
        return QByteArray();

    const quint8 function = quint8(request[7]);
    QByteArray pdu;
    if (header.unitId != UnitId && fault != Fault::Exception) {
        // Nothing behind this address: answer as a gateway would.
        pdu = exceptionPdu(function, TargetFailedToRespond);
    } else if (request.size() == modbus::TcpRequestSize) {
        pdu = readPdu(function, word(request, 8), word(request, 10), true, registers, fault);
    } else {
        pdu = readPdu(function, 0, 0, false, registers, fault);
    }
    // No CRC to spoil on TCP: a wrong byte count stands for a corrupted frame.
    if (fault == Fault::BadCrc && !(quint8(pdu[0]) & 0x80))
        pdu[1] = char(quint8(pdu[1]) + 1);

    modbus::MbapHeader replyHeader;
    replyHeader.transactionId = header.transactionId;
    replyHeader.protocolId = 0;
    replyHeader.length = quint16(1 + pdu.size());
    replyHeader.unitId = fault == Fault::WrongUnit ? WrongUnitId : header.unitId;
    QByteArray reply(modbus::MbapHeaderSize, '\0');
    modbus::encodeMbap(reinterpret_cast<quint8 *>(reply.data()), replyHeader);
    reply.append(pdu);
    return reply;
}

bool RtuFramer::takeRequest(QByteArray *request)
{
    while (buffer.size() >= modbus::RtuRequestSize) {
        const quint16 crc = crcOf(buffer.left(6));
        if (quint8(buffer[6]) == (crc & 0xFF) && quint8(buffer[7]) == (crc >> 8)) {
            *request = buffer.left(modbus::RtuRequestSize);
            buffer.remove(0, modbus::RtuRequestSize);
            return true;
        }
        buffer.remove(0, 1);
        ++dropped;
    }
    return false;
}

TcpFramer::Status TcpFramer::takeRequest(QByteArray *request)
{
    if (buffer.size() < modbus::MbapHeaderSize)
        return Incomplete;
    const modbus::MbapHeader header
        = modbus::decodeMbap(reinterpret_cast<const quint8 *>(buffer.constData()));
    if (!modbus::mbapFramable(header))
        return Invalid;
    const int size = modbus::mbapFrameSize(header);
    if (buffer.size() < size)
        return Incomplete;
    *request = buffer.left(size);
    buffer.remove(0, size);
    return Complete;
}

} // namespace station

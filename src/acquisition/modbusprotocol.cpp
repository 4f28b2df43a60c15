#include "modbusprotocol.h"

#include <QDebug>
#include <QString>

namespace modbus {

CrcTable buildCrcTable()
{
    CrcTable table {};
    for (int i = 0; i < 256; ++i) {
        quint16 crc = 0;
        quint16 c = quint16(i);
        for (int bit = 0; bit < 8; ++bit) {
            if ((crc ^ c) & 0x0001)
                crc = quint16((crc >> 1) ^ 0xA001);
            else
                crc = quint16(crc >> 1);
            c = quint16(c >> 1);
        }
        table[std::size_t(i)] = crc;
    }
    return table;
}

const CrcTable &crcTable()
{
    // Built on first use; thread-safe under C++11 static initialisation.
    static const CrcTable table = buildCrcTable();
    return table;
}

quint16 crc16(const quint8 *data, std::size_t length, const CrcTable &table)
{
    quint16 crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i)
        crc = quint16((crc >> 8) ^ table[(crc ^ data[i]) & 0xFF]);
    return crc;
}

void buildRtuReadRequest(quint8 out[RtuRequestSize], quint8 unit, quint8 function,
    int firstRegister, int count, const CrcTable &table)
{
    const quint16 address = quint16(firstRegister - 1);
    out[0] = unit;
    out[1] = function;
    out[2] = quint8(address >> 8);
    out[3] = quint8(address & 0xFF);
    out[4] = quint8((count >> 8) & 0xFF);
    out[5] = quint8(count & 0xFF);
    const quint16 crc = crc16(out, 6, table);
    out[6] = quint8(crc & 0xFF);
    out[7] = quint8(crc >> 8);
}

const char *resultText(int result)
{
    switch (result) {
    case NotOpenOrSilent:
        return "no reply";
    case BadCrc:
        return "a reply with a bad CRC, or cut short";
    case WrongUnit:
        return "a reply from another unit";
    case WrongFunction:
        return "an exception reply";
    case WrongByteCount:
        return "a reply of the wrong length";
    default:
        return "a short or malformed reply";
    }
}

int checkRtuReply(const quint8 *reply, int received, quint8 unit, quint8 function, int count,
    const CrcTable &table)
{
    if (received <= 0)
        return NotOpenOrSilent;
    const int length = rtuReplyLength(count);
    // A reply shorter than expected cannot carry a valid CRC at the expected place.
    if (received < length || length > MaxRtuFrame)
        return BadCrc;
    const quint16 crc = crc16(reply, std::size_t(length - 2), table);
    if (reply[length - 2] != quint8(crc & 0xFF) || reply[length - 1] != quint8(crc >> 8))
        return BadCrc;
    if (reply[0] != unit)
        return WrongUnit;
    if (reply[1] != function)
        return WrongFunction;
    if (reply[2] != quint8(2 * count))
        return WrongByteCount;
    return count;
}

void encodeMbap(quint8 out[MbapHeaderSize], const MbapHeader &header)
{
    out[0] = quint8(header.transactionId >> 8);
    out[1] = quint8(header.transactionId & 0xFF);
    out[2] = quint8(header.protocolId >> 8);
    out[3] = quint8(header.protocolId & 0xFF);
    out[4] = quint8(header.length >> 8);
    out[5] = quint8(header.length & 0xFF);
    out[6] = header.unitId;
}

MbapHeader decodeMbap(const quint8 in[MbapHeaderSize])
{
    MbapHeader header;
    header.transactionId = quint16((in[0] << 8) | in[1]);
    header.protocolId = quint16((in[2] << 8) | in[3]);
    header.length = quint16((in[4] << 8) | in[5]);
    header.unitId = in[6];
    return header;
}

void encodeTcpReadRequest(quint8 out[TcpRequestSize], const TcpReadRequest &request)
{
    encodeMbap(out, request.header);
    out[7] = request.function;
    out[8] = quint8(request.startAddress >> 8);
    out[9] = quint8(request.startAddress & 0xFF);
    out[10] = quint8(request.quantity >> 8);
    out[11] = quint8(request.quantity & 0xFF);
}

TcpReadRequest decodeTcpReadRequest(const quint8 in[TcpRequestSize])
{
    TcpReadRequest request;
    request.header = decodeMbap(in);
    request.function = in[7];
    request.startAddress = quint16((in[8] << 8) | in[9]);
    request.quantity = quint16((in[10] << 8) | in[11]);
    return request;
}

void logTcpRequest(const TcpReadRequest &request)
{
    qDebug() << "Modbus TCP header: ";
    qDebug() << "Transaction id: " << request.header.transactionId;
    qDebug() << "Protocol id: " << request.header.protocolId;
    qDebug() << "Length: " << request.header.length;
    qDebug() << "Unit id: " << int(request.header.unitId);
    qDebug() << "Function code: " << int(request.function);
    qDebug() << "Start address: " << QString::number(request.startAddress, 16);
    qDebug() << "Quantity: " << request.quantity;
}

} // namespace modbus

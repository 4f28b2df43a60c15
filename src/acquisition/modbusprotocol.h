#pragma once

#include <QtGlobal>

#include <array>
#include <cstddef>

// Modbus framing shared by the RTU master, the TCP master, the gateway server
// and the station simulator: CRC-16, the RTU request and reply checks, and the
// MBAP header of Modbus TCP. Pure functions over caller-owned buffers; nothing
// here allocates. Register numbers count from 1; the wire address is number - 1.
namespace modbus {

using CrcTable = std::array<quint16, 256>;

// Entry i: CRC of the single byte i, reflected polynomial 0xA001, start 0.
CrcTable buildCrcTable();
const CrcTable &crcTable();

// Start 0xFFFF, table-driven, no final XOR. Low byte goes first on the wire.
quint16 crc16(const quint8 *data, std::size_t length, const CrcTable &table = crcTable());

constexpr int RtuRequestSize = 8;
constexpr int MaxRtuFrame = 256;

// Read request: unit, function, wire start address, count, CRC low, CRC high.
void buildRtuReadRequest(quint8 out[RtuRequestSize], quint8 unit, quint8 function,
    int firstRegister, int count, const CrcTable &table = crcTable());

// Expected length of a normal read reply: unit, function, byte count, data, CRC.
constexpr int rtuReplyLength(int count)
{
    return 2 * count + 5;
}

// Result codes of a read transaction (a success returns the register count).
enum Result : int
{
    NotOpenOrSilent = -1,
    BadCrc = -5,
    WrongUnit = -6,
    WrongFunction = -7,
    WrongByteCount = -8,
};

// What went wrong, for a log line: "no reply", "a reply with a bad CRC", ...
// for a result code above (0: a short or malformed reply).
const char *resultText(int result);

// Checks a received RTU reply of `received` bytes against the request: the
// count on success, else -1 (nothing received), -5, -6, -7 or -8, in that
// order of checks. The CRC is checked over the full expected length, so a
// short or exception reply fails with -5.
int checkRtuReply(const quint8 *reply, int received, quint8 unit, quint8 function, int count,
    const CrcTable &table = crcTable());

constexpr int MbapHeaderSize = 7;
constexpr int TcpRequestSize = 12;
// Largest MBAP length field a frame may carry (unit id + a 253-byte PDU).
constexpr int MaxMbapLength = 254;
constexpr int MinMbapLength = 2;

struct MbapHeader
{
    quint16 transactionId = 0;
    quint16 protocolId = 0;
    quint16 length = 0; // bytes that follow the length field, unit id included
    quint8 unitId = 0;
};

void encodeMbap(quint8 out[MbapHeaderSize], const MbapHeader &header);
MbapHeader decodeMbap(const quint8 in[MbapHeaderSize]);

// The 12-byte read request: MBAP header, function, start address, quantity.
struct TcpReadRequest
{
    MbapHeader header;
    quint8 function = 0;
    quint16 startAddress = 0; // wire address (register number - 1)
    quint16 quantity = 0;
};

void encodeTcpReadRequest(quint8 out[TcpRequestSize], const TcpReadRequest &request);
TcpReadRequest decodeTcpReadRequest(const quint8 in[TcpRequestSize]);

// Bytes a complete frame occupies given its header (6 + length field).
constexpr int mbapFrameSize(const MbapHeader &header)
{
    return 6 + header.length;
}

// Whether a byte stream can be cut into frames by this header: protocol 0 and
// a length field from 2 to 254.
constexpr bool mbapFramable(const MbapHeader &header)
{
    return header.protocolId == 0 && header.length >= MinMbapLength
        && header.length <= MaxMbapLength;
}

// The eight-line dump of a read request that both the TCP master and the
// gateway write to the debug log.
void logTcpRequest(const TcpReadRequest &request);

} // namespace modbus

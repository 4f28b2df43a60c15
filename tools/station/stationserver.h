#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The simulator's Modbus server side without any socket: request bytes in,
// reply bytes out, plus the framers that cut requests out of a byte stream.
// The transport (pseudo-terminal, serial device, TCP) lives in StationHost.
namespace station {

constexpr quint8 UnitId = 1;
constexpr quint8 ReadHoldingRegisters = 3;
constexpr quint8 ReadInputRegisters = 4;
constexpr int HighestRegister = 300;
constexpr int MaxReadCount = 125;

constexpr quint8 IllegalFunction = 1;
constexpr quint8 IllegalDataAddress = 2;
constexpr quint8 IllegalDataValue = 3;
constexpr quint8 DeviceFailure = 4;
constexpr quint8 TargetFailedToRespond = 0x0B;

// Test faults. Late and Hangup leave the reply bytes alone: the transport
// delays the reply or drops the link instead. Spike answers from spiked()
// registers; the transport lets one sample in SpikeEvery through with it.
enum class Fault
{
    None,
    Silence,
    Late,
    BadCrc,
    WrongUnit,
    Exception,
    Hangup,
    Spike
};

constexpr int LateReplyMs = 1200;
constexpr quint8 WrongUnitId = 2;

bool faultFromName(const QString &name, Fault *fault);
QString faultName(Fault fault);
QString faultNames(); // for the help text

// The registers the station serves: 101-111 and 201-300, in host order.
struct Registers
{
    quint16 status[11] = {};
    quint16 data[100] = {};

    // Any other register from 1 to 300 reads as 0.
    quint16 value(int number) const;
};

constexpr int SpikeEvery = 1000;

// One bad sample, as a loose connector or a corrupted frame the CRC missed
// would give: 60 °C, wind and gust at 75 m/s, both pressures 100 hPa low,
// 30 more units of rain today and 300 units/h more rain rate. Each stays
// inside its physical bounds, so only a spike filter can tell.
Registers spiked(const Registers &registers);

// Reply to one RTU request frame (8 bytes with a valid CRC). Empty when the
// frame is malformed, addressed to another unit, or the fault is silence.
QByteArray rtuReply(const QByteArray &request, const Registers &registers, Fault fault);

// Reply to one Modbus TCP request (a whole ADU as the MBAP length field
// delimits it). Empty when the frame is malformed or the fault is silence.
QByteArray tcpReply(const QByteArray &request, const Registers &registers, Fault fault);

// Cuts 8-byte RTU requests out of a serial byte stream. Bytes that do not
// start a frame with a valid CRC are dropped one at a time until it lines up.
class RtuFramer
{
public:
    void append(const QByteArray &bytes) { buffer.append(bytes); }
    bool takeRequest(QByteArray *request);
    int pendingBytes() const { return buffer.size(); }
    int droppedBytes() const { return dropped; }
    void clear() { buffer.clear(); }

private:
    QByteArray buffer;
    int dropped = 0;
};

// Cuts Modbus TCP requests out of a connection's byte stream by the MBAP
// length field. A header that cannot start a frame makes the stream Invalid;
// the connection should then be dropped.
class TcpFramer
{
public:
    enum Status
    {
        Incomplete,
        Complete,
        Invalid
    };

    void append(const QByteArray &bytes) { buffer.append(bytes); }
    Status takeRequest(QByteArray *request);
    int pendingBytes() const { return buffer.size(); }

private:
    QByteArray buffer;
};

} // namespace station

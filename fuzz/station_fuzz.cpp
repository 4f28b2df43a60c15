// libFuzzer target for the console's side of the station link: the bytes a
// station sends in answer to a read, over Modbus TCP (framing by the MBAP
// header, other transactions' frames dropped, the reply checked) or over RTU
// (the master's read loop on a port that hands them over in pieces). The
// first byte picks the link and the read, the second how the bytes are cut.
// Any crash, sanitizer report or broken invariant is a finding.
#include "acquisition/modbusprotocol.h"
#include "acquisition/registerimage.h"
#include "acquisition/rtumaster.h"
#include "acquisition/serialport.h"
#include "acquisition/tcplink.h"
#include "fuzzcheck.h"

#include <QtGlobal>

#include <cstdint>

namespace {

void dropLog(QtMsgType, const QMessageLogContext &, const QString &) { }

// Hands the fuzzer's bytes to the master `chunk` at a time, one piece per read.
class ScriptedPort : public SerialPort
{
public:
    ScriptedPort(const std::uint8_t *data, int size, int chunk)
        : data(data)
        , size(size)
        , chunk(chunk)
    {
    }
    bool open(const QString &) override { return true; }
    SerialOpenError openError() const override { return {}; }
    bool readParameters() override { return true; }
    void setTimeouts() override { }
    bool writeParameters(int) override { return true; }
    int read(quint8 *buffer, int maximum) override
    {
        check(maximum >= 0 && maximum <= modbus::MaxRtuFrame);
        const int n = qMin(qMin(chunk, maximum), size - at);
        for (int i = 0; i < n; ++i)
            buffer[i] = data[at + i];
        at += n;
        return n;
    }
    int write(const quint8 *, int length) override { return length; }
    void nap(int) override { ++naps; }
    void close() override { }
    bool isOpen() const override { return true; }
    bool isGone() const override { return false; }

    int naps = 0;

private:
    const std::uint8_t *data;
    int size;
    int chunk;
    int at = 0;
};

void tcpReplies(const std::uint8_t *data, int size, int chunk, int count)
{
    const quint16 transaction = quint16(data[0] << 8 | data[1]);
    QByteArray buffer;
    for (int at = 2; at < size;) {
        const int n = qMin(chunk, size - at);
        buffer.append(reinterpret_cast<const char *>(data + at), n);
        at += n;
        QByteArray frame;
        const int before = buffer.size();
        const TcpLink::Frame status = TcpLink::takeFrame(buffer, transaction, &frame);
        check(buffer.size() <= before);
        if (status == TcpLink::Frame::Invalid)
            return;
        if (status == TcpLink::Frame::Complete) {
            check(frame.size() >= modbus::MbapHeaderSize);
            const modbus::MbapHeader header
                = modbus::decodeMbap(reinterpret_cast<const quint8 *>(frame.constData()));
            check(header.transactionId == transaction);
            check(frame.size() == modbus::mbapFrameSize(header));
            const int result = TcpLink::checkReply(frame, 3, count);
            check(result != count || frame.size() >= modbus::MbapHeaderSize + 2 + 2 * count);
        }
        // What is left never holds a whole frame of another transaction.
        if (buffer.size() >= modbus::MbapHeaderSize) {
            const modbus::MbapHeader next
                = modbus::decodeMbap(reinterpret_cast<const quint8 *>(buffer.constData()));
            check(!modbus::mbapFramable(next) || buffer.size() < modbus::mbapFrameSize(next)
                || status == TcpLink::Frame::Complete);
        }
    }
}

void rtuReply(const std::uint8_t *data, int size, int chunk, int count)
{
    ScriptedPort port(data, size, chunk);
    RegisterImage image;
    RtuMaster master(port, image);
    // A clock that moves only as the master naps, as a quiet line would.
    master.setClock([&port] { return qint64(port.naps) * RtuMaster::NapMilliseconds; });
    quint16 words[125] = {};
    const int first = count == 11 ? RegisterImage::StatusFirst : RegisterImage::DataFirst;
    const int result = master.readRegisters(1, 3, first, count, words);
    check(result == count || result <= 0);
    check(port.naps <= RtuMaster::ReceiveAttempts + modbus::rtuReplyLength(count));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool quiet = (qInstallMessageHandler(dropLog), true);
    (void)quiet;
    if (size < 4 || size > 1 << 16)
        return 0;
    const bool rtu = data[0] & 1;
    const int count = data[0] & 2 ? RegisterImage::StatusCount : RegisterImage::DataCount;
    const int chunk = 1 + data[1] % 64;
    if (rtu)
        rtuReply(data + 2, int(size) - 2, chunk, count);
    else
        tcpReplies(data + 2, int(size) - 2, chunk, count);
    return 0;
}

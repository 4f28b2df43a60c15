#include "gatewayresponder.h"

#include "acquisition/registerimage.h"

#include <QDebug>

#include <algorithm>

namespace gateway {

namespace {

constexpr quint8 IllegalDataAddress = 2;
constexpr quint8 ServerDeviceFailure = 4;

// Wire addresses served: 100 is the status block, from whose end a read runs
// straight on into the data block; 200..269 start inside the data block.
constexpr int StatusAddress = 100;
constexpr int DataAddress = 200;
constexpr int LastDataStart = 269;

const quint8 *raw(const QByteArray &bytes)
{
    return reinterpret_cast<const quint8 *>(bytes.constData());
}

QByteArray withHeader(const modbus::TcpReadRequest &request, int pduLength)
{
    modbus::MbapHeader header = request.header;
    header.length = quint16(pduLength + 1);
    QByteArray reply(modbus::MbapHeaderSize + pduLength, '\0');
    modbus::encodeMbap(reinterpret_cast<quint8 *>(reply.data()), header);
    return reply;
}

QByteArray exceptionReply(const modbus::TcpReadRequest &request, quint8 code)
{
    QByteArray reply = withHeader(request, 2);
    reply[7] = char(request.function | 0x80);
    reply[8] = char(code);
    return reply;
}

void logReply(const QByteArray &reply, bool verbose)
{
    // Every answered request would write these; with the debug log off they
    // are not even built.
    if (!verbose)
        return;
    qDebug() << "Writing response of length: " << reply.size();
    for (int i = 0; i < reply.size(); ++i)
        qDebug() << "Writing byte " << i << ": " << Qt::hex << uint(quint8(reply.at(i)));
}

std::optional<QByteArray> readReply(
    const modbus::TcpReadRequest &request, const QByteArray &image, bool dataMissing, bool verbose)
{
    if (dataMissing) {
        qDebug() << "Missing data, sending slave error response";
        return exceptionReply(request, ServerDeviceFailure);
    }
    const int start = request.startAddress;
    int firstByte = 0;
    int roomRegisters = 0;
    if (start == StatusAddress) {
        roomRegisters = RegisterImage::StatusCount + RegisterImage::DataCount;
    } else if (start >= DataAddress && start <= LastDataStart) {
        firstByte = 2 * RegisterImage::StatusCount + 2 * (start - DataAddress);
        roomRegisters = RegisterImage::DataCount - (start - DataAddress);
    } else {
        qDebug() << "Unable to read data from requested start address: " << start;
        return std::nullopt;
    }
    const int count = request.quantity;
    if (count > roomRegisters || firstByte + 2 * count > image.size()) {
        qDebug() << "Read runs past the register image, sending illegal data address response";
        return exceptionReply(request, IllegalDataAddress);
    }
    QByteArray reply = withHeader(request, 2 + 2 * count);
    reply[7] = char(request.function);
    reply[8] = char(2 * count);
    std::copy_n(image.constData() + firstByte, 2 * count, reply.data() + 9);
    logReply(reply, verbose);
    return reply;
}

} // namespace

FrameResult nextFrame(QByteArray &buffer)
{
    FrameResult result;
    if (buffer.size() < modbus::MbapHeaderSize)
        return result;
    const modbus::MbapHeader header = modbus::decodeMbap(raw(buffer));
    if (!modbus::mbapFramable(header)) {
        result.status = FrameStatus::Invalid;
        return result;
    }
    const int size = modbus::mbapFrameSize(header);
    if (buffer.size() < size)
        return result;
    result.status = FrameStatus::Complete;
    result.frame = buffer.left(size);
    buffer.remove(0, size);
    return result;
}

std::optional<QByteArray> gatewayReply(
    const QByteArray &frame, const QByteArray &image, bool dataMissing, bool verbose)
{
    if (frame.size() < modbus::TcpRequestSize) {
        qDebug() << "Invalid modbus tcp packet, ignoring";
        return std::nullopt;
    }
    const modbus::TcpReadRequest request = modbus::decodeTcpReadRequest(raw(frame));
    switch (request.function) {
    case 3:
    case 4:
        return readReply(request, image, dataMissing, verbose);
    case 6: {
        // Acknowledged with the standard's echo; the station is never written.
        QByteArray reply = withHeader(request, 5);
        std::copy_n(frame.constData() + 7, 5, reply.data() + 7);
        logReply(reply, verbose);
        return reply;
    }
    default:
        return std::nullopt;
    }
}

void logRequest(const QByteArray &frame)
{
    if (frame.size() < modbus::TcpRequestSize)
        return;
    modbus::logTcpRequest(modbus::decodeTcpReadRequest(raw(frame)));
}

} // namespace gateway

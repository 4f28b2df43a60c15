#include "tcplink.h"

#include "heartbeat.h"
#include "registerimage.h"
#include "settings/syssettings.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QTcpSocket>

std::atomic<quint16> TcpLink::transactionCounter { 0 };

namespace {

constexpr int ReplyHeaderSize = modbus::MbapHeaderSize + 2; // + function, byte count
constexpr int MaxReadQuantity = 125;

// Every wait is cut into these slices, each a heartbeat of the thread.
int sliceOf(qint64 left)
{
    heartbeat::beat();
    return int(qBound<qint64>(1, left, TcpLink::WaitSliceMs));
}

} // namespace

TcpLink::TcpLink(RegisterImage &registers, const std::atomic<bool> *stop)
    : image(registers)
    , interrupt(stop)
{
}

TcpLink::~TcpLink()
{
    close();
}

bool TcpLink::open(const SysSettings &settings)
{
    return open(settings.modbusIP(), settings.modbusPort());
}

bool TcpLink::open(const QString &host, int port)
{
    opened = false;
    received.clear();
    failure.clear();
    if (!stationSocket)
        stationSocket = std::make_unique<QTcpSocket>();
    else
        dropConnection();
    if (port < 1 || port > 0xFFFF) {
        failure = QStringLiteral("The port number must be from 1 to 65535.");
        return false;
    }
    if (host.trimmed().isEmpty()) {
        failure = QStringLiteral("No IP address is set.");
        return false;
    }

    // Qt's own buffer is bounded too: past it the kernel, then TCP, holds
    // what a flooding station sends.
    stationSocket->setReadBufferSize(ReadAheadBytes);
    stationSocket->connectToHost(
        host, quint16(port), QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    QElapsedTimer waited;
    waited.start();
    while (stationSocket->state() != QAbstractSocket::ConnectedState) {
        const qint64 left = ConnectTimeoutMs - waited.elapsed();
        // A refused connection is final at once; only a pending one is worth the wait.
        if (stationSocket->state() == QAbstractSocket::UnconnectedState) {
            failure = asSentence(stationSocket->errorString());
            stationSocket->abort();
            return false;
        }
        if (left <= 0 || interrupted()) {
            if (left <= 0)
                failure = QStringLiteral("Connection timed out: no answer within %1 seconds.")
                              .arg(ConnectTimeoutMs / 1000);
            stationSocket->abort();
            return false;
        }
        stationSocket->waitForConnected(sliceOf(left));
    }
    opened = true;
    return true;
}

void TcpLink::close()
{
    opened = false;
    received.clear();
    if (stationSocket)
        dropConnection();
}

void TcpLink::dropConnection()
{
    received.clear();
    if (stationSocket->state() == QAbstractSocket::ConnectedState) {
        stationSocket->disconnectFromHost();
        QElapsedTimer waited;
        waited.start();
        while (stationSocket->state() != QAbstractSocket::UnconnectedState && !interrupted()) {
            const qint64 left = DisconnectTimeoutMs - waited.elapsed();
            if (left <= 0)
                break;
            stationSocket->waitForDisconnected(sliceOf(left));
        }
    }
    if (stationSocket->state() != QAbstractSocket::UnconnectedState)
        stationSocket->abort();
}

bool TcpLink::isLost() const
{
    return opened && (!stationSocket || stationSocket->state() != QAbstractSocket::ConnectedState);
}

TcpLink::Frame TcpLink::takeFrame(
    QByteArray &buffer, quint16 transactionId, QByteArray *frame, int *stale)
{
    int dropped = 0;
    int &count = stale ? *stale : dropped;
    // Frames are stepped over and cut off once at the end: a buffer full of
    // other transactions' frames costs one pass, not one copy per frame.
    int at = 0;
    Frame result = Frame::Incomplete;
    while (buffer.size() - at >= modbus::MbapHeaderSize) {
        const modbus::MbapHeader header
            = modbus::decodeMbap(reinterpret_cast<const quint8 *>(buffer.constData() + at));
        if (!modbus::mbapFramable(header)) {
            result = Frame::Invalid;
            break;
        }
        const int size = modbus::mbapFrameSize(header);
        if (buffer.size() - at < size)
            break;
        if (header.transactionId != transactionId) {
            // The answer to a request that already gave up; ours may follow.
            if (count++ < StaleFramesLogged)
                qDebug() << "discarding stale reply, transaction id: " << header.transactionId;
            at += size;
            continue;
        }
        *frame = buffer.mid(at, size);
        at += size;
        result = Frame::Complete;
        break;
    }
    buffer.remove(0, at);
    return result;
}

int TcpLink::checkReply(const QByteArray &frame, quint8 function, int count)
{
    if (frame.size() < ReplyHeaderSize + 1) {
        qDebug() << "invalid response of length: " << frame.size();
        return 0;
    }
    if (quint8(frame.at(modbus::MbapHeaderSize)) != function)
        return modbus::WrongFunction;
    if (quint8(frame.at(modbus::MbapHeaderSize + 1)) != 2 * count)
        return modbus::WrongByteCount;
    const int dataLength = frame.size() - ReplyHeaderSize;
    qDebug() << "response data length: " << dataLength;
    if (dataLength < 2 * count) {
        // The byte count promises more than the frame carries.
        qDebug() << "invalid response of length: " << frame.size();
        return 0;
    }
    return count;
}

int TcpLink::readRegisters(
    quint8 unit, quint8 function, int firstRegister, int count, quint16 *destination)
{
    if (count < 1 || count > MaxReadQuantity || firstRegister < 1 || firstRegister > 0x10000)
        return 0;

    modbus::TcpReadRequest request;
    request.header.transactionId = ++transactionCounter;
    request.header.protocolId = 0;
    request.header.length = 6;
    request.header.unitId = unit;
    request.function = function;
    request.startAddress = quint16(firstRegister - 1);
    request.quantity = quint16(count);
    quint8 bytes[modbus::TcpRequestSize];
    modbus::encodeTcpReadRequest(bytes, request);
    modbus::logTcpRequest(request);

    // Checked first: Qt warns about writes on a closed socket, and a station
    // that hung up gets the same answer as one that does not take the bytes.
    bool written = stationSocket && stationSocket->state() == QAbstractSocket::ConnectedState
        && stationSocket->write(reinterpret_cast<const char *>(bytes), modbus::TcpRequestSize)
            == modbus::TcpRequestSize;
    if (written && !stationSocket->waitForBytesWritten(WriteTimeoutMs))
        written = stationSocket->bytesToWrite() == 0
            && stationSocket->state() == QAbstractSocket::ConnectedState;
    if (!written) {
        qDebug() << "unable to write request to client socket. Aborting.";
        return 0;
    }
    qDebug() << "bytes written";
    qDebug() << "Waiting for bytes to become available";

    const quint16 transactionId = request.header.transactionId;
    QElapsedTimer waited;
    waited.start();
    QByteArray frame;
    int stale = 0;
    struct StaleCount
    {
        const int &stale;
        ~StaleCount()
        {
            if (stale > StaleFramesLogged)
                qDebug() << "discarded" << stale - StaleFramesLogged << "more stale replies";
        }
    } staleCount { stale };
    for (;;) {
        const Frame status = takeFrame(received, transactionId, &frame, &stale);
        if (status == Frame::Complete)
            break;
        if (status == Frame::Invalid) {
            // Once the framing is lost nothing later can be trusted; a fresh
            // connection puts the stream back in step.
            qDebug() << "invalid response header, dropping the connection: "
                     << received.left(modbus::MbapHeaderSize).toHex(' ');
            stationSocket->abort();
            received.clear();
            return 0;
        }
        const qint64 left = replyTimeoutMs - waited.elapsed();
        if (interrupted())
            return 0;
        if (left <= 0 || stationSocket->state() != QAbstractSocket::ConnectedState) {
            if (received.isEmpty())
                qDebug() << "unable to wait for bytes coming back. Aborting.";
            else
                qDebug() << "invalid response of length: " << received.size();
            return 0;
        }
        // Qt's buffer is emptied before the socket is waited on again: a wait
        // on a full buffer would spin for its whole slice.
        if (stationSocket->bytesAvailable() == 0)
            stationSocket->waitForReadyRead(sliceOf(left));
        else
            heartbeat::beat();
        // Bytes may be waiting even when the wait reports a closed connection.
        if (stationSocket->bytesAvailable() > 0) {
            qDebug() << "bytes available: " << stationSocket->bytesAvailable();
            // What is held is less than a whole frame here.
            received += stationSocket->read(MaxHeldBytes - received.size());
        }
    }

    const int result = checkReply(frame, function, count);
    if (result != count)
        return result;

    const auto *data = reinterpret_cast<const quint8 *>(frame.constData()) + ReplyHeaderSize;
    image.store(firstRegister, data, count);
    if (destination) {
        for (int i = 0; i < count; ++i)
            destination[i] = quint16(data[2 * i] * 256 + data[2 * i + 1]);
    }
    return count;
}

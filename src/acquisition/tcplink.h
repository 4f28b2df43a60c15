#pragma once

#include "modbusprotocol.h"
#include "stationlink.h"

#include <QByteArray>

#include <atomic>
#include <memory>

class QTcpSocket;
class RegisterImage;

// The station over Modbus TCP: a blocking client socket of the acquisition
// thread, one read transaction at a time, replies taken whole by their MBAP
// length and matched to the request by transaction id.
class TcpLink : public StationLink
{
public:
    static constexpr int ConnectTimeoutMs = 5000;
    static constexpr int DisconnectTimeoutMs = 30000;
    static constexpr int WriteTimeoutMs = 500;
    static constexpr int ReplyTimeoutMs = 30000;
    // Long waits are cut into slices so that a stop or restart ends them soon.
    static constexpr int WaitSliceMs = 50;
    // What is taken off the socket ahead of framing: never more than two
    // whole frames, so a station that floods is read no faster than its
    // frames are judged, and TCP holds the rest back at the station.
    static constexpr int MaxHeldBytes = 2 * (6 + modbus::MaxMbapLength);
    static constexpr qint64 ReadAheadBytes = 16 * 1024;
    // Frames of other transactions logged one by one in a transaction; the
    // rest are counted in one line.
    static constexpr int StaleFramesLogged = 8;

    // How a frame taken off the receive buffer turned out.
    enum class Frame
    {
        Incomplete, // not all of the current reply is there yet
        Complete, // `frame` holds the reply to the current transaction
        Invalid // the bytes cannot start a Modbus TCP frame: the stream is lost
    };

    // `interrupt`, when raised, makes a wait give up within one slice.
    TcpLink(RegisterImage &image, const std::atomic<bool> *interrupt);
    ~TcpLink() override;

    bool open(const SysSettings &settings) override;
    // Connects to `host`:`port`; what open() does with the settings' values.
    bool open(const QString &host, int port);
    QString openFailure() const override { return failure; }
    int readRegisters(
        quint8 unit, quint8 function, int firstRegister, int count, quint16 *destination) override;
    void close() override;
    // True once the connection made by open() has gone (closed by the
    // station, reset, or dropped here after a garbled reply).
    bool isLost() const override;

    // The reply wait; tests shorten it.
    void setReplyTimeout(int milliseconds) { replyTimeoutMs = milliseconds; }

    // Process-wide: the id of the next request is one more than this.
    static quint16 lastTransactionId() { return transactionCounter.load(); }
    static void setLastTransactionId(quint16 id) { transactionCounter.store(id); }

    // Takes the first whole frame off `buffer`. Frames of other transactions
    // (late replies to requests that gave up) are dropped on the way, in one
    // pass over the buffer, and counted in `stale`; the first few have a log
    // line. Only the header of a frame is judged here.
    static Frame takeFrame(
        QByteArray &buffer, quint16 transactionId, QByteArray *frame, int *stale = nullptr);

    // Checks a whole reply frame against the request: `count` when good,
    // 0 when shorter than 10 bytes or carrying fewer data bytes than asked
    // for, -7 for another function code (exception replies included), -8 for
    // a byte count other than 2 * count. Logs as the transaction does.
    static int checkReply(const QByteArray &frame, quint8 function, int count);

private:
    bool interrupted() const { return interrupt && interrupt->load(); }
    void dropConnection();

    RegisterImage &image;
    const std::atomic<bool> *interrupt;
    std::unique_ptr<QTcpSocket> stationSocket;
    bool opened = false;
    int replyTimeoutMs = ReplyTimeoutMs;
    // Bytes received but not yet consumed: a reply may come in pieces, and a
    // late reply may share a segment with the next one.
    QByteArray received;
    QString failure;

    static std::atomic<quint16> transactionCounter;
};

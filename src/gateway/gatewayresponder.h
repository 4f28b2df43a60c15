#pragma once

#include "acquisition/modbusprotocol.h"

#include <QByteArray>

#include <optional>

// The gateway's request framing and replies as pure functions over bytes, so
// that they can be tested and fuzzed without sockets. The only side effect is
// the debug-log lines.
namespace gateway {

// A connection never holds more than one maximum-size request.
constexpr int MaxFrameSize = 6 + modbus::MaxMbapLength;

enum class FrameStatus
{
    Complete, // `frame` holds one request, removed from the buffer
    NeedMore, // the buffer holds the start of a request, or nothing
    Invalid, // the header cannot be framed; the stream is lost
};

struct FrameResult
{
    FrameStatus status = FrameStatus::NeedMore;
    QByteArray frame;
};

// Cuts the next request off the front of a connection's byte buffer by the
// MBAP length field. A protocol id other than 0 or a length outside 2..254 is
// Invalid, and the buffer is left as it was.
FrameResult nextFrame(QByteArray &buffer);

// The reply to one framed request, given the 222-byte register image and the
// no-data flag, or nothing when the request gets no answer. Functions 3 and 4
// read the image, 6 is echoed, anything else is ignored. Logs its refusals;
// `verbose` (the debug log is on) adds the reply length and one line per byte.
std::optional<QByteArray> gatewayReply(
    const QByteArray &frame, const QByteArray &image, bool dataMissing, bool verbose = false);

// The request dump ("Modbus TCP header: " and the fields, one line each);
// frames shorter than a read request are not dumped.
void logRequest(const QByteArray &frame);

} // namespace gateway

// libFuzzer target for the gateway's stream framing and responder: the bytes
// arrive in chunks the way a connection delivers them, and every reply must
// agree with the request it answers. Any crash, sanitizer report or broken
// invariant is a finding.
#include "acquisition/modbusprotocol.h"
#include "fuzzcheck.h"
#include "gateway/gatewayresponder.h"

#include <QtGlobal>

#include <cstdint>

namespace {

void dropLog(QtMsgType, const QMessageLogContext &, const QString &) { }

const QByteArray &image()
{
    static const QByteArray bytes = [] {
        QByteArray b(222, '\0');
        for (int i = 0; i < b.size(); ++i)
            b[i] = char(i * 7 + 3);
        return b;
    }();
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool quiet = (qInstallMessageHandler(dropLog), true);
    (void)quiet;
    if (size < 2)
        return 0;
    const bool dataMissing = data[0] & 1;
    const bool verbose = data[0] & 2;
    const int chunk = 1 + data[1] % 64;
    data += 2;
    size -= 2;

    QByteArray buffer;
    size_t at = 0;
    while (at < size) {
        const int room = gateway::MaxFrameSize - buffer.size();
        const int take = int(qMin<size_t>(size_t(qMin(room, chunk)), size - at));
        buffer.append(reinterpret_cast<const char *>(data + at), take);
        at += size_t(take);
        for (;;) {
            check(buffer.size() <= gateway::MaxFrameSize);
            gateway::FrameResult next = gateway::nextFrame(buffer);
            if (next.status == gateway::FrameStatus::NeedMore)
                break;
            if (next.status == gateway::FrameStatus::Invalid)
                return 0; // the server closes such a connection
            const QByteArray &frame = next.frame;
            check(frame.size() >= modbus::MbapHeaderSize);
            const modbus::MbapHeader request
                = modbus::decodeMbap(reinterpret_cast<const quint8 *>(frame.constData()));
            check(modbus::mbapFrameSize(request) == frame.size());
            const auto reply = gateway::gatewayReply(frame, image(), dataMissing, verbose);
            if (!reply)
                continue;
            check(reply->size() >= modbus::MbapHeaderSize + 2);
            const modbus::MbapHeader answer
                = modbus::decodeMbap(reinterpret_cast<const quint8 *>(reply->constData()));
            check(answer.transactionId == request.transactionId);
            check(answer.protocolId == 0);
            check(answer.unitId == request.unitId);
            check(modbus::mbapFrameSize(answer) == reply->size());
        }
        if (buffer.size() == gateway::MaxFrameSize && take == 0)
            break;
    }
    return 0;
}

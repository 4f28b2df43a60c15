#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

namespace portal {

struct HttpRequest
{
    QByteArray method;
    QByteArray target;
    QByteArray version;
    QList<QPair<QByteArray, QByteArray>> headers; // names as sent
    QByteArray body;

    // The first header of that name (case-insensitive), or a null array.
    QByteArray header(const QByteArray &name) const;
};

// Reads one HTTP/1.x request from bytes that arrive in pieces of any size.
// No sockets: the host feeds it and answers whatever it concludes. Anything it
// cannot take ends in Failed with the status to answer, never in a crash.
class RequestParser
{
public:
    enum class State
    {
        Incomplete,
        Complete,
        Failed
    };

    struct Limits
    {
        int maxHeaderBytes = 16 * 1024;
        int maxBodyBytes = 1024 * 1024;
    };

    RequestParser() = default;
    explicit RequestParser(const Limits &bounds)
        : limits(bounds)
    {
    }

    State feed(const QByteArray &bytes);
    State state() const { return current; }

    // Valid once Complete.
    const HttpRequest &request() const { return parsed; }
    // 400, 411, 413, 431, 501 or 505 once Failed.
    int errorStatus() const { return status; }
    QByteArray errorReason() const { return reason; }

private:
    State fail(int code, const char *why);
    State parseHead(const QByteArray &head);

    Limits limits;
    State current = State::Incomplete;
    QByteArray buffer;
    bool headDone = false;
    qint64 bodyLength = 0;
    HttpRequest parsed;
    int status = 0;
    QByteArray reason;
};

} // namespace portal

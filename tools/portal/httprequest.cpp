#include "httprequest.h"

namespace portal {

namespace {

bool isToken(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 32 || u >= 127 || QByteArray("()<>@,;:\\\"/[]?={}").contains(c))
            return false;
    }
    return true;
}

bool hasControlBytes(const QByteArray &text)
{
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 32 && c != '\t') || u == 127)
            return true;
    }
    return false;
}

// Where the blank line ends, accepting bare LF line ends too; -1 when not yet.
int headEnd(const QByteArray &buffer, int *terminatorLength)
{
    const int crlf = buffer.indexOf("\r\n\r\n");
    const int lf = buffer.indexOf("\n\n");
    if (crlf >= 0 && (lf < 0 || crlf < lf)) {
        *terminatorLength = 4;
        return crlf;
    }
    if (lf >= 0) {
        *terminatorLength = 2;
        return lf;
    }
    return -1;
}

} // namespace

QByteArray HttpRequest::header(const QByteArray &name) const
{
    for (const auto &field : headers) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            return field.second;
    }
    return QByteArray();
}

RequestParser::State RequestParser::fail(int code, const char *why)
{
    current = State::Failed;
    status = code;
    reason = why;
    buffer.clear();
    return current;
}

RequestParser::State RequestParser::feed(const QByteArray &bytes)
{
    if (current != State::Incomplete)
        return current;
    buffer.append(bytes);

    if (!headDone) {
        int terminator = 0;
        const int end = headEnd(buffer, &terminator);
        if (end < 0) {
            if (buffer.size() > limits.maxHeaderBytes)
                return fail(431, "header too large");
            return current;
        }
        if (end > limits.maxHeaderBytes)
            return fail(431, "header too large");
        const QByteArray head = buffer.left(end);
        buffer.remove(0, end + terminator);
        headDone = true;
        if (parseHead(head) == State::Failed)
            return current;
    }

    if (buffer.size() > bodyLength)
        buffer.truncate(int(bodyLength)); // a pipelined next request is not served
    if (buffer.size() < bodyLength)
        return current;
    parsed.body = buffer;
    buffer.clear();
    current = State::Complete;
    return current;
}

RequestParser::State RequestParser::parseHead(const QByteArray &head)
{
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    // Tolerate blank lines before the request line, as RFC 9112 asks.
    while (!lines.isEmpty() && lines.first().isEmpty())
        lines.removeFirst();
    if (lines.isEmpty())
        return fail(400, "no request line");

    const QList<QByteArray> parts = lines.takeFirst().split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || parts[1].isEmpty() || hasControlBytes(parts[1]))
        return fail(400, "bad request line");
    if (!parts[2].startsWith("HTTP/"))
        return fail(400, "bad request line");
    if (parts[2] != "HTTP/1.1" && parts[2] != "HTTP/1.0")
        return fail(505, "unsupported HTTP version");
    parsed.method = parts[0];
    parsed.target = parts[1];
    parsed.version = parts[2];

    for (const QByteArray &line : qAsConst(lines)) {
        const int colon = line.indexOf(':');
        if (colon <= 0)
            return fail(400, "bad header line");
        const QByteArray name = line.left(colon);
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (!isToken(name) || hasControlBytes(value))
            return fail(400, "bad header line");
        parsed.headers.append({ name, value });
    }

    if (!parsed.header("Transfer-Encoding").isNull())
        return fail(501, "transfer encodings are not supported");

    bool seen = false;
    for (const auto &field : qAsConst(parsed.headers)) {
        if (field.first.compare("Content-Length", Qt::CaseInsensitive) != 0)
            continue;
        const QByteArray &text = field.second;
        bool digits = !text.isEmpty() && text.size() <= 18;
        for (char c : text)
            digits = digits && c >= '0' && c <= '9';
        if (!digits)
            return fail(400, "bad Content-Length");
        const qint64 length = text.toLongLong();
        if (seen && length != bodyLength)
            return fail(400, "conflicting Content-Length");
        seen = true;
        bodyLength = length;
    }
    if (!seen && (parsed.method == "POST" || parsed.method == "PUT"))
        return fail(411, "Content-Length required");
    if (bodyLength > limits.maxBodyBytes)
        return fail(413, "body too large");
    return current;
}

} // namespace portal

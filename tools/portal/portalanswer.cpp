#include "portalanswer.h"

namespace portal {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// QByteArray::fromPercentEncoding turns a malformed escape into a junk byte.
QString decodeComponent(const QByteArray &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '+') {
            bytes.append(' ');
        } else if (c == '%' && i + 2 < text.size() && hexDigit(text.at(i + 1)) >= 0
            && hexDigit(text.at(i + 2)) >= 0) {
            bytes.append(char(hexDigit(text.at(i + 1)) * 16 + hexDigit(text.at(i + 2))));
            i += 2;
        } else {
            bytes.append(c);
        }
    }
    return QString::fromUtf8(bytes);
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 431:
        return "Request Header Fields Too Large";
    case 501:
        return "Not Implemented";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Error";
    }
}

QByteArray path(const QByteArray &target)
{
    const int query = target.indexOf('?');
    return query < 0 ? target : target.left(query);
}

} // namespace

QList<QPair<QString, QString>> decodeForm(const QByteArray &body)
{
    QList<QPair<QString, QString>> fields;
    const QList<QByteArray> pairs = body.split('&');
    for (const QByteArray &pair : pairs) {
        if (pair.isEmpty())
            continue;
        const int equals = pair.indexOf('=');
        if (equals < 0)
            fields.append({ decodeComponent(pair), QString() });
        else
            fields.append(
                { decodeComponent(pair.left(equals)), decodeComponent(pair.mid(equals + 1)) });
    }
    return fields;
}

bool isPortalForm(const HttpRequest &request)
{
    return request.method == "POST" && path(request.target) == endpointPath();
}

HttpResponse answer(const HttpRequest &request, const Account &account)
{
    if (path(request.target) != endpointPath())
        return { 404, "not found" };
    if (request.method != "POST")
        return { 405, "post a form" };

    QString id, key;
    bool haveId = false, haveKey = false;
    for (const auto &field : decodeForm(request.body)) {
        // The first occurrence counts, as for the console's own keys.
        if (field.first == QLatin1String("id") && !haveId) {
            id = field.second;
            haveId = true;
        } else if (field.first == QLatin1String("pw") && !haveKey) {
            key = field.second;
            haveKey = true;
        }
    }
    if (haveId && haveKey && id == account.id && key == account.key)
        return { 200, "success" };
    return { 200, "invaliduser" };
}

HttpResponse errorResponse(int status, const QByteArray &reason)
{
    return { status, reason };
}

QByteArray serialize(const HttpResponse &response)
{
    return serializeHead(response.status, response.body.size()) + response.body;
}

QByteArray serializeHead(int status, qint64 contentLength)
{
    QByteArray bytes
        = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    bytes += "Content-Type: text/plain; charset=utf-8\r\n";
    if (contentLength >= 0)
        bytes += "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
    bytes += "Connection: close\r\n\r\n";
    return bytes;
}

} // namespace portal

#pragma once

#include "httprequest.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace portal {

// The one station the stand-in knows.
struct Account
{
    QString id;
    QString key;
};

struct HttpResponse
{
    int status = 200;
    QByteArray body;
};

// The endpoint's path, as the console posts to it.
inline const char *endpointPath()
{
    return "/quorinconnect";
}

// Decodes an application/x-www-form-urlencoded body: "+" is a space, %XX a
// byte, the bytes UTF-8. Malformed escapes are kept as written.
QList<QPair<QString, QString>> decodeForm(const QByteArray &body);

// True when the request carries a form to record: a POST to the endpoint.
bool isPortalForm(const HttpRequest &request);

// "success" for the account's id and key, a body containing "invaliduser"
// otherwise; 404 for other paths and 405 for other methods there.
HttpResponse answer(const HttpRequest &request, const Account &account);

// An error answer for a request the parser refused.
HttpResponse errorResponse(int status, const QByteArray &reason);

// The bytes on the wire; the connection is closed after each answer.
QByteArray serialize(const HttpResponse &response);

// The status line and headers alone, with that Content-Length, or none when
// `contentLength` is negative (the body then ends when the connection does).
QByteArray serializeHead(int status, qint64 contentLength);

} // namespace portal

#include "httpexchange.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>

#ifndef QT_NO_SSL
#include <QSslSocket>
#endif

namespace net {

HttpExchange::HttpExchange(QObject *parent)
    : QObject(parent)
    , timer(new QTimer(this))
{
    static const int registered = qRegisterMetaType<HttpExchange::Result>();
    Q_UNUSED(registered)
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this] {
        fail(Outcome::TimedOut, QNetworkReply::OperationCanceledError,
            QStringLiteral("no complete answer within %1 s").arg(timer->interval() / 1000.0));
    });
}

HttpExchange::~HttpExchange() = default;

bool HttpExchange::begin(const QUrl &url)
{
    if (started)
        return false;
    started = true;
    if (url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 && !tlsAvailable()) {
        fail(Outcome::NoTls, QNetworkReply::ProtocolUnknownError,
            QStringLiteral("Not available in this build: no TLS"));
        return false;
    }
    manager = new QNetworkAccessManager(this);
    return true;
}

void HttpExchange::get(const QUrl &url, const Headers &headers)
{
    if (!begin(url))
        return;
    QNetworkRequest request(url);
    for (const auto &header : headers)
        request.setRawHeader(header.first, header.second);
    watch(manager->get(request));
}

void HttpExchange::post(const QNetworkRequest &request, const QByteArray &content)
{
    if (begin(request.url()))
        watch(manager->post(request, content));
}

void HttpExchange::watch(QNetworkReply *sent)
{
    reply = sent;
    // Qt reads no further ahead than the cap while we have not taken it.
    reply->setReadBufferSize(MaxBodyBytes);
    connect(reply, &QNetworkReply::readyRead, this, &HttpExchange::readBody);
    connect(reply, &QNetworkReply::finished, this, &HttpExchange::replyFinished);
    timer->start(deadline());
}

void HttpExchange::readBody()
{
    if (done || !reply)
        return;
    body += reply->read(MaxBodyBytes - body.size());
    if (reply->bytesAvailable() > 0)
        fail(Outcome::TooLarge, QNetworkReply::NoError,
            QStringLiteral("reply larger than %1 bytes").arg(MaxBodyBytes));
}

void HttpExchange::replyFinished()
{
    readBody();
    if (done || !reply)
        return;
    Result result;
    result.body = body;
    result.error = reply->error();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (result.status > 0) {
        // A 4xx or 5xx is an answer too; what it means is for the caller.
        result.outcome = Outcome::Answered;
        result.retryAfter = reply->rawHeader("Retry-After");
    } else if (result.error == QNetworkReply::TimeoutError
        || result.error == QNetworkReply::OperationCanceledError) {
        // Our own abort comes after the disconnect in finish(): a cancel seen
        // here is Qt's transfer timeout, which a request may set.
        result.outcome = Outcome::TimedOut;
        result.failure = reply->errorString();
    } else {
        result.outcome = Outcome::Unreachable;
        result.failure = reply->errorString();
    }
    finish(result);
}

void HttpExchange::fail(Outcome outcome, QNetworkReply::NetworkError error, const QString &why)
{
    if (done)
        return;
    Result result;
    result.outcome = outcome;
    result.body = body;
    result.error = error;
    result.failure = why;
    finish(result);
}

void HttpExchange::finish(const Result &result)
{
    done = true;
    timer->stop();
    if (reply) {
        // abort() emits finished at once; nothing here listens any more.
        disconnect(reply, nullptr, this, nullptr);
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
        reply = nullptr;
    }
    if (manager) {
        manager->deleteLater();
        manager = nullptr;
    }
    // Never from inside a call of the caller's or of the reply's.
    QMetaObject::invokeMethod(
        this, [this, result] { emit finished(result); }, Qt::QueuedConnection);
}

bool tlsAvailable()
{
#ifndef QT_NO_SSL
    return QSslSocket::supportsSsl();
#else
    return false;
#endif
}

} // namespace net

#include "portalexchange.h"

#include "portalurl.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QTimer>

PortalExchange::PortalExchange(QObject *parent)
    : QObject(parent)
    , deadline(new QTimer(this))
{
    static const int registered = qRegisterMetaType<PortalExchange::Result>();
    Q_UNUSED(registered)
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, this, [this] {
        fail(QNetworkReply::OperationCanceledError,
            QStringLiteral("Portal reply not complete within %1 s, giving up")
                .arg(deadline->interval() / 1000.0));
    });
}

PortalExchange::~PortalExchange() = default;

void PortalExchange::post(const QByteArray &form)
{
    if (manager || done)
        return;
    // One manager per exchange, so one that hangs holds back no other.
    manager = new QNetworkAccessManager(this);
    reply = manager->post(portalRequest(), form);
    // Qt reads no further ahead than the cap while we have not taken it.
    reply->setReadBufferSize(MaxBodyBytes);
    connect(reply, &QNetworkReply::readyRead, this, &PortalExchange::readBody);
    connect(reply, &QNetworkReply::finished, this, &PortalExchange::replyFinished);
    deadline->start(deadlineMs > 0 ? deadlineMs : portalTimeoutMs());
}

void PortalExchange::readBody()
{
    if (done || !reply)
        return;
    body += reply->read(MaxBodyBytes - body.size());
    if (reply->bytesAvailable() > 0)
        fail(QNetworkReply::NoError,
            QStringLiteral("Portal reply larger than %1 bytes, giving up").arg(MaxBodyBytes));
}

void PortalExchange::replyFinished()
{
    readBody();
    if (done || !reply)
        return;
    Result result;
    result.body = body;
    result.error = reply->error();
    result.delivered = portalReplyDelivered(*reply);
    if (result.error != QNetworkReply::NoError) {
        result.failure = reply->errorString();
    } else if (!result.delivered) {
        result.failure = QStringLiteral("HTTP status %1").arg(
            reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
    }
    finish(result);
}

void PortalExchange::fail(QNetworkReply::NetworkError error, const QString &why)
{
    if (done)
        return;
    qDebug().noquote() << why;
    Result result;
    result.body = body;
    result.error = error;
    result.failure = why;
    finish(result);
}

void PortalExchange::finish(const Result &result)
{
    done = true;
    deadline->stop();
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

#include "portalexchange.h"

#include "portalurl.h"

#include <QDebug>

PortalExchange::PortalExchange(QObject *parent)
    : QObject(parent)
    , exchange(new net::HttpExchange(this))
{
    static const int registered = qRegisterMetaType<PortalExchange::Result>();
    Q_UNUSED(registered)
    connect(exchange, &net::HttpExchange::finished, this, &PortalExchange::take);
}

PortalExchange::~PortalExchange() = default;

void PortalExchange::post(const QByteArray &form)
{
    exchange->setDeadline(deadlineMs > 0 ? deadlineMs : portalTimeoutMs());
    exchange->post(portalRequest(), form);
}

void PortalExchange::take(const net::HttpExchange::Result &answer)
{
    using Outcome = net::HttpExchange::Outcome;
    done = true;
    Result result;
    result.body = answer.body;
    result.error = answer.error;
    // Redirects are not followed, so a 3xx is no delivery either.
    result.delivered = answer.success() && answer.error == QNetworkReply::NoError;
    switch (answer.outcome) {
    case Outcome::Answered:
        if (!result.delivered)
            result.failure = QStringLiteral("The portal answered HTTP %1.").arg(answer.status);
        break;
    case Outcome::TooLarge:
        qDebug().noquote()
            << QStringLiteral("Portal reply larger than %1 bytes, giving up").arg(MaxBodyBytes);
        result.failure = QStringLiteral("The portal's reply was too large.");
        break;
    case Outcome::TimedOut:
        qDebug().noquote() << QStringLiteral("Portal reply not complete within %1 s, giving up")
                                  .arg(exchange->deadline() / 1000.0);
        result.failure = QStringLiteral("The portal did not answer within %1 s.")
                             .arg(exchange->deadline() / 1000.0);
        break;
    case Outcome::Unreachable:
    case Outcome::NoTls:
        result.failure = QStringLiteral("The portal could not be reached: ") + answer.failure;
        break;
    }
    emit finished(result);
}

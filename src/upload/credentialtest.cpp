#include "credentialtest.h"

#include "portalexchange.h"
#include "uploadform.h"

#include <QDebug>

namespace {

// Errors below the HTTP ones: no connection, no name, no answer in time, TLS
// or proxy trouble. The portal said nothing about the credentials.
bool portalNotReached(QNetworkReply::NetworkError error)
{
    return error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

} // namespace

CredentialTest::CredentialTest(QObject *parent)
    : QObject(parent)
{
}

void CredentialTest::testCredentials(int serialNumber, const QString &password)
{
    const QUrlQuery form
        = buildCredentialTestForm(serialNumber, password, QDateTime::currentDateTimeUtc());
    // Tests may overlap; each has its own exchange and its own one answer.
    auto *exchange = new PortalExchange(this);
    connect(exchange, &PortalExchange::finished, this,
            [this, exchange](const PortalExchange::Result &reply) {
                exchange->deleteLater();
                qDebug() << "Test credentials response: " << credentialReplyText(reply.body);
                if (portalNotReached(reply.error))
                    emit unreachable(reply.failure);
                emit result(reply.delivered && credentialsAccepted(reply.body));
            });
    exchange->post(encodeForm(form));
}

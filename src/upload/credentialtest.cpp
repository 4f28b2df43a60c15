#include "credentialtest.h"

#include "portalexchange.h"
#include "uploadform.h"

#include <QDebug>

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
            // Only the portal's own answer judges the credentials.
            if (!reply.delivered)
                emit unreachable(reply.failure);
            emit result(reply.delivered && credentialsAccepted(reply.body));
        });
    exchange->post(encodeForm(form));
}

#include "credentialtest.h"

#include "portalurl.h"
#include "uploadform.h"

#include <QDebug>
#include <QNetworkAccessManager>

namespace {

// Set on a reply once its result has been emitted.
const char *const answeredProperty = "skyquillAnswered";

} // namespace

CredentialTest::CredentialTest(QObject *parent)
    : QObject(parent)
{
}

void CredentialTest::testCredentials(int serialNumber, const QString &password)
{
    const QUrlQuery form
        = buildCredentialTestForm(serialNumber, password, QDateTime::currentDateTimeUtc());
    // No parent: the application object may go before this one, a manager must not outlive it.
    auto *manager = new QNetworkAccessManager;
    QNetworkReply *reply = manager->post(portalRequest(), encodeForm(form));
    connect(reply, &QNetworkReply::errorOccurred, this, &CredentialTest::testCredentialsError);
    connect(reply, &QNetworkReply::finished, this, &CredentialTest::testCredentialsFinished);
    connect(reply, &QNetworkReply::finished, manager, &QObject::deleteLater);
}

void CredentialTest::testCredentialsFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const QByteArray body = reply->readAll();
    qDebug() << "Test credentials response: " << credentialReplyText(body);
    reply->deleteLater();
    // A failed test has had its one result from the error handler.
    if (reply->property(answeredProperty).toBool())
        return;
    emit result(portalReplyDelivered(*reply) && credentialsAccepted(body));
}

void CredentialTest::testCredentialsError(QNetworkReply::NetworkError)
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply || reply->property(answeredProperty).toBool())
        return;
    reply->setProperty(answeredProperty, true);
    emit result(false);
}

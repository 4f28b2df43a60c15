#pragma once

#include "settings/credentialtester.h"

#include <QNetworkReply>
#include <QObject>

// Posts the three-field credential test to the portal and reports whether the
// portal accepted the station's number and password. Lives on the GUI thread.
class CredentialTest : public QObject, public CredentialTester
{
    Q_OBJECT

public:
    explicit CredentialTest(QObject *parent = nullptr);

    void testCredentials(int serialNumber, const QString &password) override;

signals:
    // Exactly once per test.
    void result(bool accepted);

private slots:
    void testCredentialsFinished();
    void testCredentialsError(QNetworkReply::NetworkError error);
};

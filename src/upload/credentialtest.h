#pragma once

#include "settings/credentialtester.h"

#include <QObject>
#include <QString>

// Posts the three-field credential test to the portal and reports whether the
// portal accepted the station's number and password. Lives on the GUI thread.
class CredentialTest : public QObject, public CredentialTester
{
    Q_OBJECT

public:
    explicit CredentialTest(QObject *parent = nullptr);

    void testCredentials(int serialNumber, const QString &password) override;

signals:
    // The portal did not judge the credentials (not reached, an HTTP error,
    // a reply too large or too late); `reason` is the message for the user,
    // PortalExchange::Result::failure. Comes just before result(false).
    void unreachable(const QString &reason);
    // Exactly once per test.
    void result(bool accepted);
};

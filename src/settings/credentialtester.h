#pragma once

class QString;

// What the settings store needs of the portal code: a way to test the
// station's portal credentials. The result comes back through
// SysSettings::testCredentialsResult, which the app connects.
class CredentialTester
{
public:
    virtual ~CredentialTester() = default;
    virtual void testCredentials(int serialNumber, const QString &password) = 0;
};

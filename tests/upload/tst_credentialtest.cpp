#include "settings/syssettings.h"
#include "support/logcapture.h"
#include "upload/cannedportal.h"
#include "upload/credentialtest.h"
#include "upload/portalprocess.h"
#include "upload/portalurl.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString stationKey = QStringLiteral("k+y &=");
const QString responseLine = QStringLiteral("Test credentials response: ");

// As the app does: the settings' test goes to the portal code and its
// result comes back through the settings.
void wire(SysSettings &settings, CredentialTest &tester)
{
    settings.setCredentialTester(&tester);
    QObject::connect(
        &tester, &CredentialTest::unreachable, &settings, &SysSettings::testCredentialsUnreachable);
    QObject::connect(
        &tester, &CredentialTest::result, &settings, &SysSettings::testCredentialsResult);
}

} // namespace

class TestCredentialTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(portal.start(QStringLiteral("4711"), stationKey));
        setPortalTimeoutForTesting(5000);
    }

    void init()
    {
        log = std::make_unique<LogCapture>();
        settings = std::make_unique<SysSettings>(dir.path() + QStringLiteral("/Quorin/Skyquill"));
        tester = std::make_unique<CredentialTest>();
        wire(*settings, *tester);
        settings->setSerialNumber(4711);
        settings->setPassword(stationKey);
        setPortalUrlForTesting(portal.url());
    }

    void cleanup()
    {
        settings.reset();
        tester.reset();
        log.reset();
    }

    void cleanupTestCase()
    {
        setPortalUrlForTesting(QUrl());
        setPortalTimeoutForTesting(0);
    }

    void acceptedCredentials()
    {
        QSignalSpy result(settings.get(), &SysSettings::testCredentialsResult);
        settings->testCredentials();
        QVERIFY(result.wait(10000));
        QTRY_COMPARE(log->countStartingWith(responseLine), 1);
        QCOMPARE(result.count(), 1);
        QCOMPARE(result.first().first().toBool(), true);
        QVERIFY(log->contains(responseLine + " \"success\""));

        const QString form = portal.nextForm();
        QVERIFY2(QRegularExpression(
                     QStringLiteral(
                         "^id=4711&pw=k%2By%20%26%3D&utc=\\d{4}-\\d\\d-\\d\\d%20\\d\\d:\\d\\d$"))
                     .match(form)
                     .hasMatch(),
            qPrintable(form));
    }

    void unconfiguredStationStillSendsThreeFields()
    {
        SysSettings fresh(dir.path() + QStringLiteral("/other"));
        wire(fresh, *tester);
        QSignalSpy result(&fresh, &SysSettings::testCredentialsResult);
        fresh.testCredentials();
        QVERIFY(result.wait(10000));
        QCOMPARE(result.first().first().toBool(), false);
        QVERIFY(portal.nextForm().startsWith(QStringLiteral("id=0&pw=&utc=")));
    }

    void rejectedCredentials()
    {
        settings->setPassword(QStringLiteral("guess"));
        QSignalSpy result(settings.get(), &SysSettings::testCredentialsResult);
        settings->testCredentials();
        QVERIFY(result.wait(10000));
        QTRY_COMPARE(log->countStartingWith(responseLine), 1);
        QCOMPARE(result.count(), 1);
        QCOMPARE(result.first().first().toBool(), false);
        QVERIFY(log->contains(responseLine + " \"invaliduser\""));
        portal.nextForm();
    }

    // One answer per test, false, even when the error page says success.
    void failuresGiveExactlyOneFalse_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("said"); // after "The portal "
        const QString http = QStringLiteral("answered HTTP %1.");
        QTest::newRow("connection refused")
            << "refused" << QString("could not be reached: Connection refused");
        QTest::newRow("http 404") << "404" << http.arg(404);
        QTest::newRow("http 500 saying success") << "500" << http.arg(500);
        QTest::newRow("no answer") << "silent" << QString("did not answer within 0.3 s.");
    }

    void failuresGiveExactlyOneFalse()
    {
        QFETCH(QString, kind);
        QFETCH(QString, said);
        CannedPortal canned;
        QVERIFY(pointPortalAtFailure(
            kind, canned, portal.url(QStringLiteral("/elsewhere")), "success"));

        QSignalSpy result(settings.get(), &SysSettings::testCredentialsResult);
        QSignalSpy notReached(settings.get(), &SysSettings::testCredentialsUnreachable);
        settings->testCredentials();
        QTRY_VERIFY_WITH_TIMEOUT(log->countStartingWith(responseLine) == 1, 10000);
        setPortalTimeoutForTesting(5000);
        QCOMPARE(result.count(), 1);
        QCOMPARE(result.first().first().toBool(), false);
        QCOMPARE(notReached.count(), 1);
        QCOMPARE(notReached.first().first().toString(), "The portal " + said);
    }

    void successAnywhereCaseSensitive_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("expected");
        QTest::newRow("inside a longer word") << QByteArray("login successful") << true;
        QTest::newRow("unsuccessful, any case") << QByteArray("Unsuccessful") << false;
        QTest::newRow("capital S") << QByteArray("Success") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("after a zero byte") << QByteArray("ok\0success", 10) << false;
    }

    void successAnywhereCaseSensitive()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, expected);
        CannedPortal canned;
        canned.body = body;
        QVERIFY(canned.start());
        setPortalUrlForTesting(canned.url());

        QSignalSpy result(settings.get(), &SysSettings::testCredentialsResult);
        settings->testCredentials();
        QVERIFY(result.wait(10000));
        QTRY_COMPARE(log->countStartingWith(responseLine), 1);
        QCOMPARE(result.count(), 1);
        QCOMPARE(result.first().first().toBool(), expected);
    }

    void testsInFlightAnswerSeparately()
    {
        CannedPortal hung;
        hung.silent = true;
        QVERIFY(hung.start());
        setPortalUrlForTesting(hung.url());
        QSignalSpy result(settings.get(), &SysSettings::testCredentialsResult);
        settings->testCredentials();
        QTRY_COMPARE(hung.requests, 1);

        setPortalUrlForTesting(portal.url());
        settings->testCredentials();
        QVERIFY(result.wait(10000));
        QCOMPARE(result.count(), 1);
        QCOMPARE(result.first().first().toBool(), true);
        portal.nextForm();
    }

private:
    QTemporaryDir dir;
    PortalProcess portal;
    std::unique_ptr<LogCapture> log;
    std::unique_ptr<CredentialTest> tester;
    std::unique_ptr<SysSettings> settings;
};

QTEST_GUILESS_MAIN(TestCredentialTest)
#include "tst_credentialtest.moc"

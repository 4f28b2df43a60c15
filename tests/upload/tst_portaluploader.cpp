#include "cannedportal.h"
#include "portalprocess.h"
#include "record/stationvalues.h"
#include "support/logcapture.h"
#include "upload/portaluploader.h"
#include "upload/portalurl.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QString stationId = QStringLiteral("4711");
const QString stationKey = QStringLiteral("k+y &=");
const QDateTime utc(QDate(2026, 12, 6), QTime(4, 26, 18), Qt::UTC);

UploadSettings accepted()
{
    UploadSettings s;
    s.serialNumber = stationId.toInt();
    s.password = stationKey;
    return s;
}

StationValues someValues()
{
    StationValues v;
    v.airTemp = -3.25;
    v.humidity = 80;
    return v;
}

bool released(const PortalUploader &uploader)
{
    return uploader.findChildren<QNetworkAccessManager *>().isEmpty()
        && uploader.findChildren<QNetworkReply *>().isEmpty();
}

const QString responseLine = QStringLiteral("data sent to quorin live, response is ");

} // namespace

class TestPortalUploader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(portal.start(stationId, stationKey));
        QVERIFY(trickling.start(stationId, stationKey, { "--reply", "trickle" }));
        QVERIFY(huge.start(stationId, stationKey, { "--reply", "huge" }));
        setPortalTimeoutForTesting(5000);
    }

    void init()
    {
        setPortalUrlForTesting(portal.url());
        log = std::make_unique<LogCapture>();
        uploader = std::make_unique<PortalUploader>(nullptr);
        stamp = QDateTime(QDate(2026, 12, 6), QTime(4, 26, 18));
        uploader->setClock([this] { return stamp; });
    }

    void cleanup()
    {
        uploader.reset();
        log.reset();
    }

    void cleanupTestCase()
    {
        setPortalUrlForTesting(QUrl());
        setPortalTimeoutForTesting(0);
    }

    void acceptedUploadStampsTheTime()
    {
        QCOMPARE(uploader->lastUploadText(), QStringLiteral("Never"));
        QSignalSpy changed(uploader.get(), &PortalUploader::lastUploadChanged);
        uploader->upload(someValues(), accepted(), utc);
        QVERIFY(changed.wait(10000));

        QCOMPARE(uploader->lastAccepted(), stamp);
        QCOMPARE(uploader->lastUploadText(), QStringLiteral("Sun Dec 6 04:26:18 2026"));
        QVERIFY(log->contains(responseLine + " \"success\""));
        QVERIFY(!log->contains("Send data failed"));
        QVERIFY(portal.nextForm().startsWith(
            "id=4711&pw=k%2By%20%26%3D&utc=2026-12-06%2004:26&tc=-3.250000&rh=80.000000&"));
        QTRY_VERIFY(released(*uploader));
    }

    void weatherUndergroundPairTravelsOnce()
    {
        UploadSettings s = accepted();
        s.wuUsername = QStringLiteral("KWU1");
        s.wuPassword = QStringLiteral("pw2");
        QSignalSpy changed(uploader.get(), &PortalUploader::lastUploadChanged);
        uploader->upload(someValues(), s, utc);
        QVERIFY(changed.wait(10000));
        uploader->upload(someValues(), s, utc);
        QVERIFY(changed.wait(10000));
        QVERIFY(portal.nextForm().endsWith("&rrt=0.000000&wuu=KWU1&wup=pw2"));
        QVERIFY(portal.nextForm().endsWith("&rrt=0.000000"));
    }

    void weatherUndergroundPairGoesAgainUntilAccepted()
    {
        UploadSettings s = accepted();
        s.password = QStringLiteral("guess"); // turned away
        s.wuUsername = QStringLiteral("KWU1");
        s.wuPassword = QStringLiteral("pw2");
        uploader->upload(someValues(), s, utc);
        QTRY_VERIFY_WITH_TIMEOUT(log->contains("Send data failed"), 10000);
        QTRY_VERIFY(released(*uploader));

        s.password = accepted().password;
        QSignalSpy changed(uploader.get(), &PortalUploader::lastUploadChanged);
        uploader->upload(someValues(), s, utc);
        QVERIFY(changed.wait(10000));
        QVERIFY(portal.nextForm().endsWith("&wuu=KWU1&wup=pw2"));
        QVERIFY(portal.nextForm().endsWith("&wuu=KWU1&wup=pw2"));
    }

    void rejectedStationKeepsTheLastTime()
    {
        QSignalSpy changed(uploader.get(), &PortalUploader::lastUploadChanged);
        uploader->upload(someValues(), accepted(), utc);
        QVERIFY(changed.wait(10000));
        const QString before = uploader->lastUploadText();

        stamp = stamp.addSecs(600);
        UploadSettings wrong = accepted();
        wrong.password = QStringLiteral("guess");
        uploader->upload(someValues(), wrong, utc);
        QTRY_VERIFY_WITH_TIMEOUT(log->contains("Send data failed"), 10000);
        QVERIFY(log->contains(responseLine + " \"invaliduser\""));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(uploader->lastUploadText(), before);
        QTRY_VERIFY(released(*uploader));
    }

    void failuresAreNotAccepted_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("line");
        const QString code = QStringLiteral("error sending quorin data, error code is %1");
        QTest::newRow("connection refused")
            << "refused" << code.arg(int(QNetworkReply::ConnectionRefusedError));
        QTest::newRow("http 404") << "404" << code.arg(int(QNetworkReply::ContentNotFoundError));
        QTest::newRow("http 500 with a plain body")
            << "500" << code.arg(int(QNetworkReply::InternalServerError));
        QTest::newRow("no answer")
            << "silent" << code.arg(int(QNetworkReply::OperationCanceledError));
        // Bytes every second, so only a deadline for the whole reply ends it.
        QTest::newRow("endless body")
            << "trickle" << code.arg(int(QNetworkReply::OperationCanceledError));
        // "success" followed by 10 MiB: over the cap, so no delivery.
        QTest::newRow("10 MiB body")
            << "huge" << QStringLiteral("Upload not delivered: The portal's reply was too large.");
    }

    void failuresAreNotAccepted()
    {
        QFETCH(QString, kind);
        QFETCH(QString, line);

        CannedPortal canned;
        if (kind == QLatin1String("trickle") || kind == QLatin1String("huge")) {
            setPortalUrlForTesting((kind == QLatin1String("huge") ? huge : trickling).url());
            setPortalTimeoutForTesting(1500);
        } else {
            QVERIFY(pointPortalAtFailure(
                kind, canned, portal.url(QStringLiteral("/elsewhere")), "internal error"));
        }

        QSignalSpy changed(uploader.get(), &PortalUploader::lastUploadChanged);
        uploader->upload(someValues(), accepted(), utc);
        QTRY_VERIFY_WITH_TIMEOUT(log->countStartingWith(responseLine) == 1, 10000);
        setPortalTimeoutForTesting(5000);

        QVERIFY2(log->contains(line), qPrintable(log->lines().join('\n')));
        // Told as the exchange says it; only the portal's refusal is a failed send.
        QCOMPARE(log->countStartingWith("Upload not delivered: The portal"), 1);
        QVERIFY(!log->contains("Send data failed"));
        QCOMPARE(changed.count(), 0);
        QVERIFY(uploader->lastAccepted().isNull());
        QCOMPARE(uploader->lastUploadText(), QStringLiteral("Never"));
        QTRY_VERIFY(released(*uploader));
    }

    void uploadsDueWhileOneIsPendingAreSkipped()
    {
        CannedPortal hung;
        hung.silent = true;
        QVERIFY(hung.start());
        setPortalUrlForTesting(hung.url());
        setPortalTimeoutForTesting(1000);
        uploader->upload(someValues(), accepted(), utc);
        QTRY_COMPARE(hung.requests, 1);

        // Due again while the first waits: skipped, and said once per run.
        const QString skipped
            = QStringLiteral("Upload skipped: the last one is still waiting for the portal");
        setPortalUrlForTesting(portal.url());
        uploader->upload(someValues(), accepted(), utc);
        uploader->upload(someValues(), accepted(), utc);
        QCOMPARE(log->count(skipped), 1);

        // Once the first has met its deadline the next one goes out.
        QTRY_VERIFY_WITH_TIMEOUT(log->countStartingWith(responseLine) == 1, 10000);
        setPortalTimeoutForTesting(5000);
        QSignalSpy changed(uploader.get(), &PortalUploader::lastUploadChanged);
        uploader->upload(someValues(), accepted(), utc);
        QVERIFY(changed.wait(10000));
        QVERIFY(portal.nextForm().startsWith("id=4711&"));
        QCOMPARE(hung.requests, 1);
        QTRY_VERIFY(released(*uploader));

        hung.requests = 0;
        setPortalUrlForTesting(hung.url());
        uploader->upload(someValues(), accepted(), utc);
        QTRY_COMPARE(hung.requests, 1);
        uploader->upload(someValues(), accepted(), utc);
        QCOMPARE(log->count(skipped), 2);
    }

private:
    PortalProcess portal;
    PortalProcess trickling;
    PortalProcess huge;
    std::unique_ptr<LogCapture> log;
    std::unique_ptr<PortalUploader> uploader;
    QDateTime stamp;
};

QTEST_GUILESS_MAIN(TestPortalUploader)
#include "tst_portaluploader.moc"

#include "cannedportal.h"
#include "portalprocess.h"
#include "support/logcapture.h"
#include "upload/portalexchange.h"
#include "upload/portalurl.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

// The exchange alone; how the uploader reads its results is tested there.
class TestPortalExchange : public QObject
{
    Q_OBJECT

    PortalProcess huge;

    struct Run
    {
        int emittedInsidePost = 0;
        int emitted = 0;
        PortalExchange::Result result;
    };

    // Posts once and waits until the exchange has let go of its reply.
    static void run(Run &out, int deadlineMs = 0)
    {
        PortalExchange exchange;
        if (deadlineMs > 0)
            exchange.setDeadline(deadlineMs);
        QSignalSpy finished(&exchange, &PortalExchange::finished);
        exchange.post("id=4711&pw=key");
        out.emittedInsidePost = finished.count();
        auto *manager = exchange.findChild<QNetworkAccessManager *>();
        QVERIFY(manager);
        QSignalSpy released(manager, &QObject::destroyed);
        QVERIFY(finished.wait(10000));
        QVERIFY(!released.isEmpty() || released.wait(5000));
        QCoreApplication::processEvents();
        out.emitted = finished.count();
        out.result = finished.first().first().value<PortalExchange::Result>();
    }

private slots:
    void initTestCase() { QVERIFY(huge.start("4711", "key", { "--reply", "huge" })); }

    void cleanupTestCase()
    {
        setPortalUrlForTesting(QUrl());
        setPortalTimeoutForTesting(0);
    }

    void bodyCapIsExact()
    {
        LogCapture log;
        CannedPortal canned;
        QVERIFY(canned.start());
        setPortalUrlForTesting(canned.url());

        canned.body = QByteArray(64 * 1024, 'a');
        Run atCap;
        run(atCap);
        QVERIFY(atCap.result.delivered);
        QCOMPARE(atCap.result.body, canned.body);
        QVERIFY(atCap.result.failure.isEmpty());

        canned.body += 'b';
        Run over;
        run(over);
        QVERIFY(!over.result.delivered);
        QCOMPARE(over.result.error, QNetworkReply::NoError);
        QVERIFY(over.result.body.size() <= 64 * 1024);
        QCOMPARE(over.result.failure, QStringLiteral("The portal's reply was too large."));
        QVERIFY(log.contains(QStringLiteral("Portal reply larger than 65536 bytes, giving up")));
    }

    // Whatever ends it, `finished` comes once and never inside post().
    void finishesExactlyOnce_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("error");
        QTest::newRow("deadline") << "silent" << int(QNetworkReply::OperationCanceledError);
        QTest::newRow("cap") << "huge" << int(QNetworkReply::NoError);
        QTest::newRow("refused") << "refused" << int(QNetworkReply::ConnectionRefusedError);
        QTest::newRow("delivered") << "canned" << int(QNetworkReply::NoError);
    }

    void finishesExactlyOnce()
    {
        QFETCH(QString, kind);
        QFETCH(int, error);
        CannedPortal canned;
        QVERIFY(canned.start());
        canned.body = "success";
        canned.silent = kind == QLatin1String("silent");
        if (kind == QLatin1String("huge"))
            setPortalUrlForTesting(huge.url());
        else if (kind == QLatin1String("refused"))
            setPortalUrlForTesting(
                QUrl(QStringLiteral("http://127.0.0.1:%1/quorinconnect").arg(closedPort())));
        else
            setPortalUrlForTesting(canned.url());

        Run once;
        run(once, canned.silent ? 300 : 0);
        QCOMPARE(once.emittedInsidePost, 0);
        QCOMPARE(once.emitted, 1);
        QCOMPARE(int(once.result.error), error);
        QCOMPARE(once.result.delivered, kind == QLatin1String("canned"));
    }
};

QTEST_GUILESS_MAIN(TestPortalExchange)
#include "tst_portalexchange.moc"

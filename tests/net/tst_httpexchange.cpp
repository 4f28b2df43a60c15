#include "support/httpstandin.h"
#include "upload/cannedportal.h"

#include "net/httpexchange.h"

#include <QSignalSpy>
#include <QtTest>

using net::HttpExchange;

// The exchange's own bounds; statuses, headers and the deadline are tested
// with the networks that read them.
class TestHttpExchange : public QObject
{
    Q_OBJECT

    // One GET; its one result, which never comes inside get().
    static HttpExchange::Result get(const QString &url)
    {
        HttpExchange exchange;
        QSignalSpy finished(&exchange, &HttpExchange::finished);
        exchange.get(QUrl(url));
        if (!finished.isEmpty() || !finished.wait(10000))
            return {};
        QCoreApplication::processEvents();
        return finished.size() == 1 ? finished[0][0].value<HttpExchange::Result>()
                                    : HttpExchange::Result();
    }

private slots:
    void capAndRefusal()
    {
        HttpStandIn server;
        QVERIFY(server.start());
        server.body = QByteArray(HttpExchange::MaxBodyBytes, 'a');
        const HttpExchange::Result atCap = get(server.url(QStringLiteral("/update?id=1")));
        QVERIFY(atCap.success());
        QCOMPARE(atCap.body, server.body);
        QCOMPARE(server.requests[0].method + ' ' + server.requests[0].target,
            QByteArray("GET /update?id=1"));

        server.body += 'b';
        const HttpExchange::Result over = get(server.url(QStringLiteral("/")));
        QCOMPARE(over.outcome, HttpExchange::Outcome::TooLarge);
        QVERIFY(over.body.size() <= HttpExchange::MaxBodyBytes);

        const HttpExchange::Result refused
            = get(QStringLiteral("http://127.0.0.1:%1/").arg(closedPort()));
        QCOMPARE(refused.outcome, HttpExchange::Outcome::Unreachable);
        QCOMPARE(refused.error, QNetworkReply::ConnectionRefusedError);
        QVERIFY(!refused.failure.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHttpExchange)
#include "tst_httpexchange.moc"

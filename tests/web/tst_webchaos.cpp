#include "web/webserver.h"
#include "webfixture.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace webfixture;

// Hostile clients against the web server: garbage, oversized and split
// requests, half-open sockets by the hundred, resets mid-stream, a stream
// that never reads. After each, another client still gets its page.
class TestWebChaos : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        server = std::make_unique<WebServer>();
        server->setHeaderTimeout(1000);
        WebSettings s;
        s.port = 0;
        s.bindAddress = QStringLiteral("127.0.0.1");
        server->setSettings(s);
        port = server->serverPort();
        server->takeCycle(cycle());
    }
    void cleanup()
    {
        // Whatever came before, a plain client is served.
        QCOMPARE(get(port, "/api/current.json").status, 200);
        server.reset();
    }

    void garbageAndOversizedRequests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status"); // 0: closed without a reply
        QTest::newRow("long path") << "GET /" + QByteArray(20000, 'a') + " HTTP/1.1\r\n\r\n" << 414;
        QTest::newRow("large headers")
            << "GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + QByteArray(40000, 'b') + "\r\n\r\n"
            << 431;
        QTest::newRow("no version") << QByteArray("GET /\r\n\r\n") << 0;
        QTest::newRow("header without colon")
            << QByteArray("GET / HTTP/1.1\r\nHost: x\r\nnonsense\r\n\r\n") << 400;
        // The path ends at the first NUL, as C strings do: the page.
        QTest::newRow("nul bytes") << QByteArray("GET /\0\0 HTTP/1.1\r\n\r\n", 20) << 200;
        QTest::newRow("unknown method") << QByteArray("BREW / HTTP/1.1\r\nHost: x\r\n\r\n") << 405;
        QTest::newRow("bad query")
            << QByteArray("GET /api/history.json?range=%ZZ&end=%00 HTTP/1.1\r\nHost: x\r\n\r\n")
            << 400;
        QByteArray noise(3000, 0);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), 750);
        QTest::newRow("random") << noise << 0;
    }
    void garbageAndOversizedRequests()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        const HttpReply r = send(port, request, 3000);
        if (status == 0)
            QVERIFY(r.status == 0 || r.status == 400);
        else
            QCOMPARE(r.status, status);
    }

    void splitAndPipelinedRequests()
    {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(s.waitForConnected());
        const QByteArray one = "GET /api/current.json HTTP/1.1\r\nHost: x\r\n\r\n";
        for (char c : one) {
            s.write(&c, 1);
            s.flush();
        }
        s.write(one.repeated(50));
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += s.readAll()).count("HTTP/1.1 200") == 51, 10000);
    }

    void halfOpenSocketsByTheHundred()
    {
        std::vector<std::unique_ptr<QTcpSocket>> idle;
        for (int i = 0; i < 200; ++i) {
            idle.push_back(std::make_unique<QTcpSocket>());
            idle.back()->bind(QHostAddress(QStringLiteral("127.0.0.5")));
            idle.back()->connectToHost(QHostAddress::LocalHost, port);
        }
        QCOMPARE(get(port, "/").status, 200);
        // Past the header limit every one of them is gone.
        QTRY_VERIFY_WITH_TIMEOUT(
            std::all_of(idle.cbegin(), idle.cend(),
                [](const auto &s) { return s->state() == QAbstractSocket::UnconnectedState; }),
            10000);
    }

    void streamsThatResetOrNeverRead()
    {
        const QByteArray events = "GET /api/events HTTP/1.1\r\nHost: x\r\n\r\n";
        QTcpSocket deaf;
        deaf.setReadBufferSize(1);
        deaf.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(deaf.waitForConnected());
        deaf.write(events);
        for (int i = 0; i < 5; ++i) {
            QTcpSocket reset;
            reset.connectToHost(QHostAddress::LocalHost, port);
            QVERIFY(reset.waitForConnected());
            reset.write(events);
            QTRY_VERIFY(reset.bytesAvailable() > 0);
            reset.abort();
        }
        // A stream waiting for its next event learns of its end with the one
        // after: the first write after the peer's FIN still succeeds.
        QTRY_VERIFY((server->takeCycle(cycle(1)), server->streamCount() == 1));
        // The deaf one's backlog stays bounded while cycles pile up.
        for (int i = 1; i <= 2000; ++i)
            server->takeCycle(cycle(i));
        QTcpSocket listener;
        listener.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(listener.waitForConnected());
        listener.write(events);
        QTRY_COMPARE(server->streamCount(), 2);
        server->takeCycle(cycle(3000));
        QByteArray got;
        QTRY_VERIFY((got += listener.readAll()).contains("T12:50:00Z"));
    }

private:
    std::unique_ptr<WebServer> server;
    quint16 port = 0;
};

QTEST_MAIN(TestWebChaos)
#include "tst_webchaos.moc"

#include "httprequest.h"
#include "portalanswer.h"
#include "upload/portalprocess.h"

#include <QTcpSocket>
#include <QtTest>

using namespace portal;

namespace {

const QByteArray goodRequest = "POST /quorinconnect HTTP/1.1\r\n"
                               "Host: 127.0.0.1\r\n"
                               "Content-Type: application/x-www-form-urlencoded\r\n"
                               "Content-Length: 19\r\n"
                               "\r\n"
                               "id=4711&pw=k%2By+ok";

RequestParser::State parseAll(RequestParser &parser, const QByteArray &bytes)
{
    return parser.feed(bytes);
}

HttpRequest post(const QByteArray &target, const QByteArray &body)
{
    HttpRequest request;
    request.method = "POST";
    request.target = target;
    request.version = "HTTP/1.1";
    request.body = body;
    return request;
}

// One exchange with the running stand-in; returns everything it sent back.
QByteArray exchange(quint16 port, const QList<QByteArray> &pieces)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return "<no connection>";
    for (const QByteArray &piece : pieces) {
        socket.write(piece);
        socket.waitForBytesWritten(5000);
        QTest::qWait(20); // lets the server see each piece on its own
    }
    QByteArray answer;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000))
        answer += socket.readAll();
    answer += socket.readAll();
    return answer;
}

} // namespace

class TestPortalServer : public QObject
{
    Q_OBJECT

private slots:
    void wholeRequest()
    {
        RequestParser parser;
        QCOMPARE(parseAll(parser, goodRequest), RequestParser::State::Complete);
        const HttpRequest &r = parser.request();
        QCOMPARE(r.method, QByteArray("POST"));
        QCOMPARE(r.target, QByteArray("/quorinconnect"));
        QCOMPARE(r.version, QByteArray("HTTP/1.1"));
        QCOMPARE(r.header("content-type"), QByteArray("application/x-www-form-urlencoded"));
        QVERIFY(r.header("X-Missing").isNull());
        QCOMPARE(r.body, QByteArray("id=4711&pw=k%2By+ok"));
    }

    void byteByByte()
    {
        RequestParser parser;
        for (int i = 0; i < goodRequest.size() - 1; ++i)
            QCOMPARE(parser.feed(goodRequest.mid(i, 1)), RequestParser::State::Incomplete);
        QCOMPARE(parser.feed(goodRequest.right(1)), RequestParser::State::Complete);
        QCOMPARE(parser.request().body, QByteArray("id=4711&pw=k%2By+ok"));
    }

    void bareLineFeedsAndNoBody()
    {
        RequestParser parser;
        QCOMPARE(parser.feed("\r\nGET /quorinconnect?x=1 HTTP/1.0\nHost: a\n\n"),
            RequestParser::State::Complete);
        QCOMPARE(parser.request().method, QByteArray("GET"));
        QCOMPARE(parser.request().header("host"), QByteArray("a"));
        QVERIFY(parser.request().body.isEmpty());
    }

    void bytesAfterTheBodyAreIgnored()
    {
        RequestParser parser;
        QCOMPARE(
            parser.feed(goodRequest + "GET / HTTP/1.1\r\n\r\n"), RequestParser::State::Complete);
        QCOMPARE(parser.request().body, QByteArray("id=4711&pw=k%2By+ok"));
        QCOMPARE(parser.feed("more garbage"), RequestParser::State::Complete);
        QCOMPARE(parser.request().body, QByteArray("id=4711&pw=k%2By+ok"));
    }

    void refusedInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::newRow("garbage line") << QByteArray("hello there\r\n\r\n") << 400;
        QTest::newRow("binary") << QByteArray("\x00\xff\x01 \x02 \x03\r\n\r\n", 12) << 400;
        QTest::newRow("only blank lines") << QByteArray("\r\n\r\n") << 400;
        QTest::newRow("two words") << QByteArray("GET /\r\n\r\n") << 400;
        QTest::newRow("http 2") << QByteArray("GET / HTTP/2.0\r\n\r\n") << 505;
        QTest::newRow("header without colon")
            << QByteArray("GET / HTTP/1.1\r\nHost a\r\n\r\n") << 400;
        QTest::newRow("control byte in value")
            << QByteArray("GET / HTTP/1.1\r\nHost: a\x01\r\n\r\n") << 400;
        QTest::newRow("length not a number")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 12abc\r\n\r\n") << 400;
        QTest::newRow("overflowing length")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n") << 400;
        QTest::newRow("conflicting lengths") << QByteArray(
            "POST / HTTP/1.1\r\nContent-Length: 2\r\n"
            "content-length: 3\r\n\r\nab") << 400;
        QTest::newRow("post without length") << QByteArray("POST / HTTP/1.1\r\n\r\nid=1") << 411;
        QTest::newRow("chunked") << QByteArray(
            "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n1\r\na\r\n0\r\n\r\n")
                                 << 501;
        QTest::newRow("huge body announced")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 1048577\r\n\r\n") << 413;
    }

    void refusedInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        RequestParser parser;
        QCOMPARE(parser.feed(bytes), RequestParser::State::Failed);
        QCOMPARE(parser.errorStatus(), status);
        QVERIFY(!parser.errorReason().isEmpty());
        // Once failed it stays failed, whatever follows.
        QCOMPARE(parser.feed(goodRequest), RequestParser::State::Failed);
    }

    void endlessHeader()
    {
        RequestParser parser(RequestParser::Limits { 64, 1024 });
        QCOMPARE(parser.feed("GET / HTTP/1.1\r\n"), RequestParser::State::Incomplete);
        QCOMPARE(parser.feed(QByteArray(40, 'x')), RequestParser::State::Incomplete);
        QCOMPARE(parser.feed(QByteArray(40, 'x')), RequestParser::State::Failed);
        QCOMPARE(parser.errorStatus(), 431);
    }

    void bodyLimitIsExact()
    {
        RequestParser parser(RequestParser::Limits { 1024, 4 });
        QCOMPARE(parser.feed("POST / HTTP/1.1\r\nContent-Length: 4\r\n\r\nabcd"),
            RequestParser::State::Complete);
        RequestParser tooBig(RequestParser::Limits { 1024, 4 });
        QCOMPARE(tooBig.feed("POST / HTTP/1.1\r\nContent-Length: 5\r\n\r\n"),
            RequestParser::State::Failed);
        QCOMPARE(tooBig.errorStatus(), 413);
    }

    void formDecoding()
    {
        const auto fields = decodeForm("id=4711&pw=a%2Bb+c&&flag&bad=%zz%4&utf=%C3%BC&=x");
        QCOMPARE(fields.size(), 6);
        QCOMPARE(fields[0], qMakePair(QStringLiteral("id"), QStringLiteral("4711")));
        QCOMPARE(fields[1], qMakePair(QStringLiteral("pw"), QStringLiteral("a+b c")));
        QCOMPARE(fields[2], qMakePair(QStringLiteral("flag"), QString()));
        QCOMPARE(fields[3], qMakePair(QStringLiteral("bad"), QStringLiteral("%zz%4")));
        QCOMPARE(fields[4].second, QString::fromUtf8("\xC3\xBC"));
        QCOMPARE(fields[5], qMakePair(QString(), QStringLiteral("x")));
        QVERIFY(decodeForm("").isEmpty());
    }

    void answers()
    {
        const Account account { QStringLiteral("4711"), QStringLiteral("a+b c") };
        HttpResponse r = answer(post("/quorinconnect", "id=4711&pw=a%2Bb+c&utc=x"), account);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.body, QByteArray("success"));

        r = answer(post("/quorinconnect?v=2", "pw=a%2Bb%20c&id=4711"), account);
        QCOMPARE(r.body, QByteArray("success"));

        for (const QByteArray &body :
            { QByteArray("id=4711&pw=a%2Bb"), QByteArray("id=4712&pw=a%2Bb+c"),
                QByteArray("id=4711"), QByteArray(), QByteArray("\xff\xfe") }) {
            r = answer(post("/quorinconnect", body), account);
            QCOMPARE(r.status, 200);
            QVERIFY2(r.body.contains("invaliduser"), body.constData());
            QVERIFY(!r.body.contains("success"));
        }

        QCOMPARE(answer(post("/elsewhere", "id=4711&pw=a%2Bb+c"), account).status, 404);
        HttpRequest get = post("/quorinconnect", QByteArray());
        get.method = "GET";
        QCOMPARE(answer(get, account).status, 405);
        QVERIFY(!isPortalForm(get));
        QVERIFY(isPortalForm(post("/quorinconnect", "")));
        QVERIFY(!isPortalForm(post("/quorinconnect/x", "")));
    }

    // The process survives whatever arrives and still serves the next client.
    void standInSurvivesBadClients()
    {
        PortalProcess stand;
        QVERIFY(stand.start(QStringLiteral("7"), QStringLiteral("key")));

        QVERIFY(exchange(stand.port, { QByteArray("\x16\x03\x01\x02\x00garbage\r\n\r\n", 16) })
                    .startsWith("HTTP/1.1 400 "));
        QVERIFY(exchange(stand.port,
            { QByteArray("POST /quorinconnect HTTP/1.1\r\nContent-Length: 1000000000\r\n\r\n") })
                    .startsWith("HTTP/1.1 413 "));
        QVERIFY(exchange(stand.port, { QByteArray("GET /nothing HTTP/1.1\r\n\r\n") })
                    .startsWith("HTTP/1.1 404 "));
        // A client that vanishes mid-request.
        {
            QTcpSocket quitter;
            quitter.connectToHost(QHostAddress::LocalHost, stand.port);
            QVERIFY(quitter.waitForConnected(5000));
            quitter.write("POST /quorinconnect HTTP/1.1\r\nContent-Length: 50\r\n\r\nid=");
            QVERIFY(quitter.waitForBytesWritten(5000));
        }

        const QByteArray body = "id=7&pw=key&utc=2026-12-06%2004:26";
        const QByteArray head = "POST /quorinconnect HTTP/1.1\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\n\r\n";
        const QByteArray reply = exchange(
            stand.port, { head.left(7), head.mid(7, 20), head.mid(27), body.left(5), body.mid(5) });
        QVERIFY2(reply.startsWith("HTTP/1.1 200 OK\r\n"), reply.constData());
        QVERIFY(reply.endsWith("\r\n\r\nsuccess"));
        QCOMPARE(stand.nextForm(), QString::fromLatin1(body));
        QCOMPARE(stand.child.process->state(), QProcess::Running);
    }

    // The hostile answers the uploader's tests rely on.
    void standInReplyModes()
    {
        const QByteArray body = "id=7&pw=key";
        const QByteArray request = "POST /quorinconnect HTTP/1.1\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\n\r\n" + body;

        PortalProcess trickling;
        QVERIFY(
            trickling.start(QStringLiteral("7"), QStringLiteral("key"), { "--reply", "trickle" }));
        QTcpSocket slow;
        slow.connectToHost(QHostAddress::LocalHost, trickling.port);
        QVERIFY(slow.waitForConnected(5000));
        slow.write(request);
        QByteArray got;
        // The answer without a length, then more for as long as we listen.
        while (!got.contains("success\n.") && slow.waitForReadyRead(5000))
            got += slow.readAll();
        QVERIFY2(got.startsWith("HTTP/1.1 200 OK\r\n"), got.constData());
        QVERIFY(!got.toLower().contains("content-length"));
        QVERIFY(got.endsWith("\r\n\r\nsuccess\n."));
        QVERIFY(slow.waitForReadyRead(5000));
        QCOMPARE(slow.readAll(), QByteArray("\n."));
        QCOMPARE(slow.state(), QAbstractSocket::ConnectedState);

        PortalProcess huge;
        QVERIFY(huge.start(QStringLiteral("7"), QStringLiteral("key"), { "--reply", "huge" }));
        const QByteArray all = exchange(huge.port, { request });
        const int head = all.indexOf("\r\n\r\n") + 4;
        QVERIFY(all.left(head).contains("\r\nContent-Length: 10485760\r\n"));
        QCOMPARE(all.size() - head, 10 * 1024 * 1024);
        QVERIFY(all.mid(head).startsWith("success.."));
    }

#ifdef Q_OS_UNIX
    void standInEndsCleanlyOnTerminate()
    {
        PortalProcess stand;
        QVERIFY(stand.start(QStringLiteral("7"), QStringLiteral("key")));
        ::kill(pid_t(stand.child.process->processId()), SIGTERM);
        QVERIFY(stand.child.process->waitForFinished(5000));
        QCOMPARE(stand.child.process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(stand.child.process->exitCode(), 0);
    }
#endif
};

QTEST_GUILESS_MAIN(TestPortalServer)
#include "tst_portalserver.moc"

#include "archive/archivestore.h"
#include "state/stateobject.h"
#include "support/syntheticweather.h"
#include "web/webserver.h"
#include "webfixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>

using namespace webfixture;

// The web server over real loopback connections, fed with synthetic cycles.
class TestWebServer : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        nowMs = 1000;
        server = std::make_unique<WebServer>();
        server->setClocks([this] { return nowMs.load(); }, [] { return Noon; });
        server->setKeepAliveInterval(200);
        WebSettings s;
        s.port = 0;
        s.bindAddress = QStringLiteral("127.0.0.1");
        s.archiveFile = archiveFile();
        server->setSettings(s);
        QVERIFY(server->isServing());
        port = server->serverPort();
    }
    void cleanup() { server.reset(); }

    void servesPagesAndRefusesTheRest()
    {
        QCOMPARE(server->statusText(), QStringLiteral("Serving http://127.0.0.1:%1/").arg(port));
        const HttpReply page = get(port, "/");
        QCOMPARE(page.status, 200);
        QVERIFY(page.header("Content-Type").startsWith("text/html"));
        QVERIFY(page.body.contains("No Data Connection"));
        QVERIFY(get(port, "/history").body.contains("/chart.js"));
        QVERIFY(get(port, "/chart.js").body.contains("Chart"));

        const HttpReply head = get(port, "/", "HEAD");
        QCOMPARE(head.status, 200);
        QVERIFY(head.body.isEmpty());
        for (const char *method : { "POST", "PUT", "DELETE", "OPTIONS" }) {
            const HttpReply refused = get(port, "/", method);
            QCOMPARE(refused.status, 405);
            QCOMPARE(refused.header("Allow"), QByteArray("GET, HEAD"));
        }
        for (const char *path : { "/nothing", "/../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd",
                 "//etc/passwd", "/index.html", "/style.css/", "/web/index.html" })
            QCOMPARE(get(port, path).status, 404);

        // Every reply, refusals too, carries the three headers.
        for (const HttpReply &r : { page, head, get(port, "/nothing"), get(port, "/", "POST"),
                 get(port, "/api/current.json"), get(port, "/metrics") }) {
            QCOMPARE(r.header("Content-Security-Policy"), QByteArray("default-src 'self'"));
            QCOMPARE(r.header("X-Content-Type-Options"), QByteArray("nosniff"));
            QCOMPARE(r.header("Referrer-Policy"), QByteArray("no-referrer"));
        }
    }

    void currentIsTheMqttStateWithItsAge()
    {
        const HttpReply before = get(port, "/api/current.json");
        QCOMPARE(before.status, 503);
        QCOMPARE(before.body, QByteArray(R"({"age_s":null,"stale":false})"));

        auto c = std::make_shared<StationCycle>(*cycle());
        c->rejectedTotals.insert(QStringLiteral("temperature_c"), 2);
        server->takeCycle(c);
        nowMs += 2500;
        server->takeCycle(cycle(1, StationCycle::Kind::Failed));
        const HttpReply after = get(port, "/api/current.json");
        QCOMPARE(after.status, 200);
        QVERIFY(after.header("Content-Type").startsWith("application/json"));
        QJsonObject o = QJsonDocument::fromJson(after.body).object();
        QCOMPARE(o.take(QStringLiteral("age_s")).toDouble(), 2.5);
        QCOMPARE(o.take(QStringLiteral("stale")).toBool(), false);
        QCOMPARE(o,
            QJsonDocument::fromJson(state::stateJson(c->values, c->utc, c->rejectedTotals))
                .object());
        QVERIFY(o.contains(QStringLiteral("rejected_total")));

        nowMs += 7500;
        o = QJsonDocument::fromJson(get(port, "/api/current.json").body).object();
        QCOMPARE(o.value(QStringLiteral("stale")).toBool(), true);
        QVERIFY(get(port, "/metrics").body.contains("\nskyquill_up 0\n"));
    }

    void eventStreamCarriesEachCycleAndKeepsAlive()
    {
        server->takeCycle(cycle());
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(s.waitForConnected());
        s.write("GET /api/events HTTP/1.1\r\nHost: test\r\n\r\n");
        QByteArray got;
        const auto readUntil = [&](const QByteArray &text) {
            QTRY_VERIFY_WITH_TIMEOUT((got += s.readAll()).contains(text), 5000);
        };
        readUntil("retry: 2000");
        QVERIFY(got.contains("text/event-stream"));
        QVERIFY(got.contains("event: state\ndata: {"));
        QVERIFY(got.contains("event: display\ndata: {"));
        QCOMPARE(server->streamCount(), 1);

        got.clear();
        server->takeCycle(cycle(1, StationCycle::Kind::Good));
        readUntil("\"time\":\"2026-05-04T12:00:01Z\"");
        got.clear();
        readUntil(": keep-alive\n\n");

        // Ten seconds without a good read: the stream says so with the next cycle.
        got.clear();
        nowMs += 10000;
        server->takeCycle(cycle(11, StationCycle::Kind::Failed));
        readUntil("\"stale\":true}\n\nevent: display");

        s.abort();
        QTRY_COMPARE(server->streamCount(), 0);
    }

    void holdsSixteenConnectionsPerAddress()
    {
        std::vector<std::unique_ptr<QTcpSocket>> held;
        for (int i = 0; i < WebServer::MaxPerAddress + 1; ++i) {
            held.push_back(std::make_unique<QTcpSocket>());
            held.back()->connectToHost(QHostAddress::LocalHost, port);
            QVERIFY(held.back()->waitForConnected());
        }
        // The one over the limit is closed at once; the others stay.
        QTRY_VERIFY(held.back()->state() == QAbstractSocket::UnconnectedState);
        QVERIFY(held.front()->state() == QAbstractSocket::ConnectedState);
        QCOMPARE(fromAddress("127.0.0.2", "GET / HTTP/1.0\r\n\r\n").left(12),
            QByteArray("HTTP/1.1 200"));
    }

    void slowHeadersAreCutOffWithoutHoldingUpOthers()
    {
        server->setHeaderTimeout(1000);
        server->setSettings([&] {
            WebSettings s = server->settings();
            s.bindAddress = QStringLiteral("127.0.0.2");
            return s;
        }());
        port = server->serverPort();
        QTcpSocket loris;
        loris.bind(QHostAddress(QStringLiteral("127.0.0.3")));
        loris.connectToHost(QHostAddress(QStringLiteral("127.0.0.2")), port);
        QVERIFY(loris.waitForConnected());
        loris.write("GET / HTTP/1.1\r\n");
        QTimer trickle;
        connect(&trickle, &QTimer::timeout, &loris, [&loris] { loris.write("X-A: b\r\n"); });
        trickle.start(100);
        QCOMPARE(fromAddress("127.0.0.4", "GET / HTTP/1.0\r\n\r\n", "127.0.0.2").left(12),
            QByteArray("HTTP/1.1 200"));
        // A byte every tenth of a second does not keep it open past the limit.
        QTRY_VERIFY_WITH_TIMEOUT(loris.state() == QAbstractSocket::UnconnectedState, 8000);
    }

    void settingsRestartOnlyWhatChanged()
    {
        QSignalSpy changed(server.get(), &WebServer::statusChanged);
        WebSettings s = server->settings();
        server->setSettings(s);
        s.display.units.temperature = TemperatureUnit::Celsius;
        server->setSettings(s);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(server->serverPort(), port);

        // A port another program holds.
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::LocalHost, 0));
        s.port = other.serverPort();
        server->setSettings(s);
        QCOMPARE(changed.count(), 1);
        QVERIFY(!server->isServing());
        QCOMPARE(server->statusText(),
            QStringLiteral("Not serving on port %1: address already in use").arg(s.port));
        QVERIFY(server->statusHint().contains(QStringLiteral("tried again every 10 s")));

        s.bindAddress = QStringLiteral("192.0.2.1");
        server->setSettings(s);
        QVERIFY(server->statusText().startsWith(QStringLiteral("Not serving on port")));
        QVERIFY(server->statusHint().contains(QStringLiteral("not one of this machine's")));

        s.enabled = false;
        server->setSettings(s);
        QCOMPARE(server->statusText(), QStringLiteral("Off"));
    }

    void metricsPassPromtool()
    {
        const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
        if (promtool.isEmpty())
            QSKIP("promtool not found (Debian's prometheus)");
        auto c = std::make_shared<StationCycle>(*cycle());
        c->rejectedTotals
            = { { QStringLiteral("temperature_c"), 2 }, { QStringLiteral("wind_gust_ms"), 1 } };
        server->takeCycle(c);
        const HttpReply metrics = get(port, "/metrics");
        QCOMPARE(metrics.status, 200);
        QProcess check;
        check.start(promtool, { QStringLiteral("check"), QStringLiteral("metrics") });
        check.write(metrics.body);
        check.closeWriteChannel();
        QVERIFY(check.waitForFinished(30000));
        const QByteArray said = check.readAllStandardOutput() + check.readAllStandardError();
        QVERIFY2(check.exitCode() == 0 && said.trimmed().isEmpty(), said.constData());
    }

    void historyOfAYearKeepsToAThousandPoints()
    {
        {
            ArchiveStore store;
            QCOMPARE(store.open(archiveFile()), ArchiveStore::OpenResult::Ready);
            // A minute in thirty fills every bucket of the year; the days the
            // 24 h query reads have all of theirs. A fifth of the time to write.
            QVector<archive::MinuteRow> rows;
            for (const archive::MinuteRow &r : syntheticMinutes(Noon - 365 * 86400, 365 * 1440, 7))
                if (r.start % 1800 == 0 || r.start >= Noon - 5 * 86400)
                    rows.append(r);
            QVERIFY(store.insert(rows).ok);
        }
        const HttpReply year = get(port, "/api/history.json?range=1y");
        QCOMPARE(year.status, 200);
        const QJsonObject o = QJsonDocument::fromJson(year.body).object();
        QCOMPARE(o.value(QStringLiteral("units")).toObject().value(QStringLiteral("temperature")),
            QJsonValue(QStringLiteral("°F")));
        const QJsonObject series = o.value(QStringLiteral("series")).toObject();
        for (const char *name :
            { "temp", "dew", "hum", "press", "wind", "gust", "solar", "tempLow", "dayHigh" }) {
            const int points = series.value(QLatin1String(name)).toArray().size();
            QVERIFY2(points > 300 && points <= 1000, name);
        }
        // Rain per local day, 365 of them or a part of one more.
        const int bars = o.value(QStringLiteral("rain")).toArray().size();
        QVERIFY2(bars == 365 || bars == 366, QByteArray::number(bars));

        QCOMPARE(get(port, "/api/history.json?range=2w").status, 400);
        QCOMPARE(get(port, "/api/history.json?range=24h&end=yesterday").status, 400);
        const QJsonObject day = QJsonDocument::fromJson(
            get(port, "/api/history.json?range=24h&end=2026-05-01T00:00:00Z").body)
                                    .object();
        QCOMPARE(day.value(QStringLiteral("to")).toDouble(), 1777593600000.0);
        QCOMPARE(day.value(QStringLiteral("series"))
                     .toObject()
                     .value(QStringLiteral("temp"))
                     .toArray()
                     .size(),
            720);
    }

private:
    QString archiveFile() const { return folder.filePath(QStringLiteral("archive.sqlite")); }

    // Sends a request from another loopback address and reads what comes back.
    QByteArray fromAddress(
        const char *source, const QByteArray &request, const char *to = "127.0.0.1")
    {
        QTcpSocket s;
        s.bind(QHostAddress(QLatin1String(source)));
        s.connectToHost(QHostAddress(QLatin1String(to)), port);
        if (!s.waitForConnected())
            return QByteArray();
        s.write(request);
        QByteArray got;
        while (s.waitForReadyRead(3000))
            got += s.readAll();
        return got;
    }

    QTemporaryDir folder;
    std::unique_ptr<WebServer> server;
    std::atomic<qint64> nowMs { 0 };
    quint16 port = 0;
};

QTEST_MAIN(TestWebServer)
#include "tst_webserver.moc"

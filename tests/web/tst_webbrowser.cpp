#include "archive/archivestore.h"
#include "support/freeport.h"
#include "support/processes.h"
#include "support/syntheticweather.h"
#include "web/webserver.h"
#include "webfixture.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>

using namespace webfixture;

// The live page in a real headless Chromium at a phone's size, against a
// server fed with synthetic cycles: the temperature as the dashboard writes
// it, an update without a reload, the banner when good reads stop, the page
// back by itself after the console restarts; then the history page's charts
// over a synthetic archive, and the records page reached from the main page.
class TestWebBrowser : public QObject
{
    Q_OBJECT

private slots:
    void phoneSeesTheDashboard()
    {
        QTemporaryDir folder;
        const QString archive = folder.filePath(QStringLiteral("archive.sqlite"));
        {
            ArchiveStore store;
            QCOMPARE(store.open(archive), ArchiveStore::OpenResult::Ready);
            const qint64 now = QDateTime::currentSecsSinceEpoch() / 60 * 60;
            QVERIFY(store.insert(syntheticMinutes(now - 86400, 1440)).ok);
        }
        std::atomic<qint64> nowMs { 0 };
        WebServer server;
        server.setClocks(
            [&nowMs] { return nowMs.load(); }, [] { return QDateTime::currentSecsSinceEpoch(); });
        WebSettings s;
        // A port of its own: the console comes back on the same one.
        s.port = freeTcpPort();
        s.bindAddress = QStringLiteral("127.0.0.1");
        s.archiveFile = archive;
        server.setSettings(s);
        QVERIFY(server.isServing());
        server.takeCycle(cycle()); // 21.4 °C
        server.setRecords(R"({"year":2026,"month":5,"records":[{"record":"temp_high",
            "name":"Highest temperature","all_time":{"value":30.5,"time":"2026-05-04T12:00:00Z",
            "text":"86.9 °F","local":"2026-05-04 12:00"},"year":null,"month":null}]})");

        TestProcess browser;
        browser.process->start(QStringLiteral("/usr/bin/python3"),
            { QStringLiteral(BROWSER_CHECK),
                QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort()),
                QStringLiteral("70.5"), QStringLiteral("71.6"), QStringLiteral("73.4") });
        const auto line = [&](const char *prefix) {
            const std::optional<QString> rest = browser.waitForLine(prefix, 60000);
            if (!rest && browser.process->exitCode() == 77)
                return QStringLiteral("skip");
            return rest.value_or(QStringLiteral("nothing; it said: ")
                + QString::fromUtf8(browser.process->readAllStandardError().right(2000)));
        };
        const auto pump = [&](const CyclePtr &c) {
            server.takeCycle(c);
            QCoreApplication::processEvents();
        };

        const QString shown = line("shown");
        if (shown == QLatin1String("skip"))
            QSKIP("no headless Chromium with its driver and Selenium");
        QCOMPARE(shown, QStringLiteral("70.5 width 412 fits"));

        StationValues warmer = sampleValues();
        warmer.airTemp = 22.0;
        pump(cycle(1, StationCycle::Kind::Good, warmer));
        browser.process->write("next\n");
        QVERIFY2(browser.waitForLine("updated", 30000), "no update without a reload");

        nowMs += 10000;
        pump(cycle(11, StationCycle::Kind::Failed));
        browser.process->write("next\n");
        QCOMPARE(line("banner"), QStringLiteral("No Data Connection"));

        // The console restarts; the page finds it again by itself.
        s.enabled = false;
        server.setSettings(s);
        s.enabled = true;
        server.setSettings(s);
        QVERIFY(server.isServing());
        StationValues back = sampleValues();
        back.airTemp = 23.0;
        pump(cycle(20, StationCycle::Kind::Good, back));
        browser.process->write("next\n");
        QVERIFY2(browser.waitForLine("reconnected", 30000), "the page did not come back");
        QCOMPARE(line("history"), QStringLiteral("24h function"));
        QCOMPARE(line("records"), QStringLiteral("86.9 °F 2026-05-04 12:00"));
        QVERIFY(browser.process->waitForFinished(30000));
        const QByteArray rest = browser.process->readAllStandardOutput();
        QVERIFY2(!rest.contains("console"), rest.constData());
        QCOMPARE(browser.process->exitCode(), 0);
    }
};

QTEST_MAIN(TestWebBrowser)
#include "tst_webbrowser.moc"

#include "aprsstandin.h"
#include "readings.h"
#include "support/httpstandin.h"
#include "support/logcapture.h"
#include "upload/cannedportal.h"

#include "networks/networks.h"

#include <QtTest>

using networks::Networks;

namespace {

const QDateTime Noon(QDate(2026, 3, 6), QTime(12, 0), Qt::UTC);

// Every network pointed at its own stand-in, on a clock the test moves.
struct Rig
{
    HttpStandIn windy, pws, wow;
    AprsStandIn cwop;
    Networks service;
    NetworksSettings settings;
    QDateTime now = Noon;

    bool start()
    {
        if (!windy.start() || !pws.start() || !wow.start() || !cwop.start())
            return false;
        settings.latitude = 49.0583;
        settings.longitude = 7.5;
        settings.version = QStringLiteral("1.2.3");
        settings.cwop
            = { true, QStringLiteral("CW1234"), QStringLiteral("-1"), cwop.address(), 10 };
        settings.windy
            = { true, QStringLiteral("w1"), QStringLiteral("key"), windy.url("/windy"), 5 };
        settings.pws = { true, QStringLiteral("KX1"), QStringLiteral("pw"), pws.url("/pws"), 5 };
        settings.wow = { true, QStringLiteral("7"), QStringLiteral("123456"), wow.url("/wow"), 10 };
        service.setClock([this] { return now; });
        service.setDeadline(1000);
        service.setRainSource(archiveRain);
        service.setSettings(settings);
        return true;
    }

    // A good cycle `seconds` after noon, read `age` seconds before then.
    void cycleAt(int seconds, int age = 0)
    {
        now = Noon.addSecs(seconds);
        service.takeCycle(goodCycle(mildValues(), now.addSecs(-age)));
    }

    // The same, and every upload it started has ended.
    void stepTo(int seconds)
    {
        cycleAt(seconds);
        QTRY_VERIFY(!service.uploading());
    }

    QString status(Networks::Network network) const { return service.status(network); }
};

} // namespace

class TestNetworkUploads : public QObject
{
    Q_OBJECT

    std::unique_ptr<Rig> rig;

private slots:
    void init()
    {
        rig = std::make_unique<Rig>();
        QVERIFY(rig->start());
    }

    void eachOnItsOwnSchedule()
    {
        rig->stepTo(0);
        for (int n = 0; n < Networks::NetworkCount; ++n)
            QCOMPARE(
                rig->status(Networks::Network(n)), QStringLiteral("Last upload 12:00: accepted"));
        QTRY_COMPARE(rig->cwop.lines.size(), 2);
        QCOMPARE(rig->cwop.lines[0], QByteArray("user CW1234 pass -1 vers Skyquill 1.2.3"));
        QVERIFY(rig->cwop.lines[1].startsWith(
            "CW1234>APRS,TCPIP*:@061200z4903.50N/00730.00E_247/008g012t071r010p100P050h56"));
        QVERIFY(rig->windy.requests[0].target.startsWith(
            "/windy?id=w1&time=2026-03-06T12%3A00%3A00Z&temp=21.4"));
        QCOMPARE(rig->windy.requests[0].header("Authorization"), QByteArray("Bearer key"));
        QVERIFY(rig->pws.requests[0].target.startsWith("/pws?ID=KX1&PASSWORD=pw&"));
        QVERIFY(rig->wow.requests[0].target.startsWith("/wow?siteid=7&"));

        rig->stepTo(60);
        // A reading six minutes old is never sent.
        rig->cycleAt(300, 360);
        rig->stepTo(301);
        QCOMPARE(rig->pws.requests.size(), 2);
        rig->stepTo(600);
        QTRY_COMPARE(rig->cwop.lines.size(), 4);
        QCOMPARE(rig->wow.requests.size(), 2);
        QCOMPARE(rig->windy.requests.size(), 2);
        QCOMPARE(rig->pws.requests.size(), 2);
    }

    void refusalStopsAndBusyWaitsAsAsked()
    {
        rig->pws.status = 401;
        rig->windy.status = 429;
        rig->windy.headers = "Retry-After: 900\r\n";
        rig->stepTo(0);
        QCOMPARE(rig->status(Networks::PwsNetwork),
            QStringLiteral("Credentials refused (HTTP 401): uploads stopped until they change"));
        QCOMPARE(rig->status(Networks::WindyNetwork),
            QStringLiteral("Last upload 12:00 failed: HTTP 429, asked to wait 900 s"));
        rig->stepTo(300);
        rig->stepTo(600);
        QCOMPARE(rig->wow.requests.size(), 2);
        QCOMPARE(rig->windy.requests.size(), 1);
        rig->stepTo(900);
        QCOMPARE(rig->windy.requests.size(), 2);
        QCOMPARE(rig->pws.requests.size(), 1);

        rig->settings.pws.secret = QStringLiteral("new");
        rig->service.setSettings(rig->settings);
        rig->stepTo(901);
        QCOMPARE(rig->pws.requests.size(), 2);
    }

    void failuresRetryAtTheNextIntervalAndReachTheLogOnce()
    {
        LogCapture log;
        rig->wow.status = 500;
        rig->windy.status = 409; // a duplicate: delivered before
        rig->settings.cwop.endpoint = QStringLiteral("127.0.0.1:%1").arg(closedPort());
        rig->service.setSettings(rig->settings);
        rig->stepTo(0);
        QVERIFY(rig->status(Networks::CwopNetwork)
                    .startsWith(QStringLiteral("Last upload 12:00 failed: server unreachable (")));
        QCOMPARE(
            rig->status(Networks::WindyNetwork), QStringLiteral("Last upload 12:00: accepted"));
        rig->stepTo(600);
        QCOMPARE(rig->wow.requests.size(), 2);
        QCOMPARE(rig->status(Networks::WowNetwork),
            QStringLiteral("Last upload 12:10 failed: HTTP 500"));
        QCOMPARE(log.countStartingWith(QStringLiteral("WOW: ")), 1);
        QCOMPARE(log.countStartingWith(QStringLiteral("CWOP: ")), 1);
        QCOMPARE(log.countStartingWith(QStringLiteral("Windy: ")), 0);
    }

    void aHangingServerDelaysNoOther()
    {
        rig->windy.silent = true;
        rig->cycleAt(0);
        QTRY_COMPARE(
            rig->status(Networks::PwsNetwork), QStringLiteral("Last upload 12:00: accepted"));
        rig->cycleAt(300);
        QTRY_COMPARE(rig->pws.requests.size(), 2);
        QTRY_COMPARE(rig->status(Networks::WindyNetwork),
            QStringLiteral("Last upload 12:00 failed: timed out after 1 s"));
        rig->cycleAt(330);
        QTRY_COMPARE(rig->windy.requests.size(), 2);
    }

    void cwopServerMisbehaving_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("status");
        QTest::newRow("garbage, answer split")
            << QByteArray("normal") << "Last upload 12:00: accepted";
        QTest::newRow("hangs up") << QByteArray("close")
                                  << "Last upload 12:00 failed: server unreachable";
        QTest::newRow("floods") << QByteArray("flood")
                                << "Last upload 12:00 failed: reply larger than 64 KiB";
        QTest::newRow("silent") << QByteArray("silent")
                                << "Last upload 12:00 failed: timed out after 1 s";
    }
    void cwopServerMisbehaving()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, status);
        rig->cwop.reply = reply;
        rig->cycleAt(0);
        QTRY_VERIFY(rig->status(Networks::CwopNetwork).startsWith(status));
    }
};

QTEST_GUILESS_MAIN(TestNetworkUploads)
#include "tst_networkuploads.moc"

#include "readings.h"

#include "networks/cwop.h"
#include "networks/uploadschedule.h"
#include "networks/windy.h"
#include "networks/wunetwork.h"
#include "settings/syssettings.h"

#include <QtTest>

using namespace networks;

namespace {

// Both sensors at fault and no gauge, with the archive on.
StationValues faultyValues()
{
    StationValues v = mildValues();
    v.wdsStatus = -1;
    v.tphStatus = -3;
    v.rainUnits = 0;
    return v;
}

const QDateTime NewYearsEve(QDate(2026, 12, 31), QTime(23, 59), Qt::UTC);

} // namespace

class TestNetworkFormats : public QObject
{
    Q_OBJECT

private slots:
    void cwopPackets_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("north-east, millimetres")
            << Cwop::packet(QStringLiteral(" cw1234"), 49.0583, 7.5,
                   observe(mildValues(), SampleTime, archiveRain))
            << QByteArray("CW1234>APRS,TCPIP*:@061405z4903.50N/00730.00E_247/008g012t071r010p100"
                          "P050h56b10133Skyquill\r\n");
        QTest::newRow("south-west, inches, below 0 °F, 100 %, no archive")
            << Cwop::packet(QStringLiteral("VK2XYZ-13"), -33.8688, -151.2093,
                   observe(coldValues(), NewYearsEve))
            << QByteArray("VK2XYZ-13>APRS,TCPIP*:@312359z3352.13S/15112.56W_000/000g000t-05r...p..."
                          "P025h00b10300Skyquill\r\n");
        QTest::newRow("sensors at fault")
            << Cwop::packet(QStringLiteral("CW1234"), 49.0583, 7.5,
                   observe(faultyValues(), SampleTime, archiveRain))
            << QByteArray("CW1234>APRS,TCPIP*:@061405z4903.50N/00730.00E_.../...g...t...r...p..."
                          "P...h..b.....Skyquill\r\n");
    }
    void cwopPackets()
    {
        QFETCH(QByteArray, packet);
        QFETCH(QByteArray, expected);
        QCOMPARE(packet, expected);
    }

    void cwopLoginPositionAndServer()
    {
        QCOMPARE(Cwop::login(QStringLiteral("cw1234"), QString(), QStringLiteral("1.2.3")),
            QByteArray("user CW1234 pass -1 vers Skyquill 1.2.3\r\n"));
        // Minutes that round up to 60 carry into the degrees.
        QCOMPARE(Cwop::position(12.9999999, -0.0000001), QByteArray("1300.00N/00000.00W"));
        QCOMPARE(Cwop::server(QStringLiteral("cwop.aprs.net"))->port, quint16(14580));
        QCOMPARE(Cwop::server(QStringLiteral("[::1]:23"))->host, QStringLiteral("::1"));
        QVERIFY(!Cwop::server(QStringLiteral("host:port")));
        QVERIFY(!Cwop::server(QStringLiteral("host/path")));
    }

    void httpQueries()
    {
        const NetworkAccount pws { true, QStringLiteral("KX 1"), QStringLiteral("p+w&d%"), {}, 5 };
        QCOMPARE(WuNetwork::pwsQuery(
                     observe(coldValues(), NewYearsEve, archiveRain), pws, QStringLiteral("1.2.3")),
            QStringLiteral("ID=KX%201&PASSWORD=p%2Bw%26d%25&dateutc=2026-12-31%2023%3A59%3A00"
                           "&tempf=-5.1&humidity=100&dewptf=-5.1&baromin=30.416&windspeedmph=0.0"
                           "&windgustmph=0.0&winddir=0&dailyrainin=0.25&rainin=0.10"
                           "&softwaretype=Skyquill%201.2.3&action=updateraw"));

        const NetworkAccount wow { true, QStringLiteral("site-7"), QStringLiteral("123456"), {},
            10 };
        QCOMPARE(
            WuNetwork::wowQuery(observe(mildValues(), SampleTime), wow, QStringLiteral("1.2.3")),
            QStringLiteral("siteid=site-7&siteAuthenticationKey=123456"
                           "&dateutc=2026-03-06%2014%3A05%3A09&softwaretype=Skyquill%201.2.3"
                           "&tempf=70.5&humidity=56&dewptf=53.6&baromin=29.923&windspeedmph=8.1"
                           "&windgustmph=12.3&winddir=247&dailyrainin=0.50&solarradiation=455"));

        QCOMPARE(Windy::query(observe(mildValues(), SampleTime, archiveRain), QStringLiteral("w1")),
            QStringLiteral("id=w1&time=2026-03-06T14%3A05%3A09Z&temp=21.4&humidity=56"
                           "&pressure=101320&wind=3.6&gust=5.5&winddir=247&precip=2.5"));
        QCOMPARE(
            Windy::query(observe(faultyValues(), SampleTime, archiveRain), QStringLiteral("w1")),
            QStringLiteral("id=w1&time=2026-03-06T14%3A05%3A09Z"));
    }

    // Each network reads its own keys, trimmed, with the documented defaults.
    void settingsFromTheStore()
    {
        QTemporaryDir dir;
        SysSettings store(dir.path(), [] { return QList<SerialPortEntry>(); });
        store.setStationLongitude(-151.2);
        store.setCwopStationId(QStringLiteral(" CW1234 "));
        store.setWindyPassword(QStringLiteral("windy secret"));
        store.setPwsIntervalMinutes(15);
        store.setWowSiteId(QStringLiteral("site-7"));
        store.setWowAuthKey(QStringLiteral("123456"));
        store.setWowUrl(QStringLiteral("http://127.0.0.1:9/wow"));
        store.setWowEnabled(true);

        const NetworksSettings n = networksSettingsFrom(store);
        QCOMPARE(n.longitude, -151.2);
        QCOMPARE(n.latitude, 0.0);
        QCOMPARE(n.cwop,
            (NetworkAccount { false, QStringLiteral("CW1234"), QStringLiteral("-1"),
                QStringLiteral("cwop.aprs.net:14580"), 10 }));
        QCOMPARE(n.windy.secret, QStringLiteral("windy secret"));
        QCOMPARE(n.windy.intervalMinutes, 5);
        QCOMPARE(n.pws.intervalMinutes, 15);
        QCOMPARE(
            n.pws.endpoint, QStringLiteral("https://www.pwsweather.com/pwsupdate/pwsupdate.php"));
        QCOMPARE(n.wow,
            (NetworkAccount { true, QStringLiteral("site-7"), QStringLiteral("123456"),
                QStringLiteral("http://127.0.0.1:9/wow"), 10 }));
        QCOMPARE(n.version, store.version());
    }

    void retryAfter()
    {
        const QDateTime now(QDate(1994, 11, 6), QTime(8, 40), Qt::UTC);
        QCOMPARE(retryAfterSeconds(" 120 ", now), std::optional<qint64>(120));
        QCOMPARE(
            retryAfterSeconds("Sun, 06 Nov 1994 08:49:37 GMT", now), std::optional<qint64>(577));
        QCOMPARE(retryAfterSeconds("Sun, 06 Nov 1994 08:39:00 GMT", now), std::optional<qint64>(0));
        QVERIFY(!retryAfterSeconds("-5", now));
        QVERIFY(!retryAfterSeconds("soon", now));
    }
};

QTEST_GUILESS_MAIN(TestNetworkFormats)
#include "tst_networkformats.moc"

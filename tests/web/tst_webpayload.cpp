#include "records/recordtext.h"
#include "web/freshness.h"
#include "web/historyjson.h"
#include "web/metrics.h"
#include "web/pagetexts.h"
#include "web/routes.h"
#include "webfixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace webfixture;

// The web server's pure functions: the pages' texts, the stale rule, the
// metrics and the history's periods.
class TestWebPayload : public QObject
{
    Q_OBJECT

private slots:
    // The numbers are display::show()'s; the page adds the dashboards' words.
    void pageTextsWrapTheShownValues()
    {
        StationValues v = sampleValues();
        v.metar = QStringLiteral("<b>METAR</b> 041200Z AUTO 24010KT 21/10 A2992");
        DisplayUnits units; // °F, inHg, mph
        QJsonObject o = page(v, units);
        const QMap<QString, QString> expected { { "temp", "70.5" }, { "tempUnit", "°F" },
            { "hum", "55.5 %" }, { "press", "29.98 inHg" }, { "trend", "Rising" },
            { "wind2", "10.7 mph @" }, { "gust", "20.8 mph @" }, { "rain", "1.3 mm" },
            { "metar", "METAR 041200Z AUTO 24010KT 21/10 A2992" } };
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(o.value(it.key()).toString(), it.value());
        QCOMPARE(o.value("windDeg").toDouble(), 247.5);

        v.windGust = 0;
        v.analog1Type = 0;
        v.rainUnits = 0;
        o = page(v, units);
        QCOMPARE(o.value("gust").toString(), QStringLiteral("None"));
        QVERIFY(o.value("gustDeg").isNull());
        QVERIFY(o.value("solar").isNull());
        QCOMPARE(o.value("rainLabel").toString(), QStringLiteral("Rain gauge not installed"));
        QVERIFY(o.value("rainRate").isNull());
    }

    void staleAfterTenSecondsWithoutAGoodRead()
    {
        QVERIFY(!web::freshness(0, -1, 9999).stale);
        QVERIFY(web::freshness(0, -1, 10000).stale);
        QCOMPARE(web::freshness(0, -1, 10000).ageSeconds, -1.0);
        QVERIFY(!web::freshness(0, 5000, 14999).stale);
        QVERIFY(web::freshness(0, 5000, 15000).stale);
        QCOMPARE(web::freshness(0, 5000, 7500).ageSeconds, 2.5);
        QCOMPARE(web::withFreshness(R"({"a":1})", web::freshness(0, 5000, 7500)),
            QByteArray(R"({"a":1,"age_s":2.5,"stale":false})"));
        QCOMPARE(web::withFreshness("{}", web::freshness(0, -1, 20000)),
            QByteArray(R"({"age_s":null,"stale":true})"));
    }

    void metricsInBaseUnits()
    {
        StationValues v = sampleValues();
        v.lightningStatus = -1;
        v.densityAltitude = 1200;
        const QVariantMap rejected { { QStringLiteral("wind_gust_ms"), 3 } };
        const QByteArray text = web::metricsText(web::metricGauges(v, rejected), true, Noon);
        for (const char *line : { "skyquill_temperature_celsius 21.4",
                 "skyquill_humidity_ratio 0.555", "skyquill_pressure_hectopascals 978",
                 "skyquill_sea_level_pressure_hectopascals 1015",
                 "skyquill_wind_speed_meters_per_second 5.2", "skyquill_rain_today_meters 0.00127",
                 "skyquill_density_altitude_meters 365.76", "skyquill_up 1",
                 "skyquill_last_update_timestamp_seconds 1777896000",
                 "# TYPE skyquill_rejected_total counter",
                 "skyquill_rejected_total{quantity=\"wind_gust_ms\"} 3" })
            QVERIFY2(text.contains(QByteArray("\n") + line + '\n'), line);
        // No gauge for texts or for what the station does not deliver.
        QVERIFY(!text.contains("trend") && !text.contains("metar") && !text.contains("lightning"));
        QCOMPARE(text.count("# TYPE "), text.count("\nskyquill_"));

        const QByteArray none = web::metricsText(QByteArray(), false, -1);
        QCOMPARE(none.count("# TYPE "), 1);
        QVERIFY(none.endsWith("\nskyquill_up 0\n"));
    }

    void historyPeriods()
    {
        web::HistoryWindow w;
        QString error;
        QVERIFY(web::historyWindow("7d", QString(), Noon, &w, &error));
        QCOMPARE(w.bucket, 1200); // 504 points
        QCOMPARE(w.to, Noon + 1200);
        QCOMPARE(w.to - w.from, 7 * 86400);
        QVERIFY(web::historyWindow("24h", "2026-05-04T12:01:00Z", 0, &w, &error));
        QCOMPARE(w.to, Noon + 120);
        QVERIFY(!web::historyWindow("1w", QString(), Noon, &w, &error));
        QVERIFY(!web::historyWindow("24h", "noon", Noon, &w, &error));
    }

    // Base values and UTC under the records' keys, the page's texts; 503 until ready.
    void recordsTable()
    {
        records::RecordBook book;
        records::LocalCalendar utc(QTimeZone::utc());
        for (const auto &[day, temp] : { std::pair { 0, 30.5 }, { 1, 12.5 }, { 2, 20.0 } }) {
            archive::MinuteRow row;
            row.start = Noon + day * 86400;
            row.cycles = 60;
            row.temp = temp;
            row.rain = 0;
            book.add(row, utc);
        }
        const QByteArray json = records::tableJson(book, DisplayUnits(), QTimeZone::utc());
        const QJsonObject o = QJsonDocument::fromJson(json).object();
        QCOMPARE(o.value("year").toInt() * 100 + o.value("month").toInt(), 202605);
        QMap<QString, QJsonObject> rows;
        for (const QJsonValue &r : o.value("records").toArray())
            rows.insert(r["record"].toString(), r.toObject());
        const auto scope
            = [&rows](const char *key, const char *name) { return rows.value(key).value(name); };
        const QJsonObject high = scope("temp_high", "all_time").toObject();
        QCOMPARE(high["value"].toDouble(), 30.5);
        QCOMPARE(high["time"].toString(), QStringLiteral("2026-05-04T12:00:00Z"));
        QCOMPARE(high["text"].toString(), QStringLiteral("86.9 °F"));
        QCOMPARE(high["local"].toString(), QStringLiteral("2026-05-04 12:00"));
        QCOMPARE(scope("temp_low", "month")["text"].toString(), QStringLiteral("54.5 °F"));
        QVERIFY(scope("humidity_high", "year").isNull());
        const QJsonObject dry = scope("dry_spell", "year").toObject();
        QCOMPARE(dry["value"].toDouble(), 2.0);
        QCOMPARE(dry["since"].toString(), QStringLiteral("2026-05-04T12:00:00Z"));
        QCOMPARE(dry["time"].toString(), QStringLiteral("2026-05-05T12:00:00Z"));
        QCOMPARE(dry["local"].toString(), QStringLiteral("2026-05-04 to 2026-05-05"));

        web::Snapshot snapshot;
        const web::Request get { "GET", "/api/records.json", {}, {}, {} };
        web::Reply r = web::route(get, snapshot, 0, Noon);
        QCOMPARE(r.status, 503);
        QVERIFY(QJsonDocument::fromJson(r.body).object().contains("error"));
        snapshot.records = json;
        r = web::route(get, snapshot, 0, Noon);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.body, json);
    }

private:
    static QJsonObject page(const StationValues &values, const DisplayUnits &units)
    {
        return QJsonDocument::fromJson(
            web::pageJson(*cycle(0, StationCycle::Kind::Good, values), units))
            .object();
    }
};

QTEST_MAIN(TestWebPayload)
#include "tst_webpayload.moc"

#include "alarms/alarmmqtt.h"
#include "mqtt/mqttpayload.h"
#include "record/stationcycle.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <clocale>

using namespace mqtt;
using namespace state;

// The pure side of the MQTT publisher: topics, the state object, the
// discovery configs, the interval and the backoff, without a broker.
class TestMqttPayload : public QObject
{
    Q_OBJECT

private:
    static StationValues fullStation()
    {
        StationValues v;
        v.airTemp = 21.4;
        v.humidity = 55.5;
        v.dewPoint = 9.6;
        v.pressureRaw = 978.0;
        v.pressure = 1015.0;
        v.altimeter = 1013.2534;
        v.pressureTrend = -2;
        v.wind = 5.2;
        v.windDir = 247.5;
        v.wind2 = 4.8;
        v.windDir2 = 240.0;
        v.wind10 = 4.1;
        v.windDir10 = 230.0;
        v.windGust = 9.3;
        v.windDirGust = 255.0;
        v.rainUnits = 2; // inches
        v.rainDay = 0.5;
        v.rainRate = 0.03;
        v.analog1Type = 0;
        v.analog2Type = 3;
        v.analog2 = double(523.4f);
        v.lightningStatus = 0;
        v.lightningDistance = 12;
        v.lightning10 = 3;
        v.lightning30 = 7;
        v.lightning60 = 9;
        v.heatIndex = 21.8;
        v.windChill = 19.9;
        v.humidex = 25.0;
        v.wbgt = 18.0;
        v.densityAltitude = 1200;
        v.estimatedCloudBase = 4700;
        v.metar = QStringLiteral("<b>METAR</b> 041200Z AUTO 24010KT 21/10 A2992 RMK AO1 SLP133=");
        return v;
    }

    static QJsonObject parse(const QByteArray &json)
    {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject())
            qWarning() << "not a JSON object:" << json;
        return doc.object();
    }

private slots:
    void topics()
    {
        QCOMPARE(
            availabilityTopic("skyquill", "100234"), QByteArray("skyquill/100234/availability"));
        QCOMPARE(stateTopic("home/wx", "7"), QByteArray("home/wx/7/state"));
        QCOMPARE(discoveryTopic("homeassistant", "100234", "rain_day_mm"),
            QByteArray("homeassistant/sensor/skyquill_100234/rain_day_mm/config"));
        QVERIFY(validTopicPrefix("home/weather"));
        for (const char *bad : { "", "home/+", "#", "a#b" })
            QVERIFY2(!validTopicPrefix(QString::fromLatin1(bad)), bad);
        QVERIFY(!validTopicPrefix(QStringLiteral("a") + QChar(0)));
    }

    void stateInBaseUnitsAndTheCLocale()
    {
        // A decimal-comma locale must not reach the numbers.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_ALL, "de_DE.UTF-8");
        const QByteArray json
            = stateJson(fullStation(), QDateTime(QDate(2026, 5, 4), QTime(12, 0, 5), Qt::UTC));
        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(QLocale::c());
        QVERIFY2(json.contains("\"temperature_c\":21.4"), json);

        const QJsonObject expected {
            { "time", "2026-05-04T12:00:05Z" },
            { "temperature_c", 21.4 },
            { "humidity_pct", 55.5 },
            { "dew_point_c", 9.6 },
            { "pressure_hpa", 978 },
            { "sea_level_pressure_hpa", 1015 },
            { "altimeter_hpa", 1013.25 },
            { "pressure_trend", "Falling Fast" },
            { "wind_speed_ms", 5.2 },
            { "wind_dir_deg", 247.5 },
            { "wind_speed_2min_ms", 4.8 },
            { "wind_dir_2min_deg", 240 },
            { "wind_speed_10min_ms", 4.1 },
            { "wind_dir_10min_deg", 230 },
            { "wind_gust_ms", 9.3 },
            { "wind_gust_dir_deg", 255 },
            { "rain_day_mm", 12.7 },
            { "rain_rate_mmh", 0.762 },
            { "solar_wm2", 523.4 },
            { "lightning_distance_km", 12 },
            { "lightning_10min", 3 },
            { "lightning_30min", 7 },
            { "lightning_60min", 9 },
            { "heat_index_c", 21.8 },
            { "wind_chill_c", 19.9 },
            { "humidex", 25 },
            { "wbgt_c", 18 },
            { "density_altitude_ft", 1200 },
            { "cloud_base_ft", 4700 },
            { "metar", "METAR 041200Z AUTO 24010KT 21/10 A2992 RMK AO1 SLP133=" },
        };
        const QJsonObject o = parse(json);
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QVERIFY2(o.value(it.key()) == it.value(), qPrintable(it.key()));
        QCOMPARE(o.keys(), expected.keys());

        StationValues mm = fullStation();
        mm.rainUnits = 1;
        mm.rainDay = 1.27;
        QCOMPARE(parse(stateJson(mm, QDateTime())).value("rain_day_mm").toDouble(), 1.27);
    }

    void quantitiesTheStationDoesNotDeliverAreNull()
    {
        auto nulls = [](const StationValues &v) {
            QStringList keys;
            const QJsonObject o
                = parse(stateJson(v, QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC)));
            for (auto it = o.begin(); it != o.end(); ++it)
                if (it.value().isNull())
                    keys.append(it.key());
            keys.sort();
            return keys;
        };
        QCOMPARE(nulls(fullStation()), QStringList());

        StationValues v = fullStation();
        v.rainUnits = 0;
        v.analog2Type = 1;
        v.heatIndex = v.windChill = v.humidex = v.wbgt = -999.0;
        QCOMPARE(nulls(v),
            QStringList({ "heat_index_c", "humidex", "rain_day_mm", "rain_rate_mmh", "solar_wm2",
                "wbgt_c", "wind_chill_c" }));

        v = fullStation();
        v.lightningDistance = 0; // no storm in range
        QCOMPARE(nulls(v), QStringList({ "lightning_distance_km" }));
        v.lightningStatus = -1;
        QCOMPARE(nulls(v),
            QStringList({ "lightning_10min", "lightning_30min", "lightning_60min",
                "lightning_distance_km" }));

        v = fullStation();
        v.metar = QStringLiteral("METAR"); // nothing read yet
        QCOMPARE(nulls(v), QStringList({ "metar" }));

        v = fullStation();
        v.wdsStatus = -1;
        v.metar = QStringLiteral("METAR:");
        QCOMPARE(nulls(v),
            QStringList({ "metar", "wind_chill_c", "wind_dir_10min_deg", "wind_dir_2min_deg",
                "wind_dir_deg", "wind_gust_dir_deg", "wind_gust_ms", "wind_speed_10min_ms",
                "wind_speed_2min_ms", "wind_speed_ms" }));
        v = fullStation();
        v.tphStatus = -2;
        QCOMPARE(nulls(v),
            QStringList({ "altimeter_hpa", "cloud_base_ft", "density_altitude_ft", "dew_point_c",
                "heat_index_c", "humidex", "humidity_pct", "pressure_hpa", "pressure_trend",
                "sea_level_pressure_hpa", "temperature_c", "wbgt_c", "wind_chill_c" }));
    }

    void discoveryConfigs()
    {
        const QStringList stateKeys { "temperature_c", "humidity_pct", "dew_point_c",
            "pressure_hpa", "sea_level_pressure_hpa", "altimeter_hpa", "pressure_trend",
            "wind_speed_ms", "wind_dir_deg", "wind_speed_2min_ms", "wind_dir_2min_deg",
            "wind_speed_10min_ms", "wind_dir_10min_deg", "wind_gust_ms", "wind_gust_dir_deg",
            "rain_day_mm", "rain_rate_mmh", "solar_wm2", "lightning_distance_km", "lightning_10min",
            "lightning_30min", "lightning_60min", "heat_index_c", "wind_chill_c", "humidex",
            "wbgt_c", "density_altitude_ft", "cloud_base_ft", "metar" };
        QStringList configured;
        const QJsonObject state = parse(stateJson(fullStation(), QDateTime()));
        const Device device { QStringLiteral("100234"), QStringLiteral("0.8.0") };
        QHash<QString, QJsonObject> byKey;
        for (const Quantity &q : quantities()) {
            const QString key = QString::fromLatin1(q.key);
            configured.append(key);
            const QJsonObject c = parse(discoveryConfig(q, device, QStringLiteral("wx")));
            byKey.insert(key, c);
            QVERIFY2(!c.value("name").toString().isEmpty(), q.key);
            QCOMPARE(c.value("unique_id").toString(), "skyquill_100234_" + key);
            QCOMPARE(c.value("state_topic").toString(), QStringLiteral("wx/100234/state"));
            QCOMPARE(c.value("value_template").toString(), "{{ value_json." + key + " }}");
            QCOMPARE(
                c.value("availability_topic").toString(), QStringLiteral("wx/100234/availability"));
            QVERIFY2(state.contains(key), q.key);
            const QJsonObject d = c.value("device").toObject();
            QCOMPARE(d.value("identifiers").toArray(), QJsonArray({ "skyquill_100234" }));
            QCOMPARE(d.value("name").toString(), QStringLiteral("Skyquill 100234"));
            QVERIFY(!d.value("model").toString().isEmpty());
            QCOMPARE(d.value("sw_version").toString(), QStringLiteral("0.8.0"));
        }
        QCOMPARE(configured, stateKeys);

        struct Expected
        {
            const char *key, *deviceClass, *unit, *stateClass;
        };
        const Expected expected[] = {
            { "temperature_c", "temperature", "°C", "measurement" },
            { "humidity_pct", "humidity", "%", "measurement" },
            { "pressure_hpa", "atmospheric_pressure", "hPa", "measurement" },
            { "wind_gust_ms", "wind_speed", "m/s", "measurement" },
            { "rain_day_mm", "precipitation", "mm", "total_increasing" },
            { "rain_rate_mmh", "precipitation_intensity", "mm/h", "measurement" },
            { "solar_wm2", "irradiance", "W/m²", "measurement" },
            { "lightning_distance_km", "distance", "km", "measurement" },
            { "cloud_base_ft", "distance", "ft", "measurement" },
        };
        for (const Expected &e : expected) {
            const QJsonObject c = byKey.value(QString::fromLatin1(e.key));
            QCOMPARE(c.value("device_class").toString(), QString::fromUtf8(e.deviceClass));
            QCOMPARE(c.value("unit_of_measurement").toString(), QString::fromUtf8(e.unit));
            QCOMPARE(c.value("state_class").toString(), QString::fromUtf8(e.stateClass));
        }
        // Words, not numbers: a unit or state class would make Home Assistant reject them.
        for (const char *key : { "pressure_trend", "metar" }) {
            const QJsonObject c = byKey.value(QString::fromLatin1(key));
            QVERIFY(!c.contains("unit_of_measurement") && !c.contains("state_class")
                && !c.contains("device_class"));
        }
    }

    // Another service's entity (an alarm) on the station's device.
    void entitiesOfOtherServices()
    {
        const mqtt::Device device { QStringLiteral("1234"), QStringLiteral("1.0") };
        const state::Publication frost = alarms::alarmPublication("frost", "Frost", true);
        QCOMPARE(mqtt::serviceTopic("skyquill", "1234", frost.suffix),
            QByteArray("skyquill/1234/alarm/frost"));
        QCOMPARE(frost.payload, QByteArray("ON"));
        QCOMPARE(mqtt::entityTopic("homeassistant", "1234", frost),
            QByteArray("homeassistant/binary_sensor/skyquill_1234/alarm_frost/config"));
        const QJsonObject o
            = QJsonDocument::fromJson(mqtt::entityConfig(frost, device, "skyquill")).object();
        QCOMPARE(o["device_class"].toString(), QStringLiteral("problem"));
        QCOMPARE(o["state_topic"].toString(), QStringLiteral("skyquill/1234/alarm/frost"));
        QCOMPARE(o["unique_id"].toString(), QStringLiteral("skyquill_1234_alarm_frost"));
        QCOMPARE(o["device"]["identifiers"][0].toString(), QStringLiteral("skyquill_1234"));
        QCOMPARE(o["availability_topic"].toString(), QStringLiteral("skyquill/1234/availability"));
        // Data stopped is on exactly while the station is unavailable.
        QVERIFY(!QJsonDocument::fromJson(
            mqtt::entityConfig(alarms::alarmPublication("data_stopped", "Data stopped", false),
                device, "skyquill"))
                     .object()
                     .contains(QStringLiteral("availability_topic")));
        QVERIFY(mqtt::entityConfig(alarms::alarmRemoval("frost"), device, "skyquill").isEmpty());
    }

    void stateIntervalAndBackoff()
    {
        const QDateTime t0(QDate(2026, 5, 4), QTime(12, 0), Qt::UTC);
        QVERIFY(stateDue(QDateTime(), t0, 10));
        QVERIFY(!stateDue(t0, t0.addSecs(9), 10));
        QVERIFY(stateDue(t0, t0.addSecs(10), 10));
        QVERIFY(stateDue(t0, t0.addSecs(-1), 10)); // a clock set back
        QVERIFY(stateDue(t0, t0.addSecs(1), 0)); // a hand-edited 0 counts as 1

        Backoff backoff;
        QList<int> waits;
        for (int i = 0; i < 9; ++i)
            waits.append(backoff.next());
        QCOMPARE(waits, QList<int>({ 1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000 }));
        backoff.reset();
        QCOMPARE(backoff.next(), 1000);
    }
};

QTEST_GUILESS_MAIN(TestMqttPayload)
#include "tst_mqttpayload.moc"

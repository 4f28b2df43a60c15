#include "acquisition/stationdata.h"
#include "alarms/alarmbook.h"
#include "alarms/alarmquantities.h"
#include "alarms/alarmstatefile.h"
#include "support/logcapture.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace alarms;

// The alarms as pure logic: thresholds, hysteresis, consecutive cycles, the
// latch, data stopped, a restart, and what the settings may hold.
class TestAlarmBook : public QObject
{
    Q_OBJECT

private:
    const QDateTime t0 { QDate(2026, 1, 10), QTime(5, 0), Qt::UTC };

    static AlarmDefinition frost()
    {
        AlarmDefinition a;
        a.name = QStringLiteral("Frost");
        a.quantity = QStringLiteral("temperature_c");
        a.condition = Condition::Below;
        a.threshold = 0;
        a.clear = 1;
        return a;
    }

    // One good cycle a second from `from`, one temperature each; the events.
    static QVector<AlarmEvent> feed(
        AlarmBook &book, QDateTime &at, std::initializer_list<double> temps)
    {
        QVector<AlarmEvent> events;
        for (double t : temps) {
            at = at.addSecs(1);
            events += book.takeCycle(true, { { QStringLiteral("temperature_c"), t } }, at);
        }
        return events;
    }

private slots:
    void raisesAfterConsecutiveCyclesAndClearsOnlyPastClear()
    {
        AlarmBook book;
        book.configure({ frost() }, 0, t0);
        QDateTime at = t0;
        // A warm cycle breaks the run: three in a row are needed.
        QVERIFY(feed(book, at, { -1, -1, 0.5, -1, -1 }).isEmpty());
        const QVector<AlarmEvent> raised = feed(book, at, { -1.5 });
        QCOMPARE(raised.size(), 1);
        QVERIFY(raised[0].raised);
        QCOMPARE(raised[0].value, -1.5);
        // Between the threshold and Clear it holds, however long it hovers.
        QVERIFY(feed(book, at, { 0.2, -0.1, 0.9, 1.0, 0.0 }).isEmpty());
        const QVector<AlarmEvent> cleared = feed(book, at, { 1.1 });
        QCOMPARE(cleared.size(), 1);
        QVERIFY(!cleared[0].raised);
    }

    void missingValuesAndFailedCyclesNeitherRaiseNorClear()
    {
        AlarmBook book;
        book.configure({ frost() }, 0, t0);
        QDateTime at = t0;
        feed(book, at, { -1, -1 });
        // A failed cycle carries the last values: they do not count again.
        QVERIFY(book.takeCycle(false, { { QStringLiteral("temperature_c"), -1 } }, at).isEmpty());
        QVERIFY(book.takeCycle(true, { { QStringLiteral("humidity_pct"), 90 } }, at).isEmpty());
        QCOMPARE(feed(book, at, { -1 }).size(), 1);
        QVERIFY(book.takeCycle(false, { { QStringLiteral("temperature_c"), 5 } }, at).isEmpty());
        QVERIFY(book.takeCycle(true, {}, at).isEmpty());
        QVERIFY(book.entries()[0].state.raised);
    }

    void latchSendsOneNoticeThenTheStateItEndsIn()
    {
        AlarmDefinition a = frost();
        a.consecutive = 1;
        AlarmBook book;
        book.configure({ a }, 0, t0);
        QDateTime at = t0;
        feed(book, at, { -1 });
        QCOMPARE(book.takeNotices(at).size(), 1);
        // Flapping within the latch: nothing more.
        for (int i = 0; i < 5; ++i) {
            feed(book, at, { 2, -1, 2 });
            QVERIFY(book.takeNotices(at).isEmpty());
        }
        QVERIFY(book.takeNotices(t0.addSecs(30 * 60 - 1)).isEmpty());
        const QVector<AlarmEvent> late = book.takeNotices(t0.addSecs(30 * 60 + 1));
        QCOMPARE(late.size(), 1);
        QVERIFY(!late[0].raised);
        QVERIFY(book.takeNotices(t0.addSecs(3 * 3600)).isEmpty());
    }

    void dataStoppedAfterSilenceClearedByTheNextGoodCycle()
    {
        AlarmBook book;
        book.configure({}, 60, t0);
        QVERIFY(book.tick(t0.addSecs(59)).isEmpty());
        QVERIFY(book.takeCycle(false, {}, t0.addSecs(59)).isEmpty());
        const QVector<AlarmEvent> raised = book.tick(t0.addSecs(60));
        QCOMPARE(raised.size(), 1);
        QCOMPARE(raised[0].slug, DataStoppedSlug);
        QVERIFY(book.tick(t0.addSecs(90)).isEmpty());
        const QVector<AlarmEvent> cleared = book.takeCycle(true, {}, t0.addSecs(95));
        QCOMPARE(cleared.size(), 1);
        QVERIFY(!cleared[0].raised);
        QCOMPARE(cleared[0].value, 95.0);
        QVERIFY(book.tick(t0.addSecs(150)).isEmpty());
    }

    void raisedAlarmStaysRaisedAndQuietAfterARestart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("alarms.json"));
        {
            AlarmBook book;
            book.configure({ frost() }, 60, t0);
            QDateTime at = t0;
            feed(book, at, { -1, -1, -1 });
            QCOMPARE(book.takeNotices(at).size(), 1);
            QVERIFY(saveStates(path, book.save()));
        }
        AlarmBook book;
        book.restore(loadStates(path));
        book.configure({ frost() }, 60, t0.addSecs(600));
        QVERIFY(book.entries()[1].state.raised);
        QVERIFY(book.takeNotices(t0.addSecs(7200)).isEmpty());
        // Nothing else in the file is kept: garbage starts clear, with a line.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"alarms\": [tru");
        file.close();
        LogCapture log;
        QVERIFY(loadStates(path).isEmpty());
        QCOMPARE(log.countStartingWith(QStringLiteral("Alarms: ")), 1);
    }

    void settingsAreCheckedAndSlugged()
    {
        QCOMPARE(slug(QStringLiteral("Wind Gust > 20 m/s")), QStringLiteral("wind_gust___20_m_s"));
        QCOMPARE(slug(QStringLiteral("Gel\u00E9e")), QStringLiteral("gel_e"));
        QVERIFY(problem(frost(), false).isEmpty());
        QVERIFY(!problem(frost(), true).isEmpty());
        AlarmDefinition a = frost();
        a.clear = -1; // clears below a below-threshold
        QVERIFY(!problem(a, false).isEmpty());
        a = frost();
        a.quantity = QStringLiteral("metar");
        QVERIFY(!problem(a, false).isEmpty());
        a = alarmFromMap({ { "Name", "Gust" }, { "Quantity", "wind_gust_ms" },
            { "Condition", "above" }, { "Threshold", "15.5" }, { "Consecutive", 0 } });
        QCOMPARE(a.clear, 15.5);
        QCOMPARE(a.consecutive, 3);
        QCOMPARE(a.latchMinutes, 30);
        QCOMPARE(alarmFromMap(alarmToMap(a)), a);
        QVERIFY(!problem(alarmFromMap({ { "Name", "x" }, { "Quantity", "wind_gust_ms" } }), false)
                     .isEmpty());
    }

    void valuesFromTheStateObjectShownInDisplayUnits()
    {
        StationValues v;
        v.airTemp = 21.4;
        v.windGust = 10;
        v.tphStatus = -1; // at fault
        const QHash<QString, double> values
            = numericValues(v, { QStringLiteral("temperature_c"), QStringLiteral("wind_gust_ms") });
        QVERIFY(!values.contains(QStringLiteral("temperature_c")));
        QCOMPARE(values.value(QStringLiteral("wind_gust_ms")), 10.0);

        DisplayUnits units;
        units.temperature = TemperatureUnit::Fahrenheit;
        units.speed = SpeedUnit::Knots;
        units.rain = RainGauge::Inches;
        QCOMPARE(
            displayText(QStringLiteral("wind_gust_ms"), 10, units), QStringLiteral("19.4 knots"));
        QCOMPARE(
            displayText(QStringLiteral("rain_day_mm"), 25.4, units), QStringLiteral("1.00 in"));
        QCOMPARE(fromDisplay(QStringLiteral("temperature_c"), 212, units), 100.0);
        QCOMPARE(fromDisplay(QStringLiteral("humidity_pct"), 80, units), 80.0);
    }
};

QTEST_GUILESS_MAIN(TestAlarmBook)
#include "tst_alarmbook.moc"

#include "acquisition/dailyextremes.h"
#include "acquisition/stationdata.h"
#include "record/counters.h"

#include <QtTest>

#include <array>
#include <ctime>

namespace {

QDate day(int y, int m, int d)
{
    return QDate(y, m, d);
}

// Feeds the detector the local date of every minute from `fromUtc` to
// `toUtc`; returns the local times at which it reported a new day.
QList<QDateTime> newDaysBetween(
    const QDateTime &fromUtc, const QDateTime &toUtc, bool *hourWentBack = nullptr)
{
    QDateTime t = fromUtc.toLocalTime();
    NewDayDetector detector(t.date());
    int lastHour = t.time().hour();
    QList<QDateTime> hits;
    for (t = t.addSecs(60); t <= toUtc; t = t.addSecs(60)) {
        const QDateTime local = t.toLocalTime();
        if (detector.tick(local.date()))
            hits << local;
        if (hourWentBack && local.time().hour() < lastHour)
            *hourWentBack = true;
        lastHour = local.time().hour();
    }
    return hits;
}

void verifyAllPairsEmpty(const StationValues &v)
{
    QCOMPARE(v.airTempH, -10000.0);
    QCOMPARE(v.airTempL, 10000.0);
    QCOMPARE(v.humidityH, -10000.0);
    QCOMPARE(v.humidityL, 10000.0);
    QCOMPARE(v.pressureH, -10000.0);
    QCOMPARE(v.pressureL, 10000.0);
    QCOMPARE(v.pressureRawH, -10000.0);
    QCOMPARE(v.pressureRawL, 10000.0);
    QCOMPARE(v.highAltimeter, -10000.0);
    QCOMPARE(v.lowAltimeter, 10000.0);
}

} // namespace

class TestDailyExtremes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void sentinelsBeforeFirstRead();
    void extremesFollowDecodedReadings();
    void eachPairFollowsItsOwnValue();
    void altimeterFollowedSeparately();
    void resetEmptiesEveryPair();

    void newDayAcrossMidnight();
    void sameDayNeverNewDay();
    void asleepAcrossMidnight();
    void clockSetBack();
    void autumnClockChange();
    void springClockChange();
    void invalidDatesIgnored();

    void rainIncrements();
};

void TestDailyExtremes::initTestCase()
{
    // Local time with daylight saving, whatever the machine's zone is.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const QDateTime summer = QDateTime(day(2024, 7, 1), QTime(12, 0), Qt::UTC).toLocalTime();
    const QDateTime winter = QDateTime(day(2024, 1, 1), QTime(12, 0), Qt::UTC).toLocalTime();
    if (summer.offsetFromUtc() != 7200 || winter.offsetFromUtc() != 3600)
        QSKIP("Europe/Berlin time zone data not available");
}

void TestDailyExtremes::sentinelsBeforeFirstRead()
{
    verifyAllPairsEmpty(StationValues());
}

void TestDailyExtremes::extremesFollowDecodedReadings()
{
    StationValues v;
    std::array<quint16, 100> words {};
    bool first = true;
    for (quint16 tenths : { 100, 125, 90 }) {
        words[222 - 201] = tenths;
        decodeDataBlock(words.data(), v);
        updateExtremes(v);
        if (first) {
            // A single reading replaces both sentinels.
            QCOMPARE(v.airTempH, 10.0);
            QCOMPARE(v.airTempL, 10.0);
            first = false;
        }
    }
    QCOMPARE(v.airTempH, 12.5);
    QCOMPARE(v.airTempL, 9.0);

    // Below-zero readings work against the sentinels as well.
    StationValues cold;
    words[222 - 201] = 0xFF38; // -20.0
    decodeDataBlock(words.data(), cold);
    updateExtremes(cold);
    QCOMPARE(cold.airTempH, -20.0);
    QCOMPARE(cold.airTempL, -20.0);
}

void TestDailyExtremes::eachPairFollowsItsOwnValue()
{
    StationValues v;
    const struct
    {
        double temp, hum, adj, raw;
    } readings[] = {
        { 5.0, 60.0, 1010.0, 960.0 },
        { 7.0, 55.0, 1012.0, 955.0 },
        { 6.0, 70.0, 1008.0, 965.0 },
    };
    for (const auto &r : readings) {
        v.airTemp = r.temp;
        v.humidity = r.hum;
        v.pressure = r.adj;
        v.pressureRaw = r.raw;
        updateExtremes(v);
    }
    QCOMPARE(v.airTempH, 7.0);
    QCOMPARE(v.airTempL, 5.0);
    QCOMPARE(v.humidityH, 70.0);
    QCOMPARE(v.humidityL, 55.0);
    QCOMPARE(v.pressureH, 1012.0);
    QCOMPARE(v.pressureL, 1008.0);
    QCOMPARE(v.pressureRawH, 965.0);
    QCOMPARE(v.pressureRawL, 955.0);
    // The altimeter has its own update, after it is computed.
    QCOMPARE(v.highAltimeter, StationValues::NoHigh);
    QCOMPARE(v.lowAltimeter, StationValues::NoLow);
}

void TestDailyExtremes::altimeterFollowedSeparately()
{
    StationValues v;
    v.airTemp = 20.0;
    for (double a : { 1013.0, 1016.5, 1009.25 }) {
        v.altimeter = a;
        updateAltimeterExtremes(v);
    }
    QCOMPARE(v.highAltimeter, 1016.5);
    QCOMPARE(v.lowAltimeter, 1009.25);
    QCOMPARE(v.airTempH, StationValues::NoHigh);
    QCOMPARE(v.pressureRawL, StationValues::NoLow);
}

// Every pair starts the day empty, so the pages show "--" (not 0.0) until
// the day's first reading; the station pressure and altimeter pairs too,
// which the "Absolute" setting and the aviation page show.
void TestDailyExtremes::resetEmptiesEveryPair()
{
    StationValues v;
    resetDailyExtremes(v); // before any reading
    verifyAllPairsEmpty(v);
    if (QTest::currentTestFailed())
        return;

    for (double t : { 4.0, 11.0 }) {
        v.airTemp = t;
        v.humidity = 10 * t;
        v.pressure = 1000 + t;
        v.pressureRaw = 950 + t;
        v.altimeter = 1001 + t;
        updateExtremes(v);
        updateAltimeterExtremes(v);
    }
    resetDailyExtremes(v);
    verifyAllPairsEmpty(v);
    if (QTest::currentTestFailed())
        return;

    v.airTemp = 13.0;
    v.pressureRaw = 958.0;
    v.altimeter = 1003.0;
    updateExtremes(v);
    updateAltimeterExtremes(v);
    QCOMPARE(v.airTempH, 13.0);
    QCOMPARE(v.airTempL, 13.0);
    QCOMPARE(v.pressureRawH, 958.0);
    QCOMPARE(v.pressureRawL, 958.0);
    QCOMPARE(v.highAltimeter, 1003.0);
    QCOMPARE(v.lowAltimeter, 1003.0);
}

void TestDailyExtremes::newDayAcrossMidnight()
{
    NewDayDetector detector(day(2024, 5, 14));
    QVERIFY(!detector.tick(day(2024, 5, 14))); // 23:59:59
    QVERIFY(detector.tick(day(2024, 5, 15))); // 00:00:00
    QVERIFY(!detector.tick(day(2024, 5, 15))); // 00:00:01: reported once only
    QCOMPARE(detector.lastDate(), day(2024, 5, 15));

    // Year end.
    NewDayDetector newYear(day(2024, 12, 31));
    QVERIFY(newYear.tick(day(2025, 1, 1)));
}

void TestDailyExtremes::sameDayNeverNewDay()
{
    // A whole day ticked every minute: hours go 0..23, never a new day.
    const QDateTime start(day(2024, 6, 3), QTime(0, 0));
    const QList<QDateTime> hits
        = newDaysBetween(start.toUTC(), start.addSecs(24 * 3600 - 60).toUTC());
    QVERIFY(hits.isEmpty());
}

void TestDailyExtremes::asleepAcrossMidnight()
{
    const QDateTime before(day(2024, 5, 14), QTime(8, 0));
    const QDateTime after(day(2024, 5, 15), QTime(10, 0));
    QVERIFY(after.time().hour() > before.time().hour()); // the hour alone would miss it
    NewDayDetector detector(before.date());
    QVERIFY(detector.tick(after.date()));

    // Several days asleep are one new day, not several.
    NewDayDetector longSleep(day(2024, 5, 14));
    QVERIFY(longSleep.tick(day(2024, 5, 20)));
    QVERIFY(!longSleep.tick(day(2024, 5, 20)));
}

void TestDailyExtremes::clockSetBack()
{
    // 15:10 back to 14:50 on the same date.
    const QDateTime afternoon(day(2024, 5, 14), QTime(15, 10));
    NewDayDetector detector(afternoon.date());
    QVERIFY(!detector.tick(afternoon.addSecs(-20 * 60).date()));
    QVERIFY(!detector.tick(afternoon.date())); // and forward again

    // 00:10 back to 23:50 of the previous day: the date changed.
    const QDateTime justAfterMidnight(day(2024, 5, 15), QTime(0, 10));
    NewDayDetector back(justAfterMidnight.date());
    QVERIFY(back.tick(justAfterMidnight.addSecs(-20 * 60).date()));
    QCOMPARE(back.lastDate(), day(2024, 5, 14));
}

void TestDailyExtremes::autumnClockChange()
{
    // 27 Oct 2024 in Berlin: 03:00 CEST becomes 02:00 CET (01:00 UTC).
    const QDateTime from(day(2024, 10, 26), QTime(20, 0), Qt::UTC);
    const QDateTime to(day(2024, 10, 27), QTime(5, 0), Qt::UTC);
    bool hourWentBack = false;
    const QList<QDateTime> hits = newDaysBetween(from, to, &hourWentBack);
    QVERIFY(hourWentBack); // the local hour did step back from 2 to 2 after 02:59
    QCOMPARE(hits.size(), 1);
    QCOMPARE(hits.first().date(), day(2024, 10, 27));
    QCOMPARE(hits.first().time(), QTime(0, 0));
}

void TestDailyExtremes::springClockChange()
{
    // 31 Mar 2024 in Berlin: 02:00 CET becomes 03:00 CEST.
    const QDateTime from(day(2024, 3, 30), QTime(21, 0), Qt::UTC);
    const QDateTime to(day(2024, 3, 31), QTime(4, 0), Qt::UTC);
    const QList<QDateTime> hits = newDaysBetween(from, to);
    QCOMPARE(hits.size(), 1);
    QCOMPARE(hits.first().date(), day(2024, 3, 31));
    QCOMPARE(hits.first().time(), QTime(0, 0));
}

void TestDailyExtremes::invalidDatesIgnored()
{
    NewDayDetector detector(day(2024, 5, 14));
    QVERIFY(!detector.tick(QDate()));
    QCOMPARE(detector.lastDate(), day(2024, 5, 14));
    QVERIFY(detector.tick(day(2024, 5, 15)));

    NewDayDetector noStart { QDate() };
    QVERIFY(!noStart.tick(day(2024, 5, 14))); // adopted, not a change
    QVERIFY(noStart.tick(day(2024, 5, 15)));
}

void TestDailyExtremes::rainIncrements()
{
    RainCounter rain;
    QCOMPARE(rain.increment(1.20), 1.20);
    QCOMPARE(rain.increment(1.50), 0.30);
    QCOMPARE(rain.increment(0.10), 0.10); // the station started a new rain day
    QCOMPARE(rain.increment(0.10), 0.0);
    QCOMPARE(rain.increment(0.35), 0.25);
    QCOMPARE(rain.increment(0.0), 0.0); // reset to a dry day
}

QTEST_GUILESS_MAIN(TestDailyExtremes)
#include "tst_dailyextremes.moc"

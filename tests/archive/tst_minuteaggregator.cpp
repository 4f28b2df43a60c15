#include "archive/minuteaggregator.h"
#include "record/stationcycle.h"

#include <QtTest>

#include <cmath>
#include <functional>

using archive::MinuteAggregator;
using archive::MinuteRow;

namespace {

// 2026-03-06 14:05:00 UTC.
constexpr qint64 Minute = 1772805900;

StationCycle cycle(qint64 utc, const std::function<void(StationValues &)> &set = {},
    StationCycle::Kind kind = StationCycle::Kind::Good)
{
    StationCycle c;
    c.kind = kind;
    c.values.rainUnits = 1;
    c.values.wind = 3;
    c.values.windDir = 200;
    if (set)
        set(c.values);
    c.utc = QDateTime::fromSecsSinceEpoch(utc, Qt::UTC);
    c.local = c.utc;
    return c;
}

// Feeds the cycles and returns the minutes they closed, then the one in progress.
QVector<MinuteRow> fold(MinuteAggregator &a, const QVector<StationCycle> &cycles)
{
    QVector<MinuteRow> rows;
    for (const StationCycle &c : cycles)
        if (const auto row = a.take(c))
            rows.append(*row);
    if (const auto row = a.flush())
        rows.append(*row);
    return rows;
}

} // namespace

class TestMinuteAggregator : public QObject
{
    Q_OBJECT

private slots:
    void windDirectionIsAVectorMeanAcrossNorth()
    {
        MinuteAggregator a;
        QVector<StationCycle> cycles;
        int second = 0;
        for (double dir : { 350.0, 10.0, 340.0, 20.0 })
            cycles.append(cycle(Minute + second++, [dir](StationValues &v) { v.windDir = dir; }));
        // Opposite directions in equal share have no mean.
        for (double dir : { 90.0, 270.0 })
            cycles.append(
                cycle(Minute + 60 + second++, [dir](StationValues &v) { v.windDir = dir; }));
        const QVector<MinuteRow> rows = fold(a, cycles);
        QCOMPARE(rows.size(), 2);
        // 0 degrees, not the arithmetic mean 180.
        QVERIFY(std::min(rows[0].windDir, 360 - rows[0].windDir) < 1e-9);
        QVERIFY(std::isnan(rows[1].windDir));
    }

    void rainFromTheDayTotalAcrossItsReset()
    {
        MinuteAggregator a;
        QVector<StationCycle> cycles;
        // The run starts at 5.0 mm: that fell before it and is not counted.
        int second = 0;
        for (double total : { 5.0, 5.2, 5.4 })
            cycles.append(
                cycle(Minute + second++, [total](StationValues &v) { v.rainDay = total; }));
        // The station resets at its day start: 0.1 fell since, then 0.2 more.
        for (double total : { 0.1, 0.3 })
            cycles.append(
                cycle(Minute + 60 + second++, [total](StationValues &v) { v.rainDay = total; }));
        // A failed read carries the last good values and counts nothing.
        cycles.append(cycle(
            Minute + 120, [](StationValues &v) { v.rainDay = 9.9; }, StationCycle::Kind::Failed));
        cycles.append(cycle(Minute + 121, [](StationValues &v) { v.rainDay = 0.3; }));
        // No gauge: no rain, rather than none fallen.
        cycles.append(cycle(Minute + 180, [](StationValues &v) { v.rainUnits = 0; }));

        const QVector<MinuteRow> rows = fold(a, cycles);
        QCOMPARE(rows.size(), 4);
        QVERIFY(qAbs(rows[0].rain - 0.4) < 1e-9);
        QVERIFY(qAbs(rows[1].rain - 0.3) < 1e-9);
        QCOMPARE(rows[2].rain, 0.0);
        QVERIFY(std::isnan(rows[3].rain));
    }

    void aMinuteOfOneCycleAndAMinuteOfNone()
    {
        MinuteAggregator a;
        const QVector<MinuteRow> rows = fold(a,
            {
                cycle(Minute + 59,
                    [](StationValues &v) {
                        v.airTemp = 21.4;
                        v.humidity = 55.5;
                        v.pressure = 1015.0;
                        v.pressureRaw = 978.0;
                        v.dewPoint = 9.6;
                        v.windGust = 9.3;
                        v.windDirGust = 255;
                        v.lightningStrikes = 3;
                        v.lightningDistance = 12;
                        v.analog1Type = 3;
                        v.analog1 = 200;
                    }),
                // Only failed and link-less cycles in the next minute: no row,
                // but the first of them closes the minute before.
                cycle(Minute + 60, {}, StationCycle::Kind::Failed),
                cycle(Minute + 119, {}, StationCycle::Kind::NoLink),
            });
        QCOMPARE(rows.size(), 1);
        const MinuteRow &r = rows[0];
        QCOMPARE(r.start, Minute);
        QCOMPARE(r.cycles, 1);
        QCOMPARE(r.temp, 21.4);
        QCOMPARE(r.tempMin, 21.4);
        QCOMPARE(r.tempMax, 21.4);
        QCOMPARE(r.humMin, 55.5);
        QCOMPARE(r.press, 1015.0);
        QCOMPARE(r.pressStn, 978.0);
        QCOMPARE(r.dew, 9.6);
        QCOMPARE(r.gust, 9.3);
        QCOMPARE(r.gustDir, 255.0);
        QCOMPARE(r.strikes, 3);
        QCOMPARE(r.strikeKm, 12.0);
        QCOMPARE(r.solar, 200.0);
        QCOMPARE(r.rain, 0.0);
    }

    void meansExtremesAndTheHighestGust()
    {
        MinuteAggregator a;
        const auto at = [](int second, double temp, double wind, double gust, int strikes) {
            return cycle(Minute + second, [=](StationValues &v) {
                v.airTemp = temp;
                v.wind = wind;
                v.windGust = gust;
                v.windDirGust = 100 + second;
                v.lightningStrikes = strikes;
            });
        };
        // Strike totals run from the console's start: 2 came before this minute.
        a.take(at(-1, 0, 0, 0, 2));
        const QVector<MinuteRow> rows
            = fold(a, { at(0, 10, 3, 0, 2), at(1, 12, 4, 8.5, 4), at(2, 11, 9, 0, 5) });
        QCOMPARE(rows.size(), 2);
        const MinuteRow &r = rows[1];
        QCOMPARE(r.cycles, 3);
        QCOMPARE(r.temp, 11.0);
        QCOMPARE(r.tempMin, 10.0);
        QCOMPARE(r.tempMax, 12.0);
        QVERIFY(qAbs(r.wind - 16.0 / 3) < 1e-9);
        // The steady 9 m/s outblows the 8.5 m/s gust; it keeps its own direction.
        QCOMPARE(r.gust, 9.0);
        QCOMPARE(r.gustDir, 200.0);
        QCOMPARE(r.strikes, 3);
        QVERIFY(std::isnan(r.solar));
        for (qint64 i = 1; i <= 3; ++i) // garbage totals: 2^30 a jump at most, an int a minute
            a.take(cycle(Minute + 60 + i, [i](StationValues &v) { v.lightningStrikes = i << 40; }));
        QCOMPARE(a.flush()->strikes, std::numeric_limits<int>::max());
    }

    void unitIndependence()
    {
        // The same showers on a gauge in inches and one in millimetres.
        MinuteAggregator inches;
        MinuteAggregator millimetres;
        QVector<StationCycle> inInches;
        QVector<StationCycle> inMillimetres;
        const double totals[] = { 0.10, 0.12, 0.20, 0.01 };
        for (int i = 0; i < 4; ++i) {
            inInches.append(cycle(Minute + 30 * i, [&](StationValues &v) {
                v.rainUnits = 2;
                v.rainDay = totals[i];
            }));
            inMillimetres.append(cycle(Minute + 30 * i, [&](StationValues &v) {
                v.rainUnits = 1;
                v.rainDay = totals[i] * 25.4;
            }));
        }
        const QVector<MinuteRow> a = fold(inches, inInches);
        const QVector<MinuteRow> b = fold(millimetres, inMillimetres);
        QCOMPARE(a.size(), 2);
        QCOMPARE(b.size(), 2);
        for (int i = 0; i < 2; ++i)
            QVERIFY(qAbs(a[i].rain - b[i].rain) < 1e-9);
        // 0.02 in, then 0.08 in and 0.01 in after the reset: 0.508 and 2.286 mm.
        QVERIFY(qAbs(a[0].rain - 0.508) < 1e-9);
        QVERIFY(qAbs(a[1].rain - 2.286) < 1e-9);
        QVERIFY(qAbs(a[1].rainTotal - 0.254) < 1e-9); // the day's total, where a run goes on
    }
};

QTEST_GUILESS_MAIN(TestMinuteAggregator)
#include "tst_minuteaggregator.moc"

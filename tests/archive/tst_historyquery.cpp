#include "archive/archivestore.h"
#include "archive/historyquery.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace archive;

namespace {

// 2026-03-06 12:00 UTC.
constexpr qint64 Noon = 1772798400;

} // namespace

class TestHistoryQuery : public QObject
{
    Q_OBJECT

private slots:
    void bucketLengthsAndTheirTables()
    {
        // A day on 800 pixels: 108 s a point at least, so two minutes.
        QCOMPARE(bucketSeconds(86400, 800), 120);
        QCOMPARE(bucketSeconds(7 * 86400, 800), 1200);
        QCOMPARE(bucketSeconds(30 * 86400, 800), 3600);
        QCOMPARE(bucketSeconds(365 * 86400, 800), 43200);
        QCOMPARE(bucketSeconds(365 * 86400, 50), 86400);
        QCOMPARE(QLatin1String(tierFor(120).table), QLatin1String("minutes"));
        QCOMPARE(QLatin1String(tierFor(1200).table), QLatin1String("tens"));
        QCOMPARE(QLatin1String(tierFor(43200).table), QLatin1String("hours"));
        QCOMPARE(QLatin1String(tierFor(86400).table), QLatin1String("days"));
    }

    void bucketsKeepTheirSpikesFromEveryTable()
    {
        QTemporaryDir folder;
        ArchiveStore store;
        QCOMPARE(store.open(folder.filePath("archive.sqlite")), ArchiveStore::OpenResult::Ready);
        // Three hours at 10 C, but the second hour holds a spike of 30 C
        // (31 C at its peak) at 13:07, and 12:30 to 12:39 is missing.
        QVector<MinuteRow> rows;
        for (int i = 0; i < 180; ++i) {
            if (i >= 30 && i < 40)
                continue;
            MinuteRow r;
            r.start = Noon + 60 * i;
            r.cycles = 60;
            r.temp = i == 67 ? 30 : 10;
            r.tempMin = r.temp - 1;
            r.tempMax = r.temp + 1;
            r.rain = i < 60 ? 0.1 : 0;
            rows.append(r);
        }
        QVERIFY(store.insert(rows).ok);
        const QSqlDatabase db = store.database();

        QVector<Bucket> buckets;
        QString error;
        // Five-minute buckets from the minutes: 36 of them less the gap's two.
        QVERIFY(queryBuckets(db, Noon, Noon + 3 * 3600, 300, &buckets, &error));
        QCOMPARE(buckets.size(), 34);
        QCOMPARE(buckets[6].start, Noon + 40 * 60);
        const Bucket &spike = buckets[13 - 2]; // 13:05 to 13:10
        QCOMPARE(spike.start, Noon + 65 * 60);
        QCOMPARE(spike.tempMax, 31.0);
        QCOMPARE(spike.tempMin, 9.0);
        QCOMPARE(spike.temp, (4 * 10.0 + 30) / 5);
        QVERIFY(qAbs(buckets[0].rain - 0.5) < 1e-9);

        // Hour buckets from the hour table: the spike survives there too.
        QVERIFY(queryBuckets(db, Noon, Noon + 3 * 3600, 3600, &buckets, &error));
        QCOMPARE(buckets.size(), 3);
        QCOMPARE(buckets[1].tempMax, 31.0);
        QCOMPARE(buckets[1].temp, 10.33); // (59 x 10 + 30) / 60, to the hundredth
        QCOMPARE(buckets[2].tempMax, 11.0);
        QVERIFY(qAbs(buckets[0].rain - 5.0) < 1e-9);

        // Twenty-minute buckets from the ten-minute table, the same extremes.
        QVERIFY(queryBuckets(db, Noon, Noon + 3 * 3600, 1200, &buckets, &error));
        QCOMPARE(buckets.size(), 9);
        QCOMPARE(buckets[3].tempMax, 31.0);
        QCOMPARE(buckets[4].tempMax, 11.0);

        // The day from the day table, which folds the hours.
        QVERIFY(queryBuckets(db, Noon - 43200, Noon + 43200, 86400, &buckets, &error));
        QCOMPARE(buckets.size(), 1);
        QCOMPARE(buckets[0].tempMax, 31.0);
        QCOMPARE(buckets[0].tempMin, 9.0);
        QVERIFY(qAbs(buckets[0].rain - 5.0) < 1e-9);

        // Nothing archived there.
        QVERIFY(queryBuckets(db, Noon - 86400, Noon, 300, &buckets, &error));
        QVERIFY(buckets.isEmpty());

        QVector<HourTotal> hours;
        QVERIFY(queryHours(db, Noon, Noon + 3 * 3600, &hours, &error));
        QCOMPARE(hours.size(), 3);
        QCOMPARE(hours[1].tempMax, 31.0);
    }

    void periodsFoldHoursWithARunningRainTotal()
    {
        const auto hour = [](qint64 start, double low, double high, double rain) {
            HourTotal h;
            h.start = start;
            h.tempMin = low;
            h.tempMax = high;
            h.rain = rain;
            return h;
        };
        const QVector<HourTotal> hours {
            hour(Noon, 5, 9, 1.0),
            hour(Noon + 3600, 4, 12, 0.5),
            hour(Noon + 86400, 2, 3, archive::Missing),
            hour(Noon + 86400 + 3600, 1, 6, 2.0),
        };
        const auto utcDay = [](qint64 t) {
            const qint64 start = t - t % 86400;
            return qMakePair(start, start + 86400);
        };
        const QVector<Period> days = foldPeriods(hours, utcDay);
        QCOMPARE(days.size(), 2);
        QCOMPARE(days[0].start, Noon - 12 * 3600);
        QCOMPARE(days[0].low, 4.0);
        QCOMPARE(days[0].high, 12.0);
        QCOMPARE(days[0].rain, 1.5);
        QCOMPARE(days[0].runningRain, 1.5);
        QCOMPARE(days[1].low, 1.0);
        QCOMPARE(days[1].rain, 2.0);
        QCOMPARE(days[1].runningRain, 3.5);
    }
};

QTEST_GUILESS_MAIN(TestHistoryQuery)
#include "tst_historyquery.moc"

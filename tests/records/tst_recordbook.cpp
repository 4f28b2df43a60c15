#include "plantedweather.h"
#include "records/minutescan.h"
#include "records/recordbook.h"
#include "records/recordsloader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace records;
using planted::at;

namespace {

// The minutes as the live path takes them, collecting what it tells.
RecordBook live(const QVector<archive::MinuteRow> &rows, QVector<RecordEvent> *events = nullptr)
{
    RecordBook book;
    LocalCalendar calendar(planted::zone());
    for (const archive::MinuteRow &row : rows) {
        const QVector<RecordEvent> told = book.add(asStored(row), calendar);
        if (events)
            *events += told;
    }
    return book;
}

void expect(
    const RecordBook &book, Scope scope, Quantity q, double value, qint64 when, qint64 since = 0)
{
    const Record &r = book.record(scope, q);
    const QByteArray what = QByteArray(info(q).key) + " " + scopeKey(scope);
    QVERIFY2(std::abs(r.value - value) < 1e-9,
        what + ": " + QByteArray::number(r.value) + " instead of " + QByteArray::number(value));
    QVERIFY2(r.when == when, what + " at the wrong time");
    QVERIFY2(r.since == since, what + " from the wrong day");
}

} // namespace

class TestRecordBook : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;
    QVector<archive::MinuteRow> rows = planted::minutes();
    Loaded rebuilt;

private slots:
    void initTestCase()
    {
        const QString archive = folder.filePath("archive.sqlite");
        QVERIFY(planted::write(archive, rows));
        rebuilt = loadRecords(folder.filePath("records.json"), archive, planted::zone(), true);
        QVERIFY2(rebuilt.ok && rebuilt.rebuilt, qPrintable(rebuilt.note));
    }

    void aMinuteAfterAGapGivesNoRainRate()
    {
        QVector<archive::MinuteRow> gap(3);
        gap[0].start = at(10, 12, 8, 0);
        gap[1].start = at(10, 12, 9, 0); // the console was off for an hour
        gap[2].start = at(10, 12, 9, 1);
        gap[0].rain = 0;
        gap[1].rain = 5;
        gap[2].rain = 0.1;
        const RecordBook book = live(gap);
        expect(book, Scope::AllTime, Quantity::RainRate, 6, at(10, 12, 9, 1));
        expect(book, Scope::AllTime, Quantity::RainDay, 5.1, at(10, 12, 9, 1));
    }

    void plantedExtremesWithTheirTimes()
    {
        const RecordBook &book = rebuilt.book;
        QCOMPARE(book.year(), 2026);
        QCOMPARE(book.month(), 11);

        for (Scope s : { Scope::AllTime, Scope::Year }) {
            expect(book, s, Quantity::TempHigh, 41.37, planted::Hottest);
            expect(book, s, Quantity::Gust, 38.9, planted::Gustiest);
            expect(book, s, Quantity::HumidityLow, 3.5, planted::Driest);
            expect(book, s, Quantity::PressureHigh, 1044.1, planted::HighestPressure);
            expect(book, s, Quantity::PressureLow, 962.4, planted::LowestPressure);
            expect(book, s, Quantity::Solar, 1234.5, planted::Sunniest);
            expect(book, s, Quantity::RainRate, 30, at(10, 12, 10, 0));
            expect(book, s, Quantity::RainDay, 30, at(10, 12, 10, 59));
            expect(book, s, Quantity::RainMonth, 36.15, at(10, 20, 12, 0));
            // 13 October to 2 November; 20 October's 0.15 mm leaves it dry.
            expect(book, s, Quantity::DrySpell, 21, at(11, 2, 23, 59), at(10, 13, 0, 0));
            expect(book, s, Quantity::WetSpell, 6, at(10, 6, 23, 59), at(10, 1, 0, 0));
        }
        for (Scope s : { Scope::AllTime, Scope::Year, Scope::Month })
            expect(book, s, Quantity::TempLow, -12.34, planted::Coldest);
        // November so far: its own spells, and the shower's two halves.
        expect(book, Scope::Month, Quantity::DrySpell, 2, at(11, 2, 23, 59), at(11, 1, 0, 0));
        expect(book, Scope::Month, Quantity::WetSpell, 2, at(11, 4, 23, 59), at(11, 3, 0, 0));
        expect(book, Scope::Month, Quantity::RainDay, 0.5, at(11, 3, 23, 59));
        expect(book, Scope::Month, Quantity::RainMonth, 1, at(11, 4, 0, 9));
    }

    void rebuildEqualsLiveAndTellsWhatMatters()
    {
        QVector<RecordEvent> events;
        QVERIFY(live(rows, &events) == rebuilt.book);

        // The planted high beats the warmest minute before it, once.
        double before = -1e9;
        qint64 beforeAt = 0;
        for (const archive::MinuteRow &r : rows) {
            const double high = std::round(r.tempMax * 100) / 100;
            if (r.start < planted::Hottest && high > before) {
                before = high;
                beforeAt = r.start;
            }
        }
        int hottest = 0;
        QSet<QString> told;
        for (const RecordEvent &e : events) {
            QVERIFY(e.scope != Scope::Month);
            QVERIFY(e.previous.known());
            const QString key = QString::number(int(e.what)) + QString::number(int(e.scope))
                + QDateTime::fromSecsSinceEpoch(e.now.when, planted::zone()).date().toString();
            QVERIFY2(!told.contains(key), "told twice in a day");
            told.insert(key);
            if (e.what == Quantity::TempHigh && e.now.when == planted::Hottest) {
                ++hottest;
                QCOMPARE(e.scope, Scope::AllTime);
                QCOMPARE(e.now.value, 41.37);
                QCOMPARE(e.previous.value, before);
                QCOMPARE(e.previous.when, beforeAt);
            }
        }
        QCOMPARE(hottest, 1);
    }

    void fileCatchesUpOrRebuilds()
    {
        QTemporaryDir other;
        const QString archive = other.filePath("archive.sqlite");
        const QString file = other.filePath("records.json");
        // Held back: a week in the middle (imported later) and the last week.
        const QVector<archive::MinuteRow> early = rows.mid(0, 10080);
        const QVector<archive::MinuteRow> middle = rows.mid(10080, 10080);
        const QVector<archive::MinuteRow> late = rows.mid(20160, rows.size() - 30240);
        const QVector<archive::MinuteRow> tail = rows.mid(rows.size() - 10080);
        QVERIFY(planted::write(archive, early + late));
        const Loaded first = loadRecords(file, archive, planted::zone(), false);
        QVERIFY(first.rebuilt);
        QString error;
        QVERIFY(saveRecords(file, first.book, planted::zone().id(), &error));

        QVERIFY(planted::write(archive, tail));
        const Loaded caughtUp = loadRecords(file, archive, planted::zone(), false);
        QVERIFY2(caughtUp.ok && !caughtUp.rebuilt, qPrintable(caughtUp.note));
        QVERIFY(caughtUp.book == live(early + late + tail));
        // The reports' days: the year of the newest minute, every day of it here.
        QCOMPARE(caughtUp.days.days().size(), 42 - 7);

        QVERIFY(planted::write(archive, middle));
        const Loaded imported = loadRecords(file, archive, planted::zone(), false);
        QVERIFY2(imported.ok && imported.rebuilt, qPrintable(imported.note));
        QVERIFY(imported.book == rebuilt.book);

        // A file that is not one, or not of this zone, is rebuilt over.
        QVERIFY(saveRecords(file, first.book, "Europe/Berlin", &error));
        QByteArray damaged = QJsonDocument(first.book.toJson(planted::zone().id())).toJson();
        damaged.replace("\"run\"", "\"nur\"");
        for (const QByteArray &junk : { QByteArray(), QByteArray("{"), QByteArray("[]"), damaged,
                 QByteArray(3 << 20, 'x') }) {
            if (!junk.isNull()) {
                QFile f(file);
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(junk);
            }
            const Loaded again = loadRecords(file, archive, planted::zone(), false);
            QVERIFY2(again.ok && again.rebuilt, junk.left(20));
            QVERIFY(again.book == imported.book);
        }
    }
};

QTEST_GUILESS_MAIN(TestRecordBook)
#include "tst_recordbook.moc"

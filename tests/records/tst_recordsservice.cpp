#include "plantedweather.h"
#include "records/minutescan.h"
#include "records/recordsservice.h"
#include "support/logcapture.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace records;
using planted::at;

// The service as the console runs it: the archive read on a thread of its
// own, live minutes across local midnights, a restart, a rebuild.
class TestRecordsService : public QObject
{
    Q_OBJECT

private slots:
    void liveDaysRestartAndRebuild()
    {
        QTemporaryDir folder;
        RecordsSettings settings;
        settings.archiveFile = folder.filePath("archive.sqlite");
        settings.stateFile = folder.filePath("records.json");
        settings.reportsFolder = folder.filePath("log/reports");
        const QVector<archive::MinuteRow> rows = planted::minutes();
        const int november = int((at(11, 1, 0, 0) - planted::First) / 60);
        QVERIFY(planted::write(settings.archiveFile, rows.mid(0, november)));

        auto service = std::make_unique<RecordsService>();
        service->setZone(planted::zone());
        service->setSettings(settings);
        QTRY_VERIFY(service->ready());
        QSignalSpy reports(service.get(), &RecordsService::reportsWritten);
        QSignalSpy broken(service.get(), &RecordsService::recordBroken);
        // November comes live, and the archive keeps it as well. Each new
        // record is a line of the log.
        LogCapture log;
        for (const archive::MinuteRow &row : rows.mid(november))
            service->takeMinute(row);
        QVERIFY(!broken.isEmpty());
        QCOMPARE(log.countStartingWith("New record: "), broken.count());
        QVERIFY(planted::write(settings.archiveFile, rows.mid(november)));

        // From 31 October to 4 November, each day's end writes its month.
        QCOMPARE(reports.count(), 5);
        QCOMPARE(reports.at(0).at(0).toString(), folder.filePath("log/reports/2026-10.txt"));
        QFile month(reports.last().at(0).toString());
        QVERIFY(month.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(month.readAll());
        QVERIFY(text.contains("MONTHLY CLIMATOLOGICAL SUMMARY for NOV 2026"));
        QVERIFY(text.contains(QRegularExpression("\n  4 +-?\\d+\\.\\d")));
        QVERIFY(text.contains(QRegularExpression("\n  5 +--- +---")));
        QVERIFY(QFile::exists(folder.filePath("log/reports/2026.txt")));
        bool coldest = false;
        for (const QList<QVariant> &signal : broken) {
            const auto e = signal.at(0).value<RecordEvent>();
            coldest |= e.what == Quantity::TempLow && e.scope == Scope::AllTime
                && e.now.when == planted::Coldest;
        }
        QVERIFY(coldest);
        service->stop();
        const RecordBook kept = service->book();
        service.reset();

        // The next run reads the file rather than the archive.
        RecordsService again;
        again.setZone(planted::zone());
        again.setSettings(settings);
        QTRY_VERIFY(again.ready());
        QVERIFY(again.book() == kept);

        // A minute that comes while a rebuild reads follows it.
        archive::MinuteRow next = rows.last();
        next.start += 60;
        again.rebuild();
        again.takeMinute(next);
        QVERIFY(!again.ready());
        QTRY_VERIFY(again.ready());
        RecordBook expected;
        LocalCalendar calendar(planted::zone());
        for (const archive::MinuteRow &row : rows + QVector<archive::MinuteRow> { next })
            expected.add(asStored(row), calendar);
        QVERIFY(again.book() == expected);
    }
};

QTEST_GUILESS_MAIN(TestRecordsService)
#include "tst_recordsservice.moc"

#include "app/csvimport.h"
#include "archive/archivesettings.h"
#include "archive/archivestore.h"
#include "settings/syssettings.h"
#include "station/historywriter.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

// The simulator's past days, written through the data log, read back by the
// console's import in the same display units.
class TestHistoryWriter : public QObject
{
    Q_OBJECT

private slots:
    void aDayOfFilesImportsBackIntoBaseUnits()
    {
        QTemporaryDir folder;
        station::HistoryOptions options;
        options.folder = folder.filePath("csv");
        QVERIFY(QDir().mkpath(options.folder));
        options.end = QDateTime(QDate(2026, 3, 6), QTime(12, 0));
        options.days = 1;
        QVERIFY(station::parseUnits("1,2,0,1,1", &options)); // °F, inHg, mph, miles, station
        QCOMPARE(station::writeHistory(options), 1440);

        // One file per local day, each the data log's own.
        const QStringList files = QDir(options.folder).entryList({ "*.csv" }, QDir::Files);
        QCOMPARE(files, QStringList({ "logfile-2026-03-05.csv", "logfile-2026-03-06.csv" }));
        QFile first(QDir(options.folder).filePath(files.first()));
        QVERIFY(first.open(QIODevice::ReadOnly));
        QVERIFY(first.readLine().startsWith("Index,Date/Time (UTC),Wind,Direction"));

        SysSettings settings(folder.filePath("settings"));
        settings.setTemperatureUnits(1);
        settings.setPressureUnits(2);
        settings.setSpeedUnits(0);
        settings.setDistanceUnits(1);
        settings.setPressureAdjustment(1);
        QString output;
        QTextStream out(&output);
        QCOMPARE(runCsvImport(options.folder, settings, 1, &out), 0);
        QVERIFY2(
            output.contains("Files: 2, rows read: 1440, minutes added: 1440, lines skipped: 0"),
            qPrintable(output));

        // March at 47 degrees north and 120 m: read as Fahrenheit and inches of
        // mercury they would be far outside these.
        ArchiveStore store;
        QCOMPARE(store.open(archivePath(settings)), ArchiveStore::OpenResult::Ready);
        QSqlQuery q(store.database());
        QVERIFY(q.exec("SELECT min(temp_c), max(temp_c), min(pressure_station_hpa),"
                       " max(pressure_station_hpa), count(pressure_msl_hpa), max(solar_wm2)"
                       " FROM minute_values"));
        QVERIFY(q.next());
        QVERIFY(q.value(0).toDouble() > -25 && q.value(1).toDouble() < 25);
        QVERIFY(q.value(2).toDouble() > 940 && q.value(3).toDouble() < 1060);
        QCOMPARE(q.value(4).toInt(), 0);
        QVERIFY(q.value(5).toDouble() > 100);
    }
};

QTEST_GUILESS_MAIN(TestHistoryWriter)
#include "tst_historywriter.moc"

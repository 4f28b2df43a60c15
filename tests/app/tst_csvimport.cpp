#include "app/csvimport.h"
#include "archive/archivesettings.h"
#include "archive/archivestore.h"
#include "datalog/csvrow.h"
#include "settings/syssettings.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

// `--import-csv`: the data log's files, written by the data log's own row
// formatter in the display units of the settings, back into base units.
class TestCsvImport : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        csv = folder->filePath("csv");
        QDir().mkpath(csv);
        settings = std::make_unique<SysSettings>(folder->filePath("settings"));
        settings->setTemperatureUnits(1); // °F
        settings->setPressureUnits(2); // inHg
        settings->setSpeedUnits(0); // mph
        settings->setRainUnits(2); // a gauge in inches
    }

    void rowsGluedAndShortLinesAndMinutesAlreadyPresent()
    {
        // 21.4 C = 70.52 F, 1015.0 hPa = 29.9764 inHg, 4.4704 m/s = 10 mph.
        const QByteArray first = row(1, "2026-03-05 14:00:05", 70.52, 29.9764, 10, 0.01);
        // 22.4 C = 72.32 F in the same minute.
        const QByteArray second = row(2, "2026-03-05 14:00:35", 72.32, 29.9764, 10, 0.02);
        const QByteArray third = row(3, "2026-03-05 14:01:05", 70.52, 29.9764, 10, 0);
        const QByteArray fourth = row(4, "2026-03-05 14:03:05", 70.52, 29.9764, 10, 0);
        writeFile("logfile-2026-03-05.csv",
            csvrow::csvHeader() + first + second + "\n"
                + third
                // Cut in the middle of a number, the next row glued on.
                + fourth.left(40) + fourth + "12,2026-03-05 14:02:05,1.2,3\n" + "not a row at all\n"
                + "5,2026-03-05 14:04:05" + QByteArray(2000, ',') + "\n");
        writeFile("notes.txt", "not a log file");

        QString output;
        QCOMPARE(import(&output), 0);
        QVERIFY2(output.contains("Files: 1, rows read: 4, minutes added: 3, lines skipped: 4"),
            qPrintable(output));
        QVERIFY(output.contains("logfile-2026-03-05.csv:6: row read from the end of a glued line"));
        QVERIFY(output.contains("logfile-2026-03-05.csv:7: line skipped: not a whole row"));

        {
            ArchiveStore store;
            QCOMPARE(store.open(archivePath(*settings)), ArchiveStore::OpenResult::Ready);
            QSqlQuery q(store.database());
            QVERIFY(q.exec("SELECT minute_utc, cycles, temp_c, temp_min_c, temp_max_c,"
                           " pressure_msl_hpa, wind_ms, rain_mm FROM minute_values ORDER BY 1"));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toLongLong(),
                QDateTime(QDate(2026, 3, 5), QTime(14, 0), Qt::UTC).toSecsSinceEpoch());
            QCOMPARE(q.value(1).toInt(), 2);
            QCOMPARE(q.value(2).toDouble(), 21.9);
            QCOMPARE(q.value(3).toDouble(), 21.4);
            QCOMPARE(q.value(4).toDouble(), 22.4);
            QVERIFY(qAbs(q.value(5).toDouble() - 1015.0) < 0.01);
            QVERIFY(qAbs(q.value(6).toDouble() - 4.4704) < 0.001);
            QCOMPARE(q.value(7).toDouble(), 0.762); // 0.03 in
            QVERIFY(q.next());
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toLongLong(),
                QDateTime(QDate(2026, 3, 5), QTime(14, 3), Qt::UTC).toSecsSinceEpoch());
            // A minute of the live archive stays as it was.
            QVERIFY(
                q.exec("UPDATE minutes SET temp = 1000 WHERE t = (SELECT min(t) FROM minutes)"));
        }

        QCOMPARE(import(&output), 0);
        QVERIFY(output.contains("rows read: 4, minutes added: 0"));
        ArchiveStore store;
        QCOMPARE(store.open(archivePath(*settings)), ArchiveStore::OpenResult::Ready);
        QSqlQuery q(store.database());
        QVERIFY(q.exec("SELECT count(*), min(temp) FROM minutes") && q.next());
        QCOMPARE(q.value(0).toInt(), 3);
        QCOMPARE(q.value(1).toInt(), 1000);
    }

    void valuesOutsidePhysicalBoundsAreLeftOutAndCounted()
    {
        // 80 C = 176 F, 130 m/s = 290.8 mph, 600 mm = 23.622 in: each is left
        // out of its row, whose humidity and pressure still count.
        writeFile("logfile-2026-03-05.csv",
            csvrow::csvHeader() + row(1, "2026-03-05 14:00:05", 176, 29.9764, 290.8, 23.622));
        QString output;
        QCOMPARE(import(&output), 0);
        QVERIFY2(output.contains("lines skipped: 0, values out of physical bounds left out: 3"),
            qPrintable(output));
        ArchiveStore store;
        QCOMPARE(store.open(archivePath(*settings)), ArchiveStore::OpenResult::Ready);
        QSqlQuery q(store.database());
        QVERIFY(q.exec("SELECT temp, wind, rain, hum, press FROM minutes") && q.next());
        for (int column = 0; column < 3; ++column)
            QVERIFY(q.value(column).isNull());
        QCOMPARE(q.value(3).toInt(), 5550);
        QVERIFY(!q.value(4).isNull());
    }

    void nothingReadableFails()
    {
        QString output;
        QCOMPARE(import(&output), 1);
        QVERIFY(output.contains("No CSV files in"));

        writeFile("logfile-2026-03-05.csv", "\n\x01\x02garbage,,,\n" + QByteArray(100000, 'x'));
        QCOMPARE(import(&output), 1);
        QVERIFY(output.contains("rows read: 0"));
    }

private:
    static QByteArray row(
        int index, const char *utc, double temp, double pressure, double wind, double rainInc)
    {
        LogRow r;
        r.airTemp = temp;
        r.pressure = pressure;
        r.wind = wind;
        r.windDir = 250;
        r.humidity = 55.5;
        r.rainInc = rainInc;
        QDateTime time = QDateTime::fromString(QLatin1String(utc), "yyyy-MM-dd HH:mm:ss");
        time.setTimeSpec(Qt::UTC);
        return csvrow::formatCsvRow(index, time, r);
    }

    int import(QString *output)
    {
        output->clear();
        QTextStream out(output);
        return runCsvImport(csv, *settings, 0, &out);
    }

    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(QDir(csv).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    std::unique_ptr<QTemporaryDir> folder;
    QString csv;
    std::unique_ptr<SysSettings> settings;
};

QTEST_GUILESS_MAIN(TestCsvImport)
#include "tst_csvimport.moc"

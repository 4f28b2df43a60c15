#include "archive/archive.h"
#include "archive/archiveschema.h"
#include "archive/archivestore.h"
#include "support/filemode.h"
#include "support/logcapture.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/resource.h>

#include <csignal>
#endif

#include <cmath>

using archive::MinuteRow;

namespace {

// 2026-03-06 14:00 UTC, the start of an hour.
constexpr qint64 Hour = 1772805600;

MinuteRow minute(qint64 start, double temp)
{
    MinuteRow r;
    r.start = start;
    r.cycles = 60;
    r.temp = temp;
    r.tempMin = temp - 0.5;
    r.tempMax = temp + 0.5;
    r.hum = 55.5;
    r.press = 1015.25;
    r.wind = 3.45;
    r.windDir = 247.5;
    r.rain = 0.254;
    r.strikes = 2;
    return r;
}

QVariant scalar(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next())
        return QVariant();
    return q.value(0);
}

QStringList asideFiles(const QString &folder)
{
    return QDir(folder).entryList({ QStringLiteral("archive.sqlite.corrupt-*") }, QDir::Files);
}

} // namespace

class TestArchiveStore : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        path = folder->filePath(QStringLiteral("archive.sqlite"));
    }

    void rowsRollupsAndMinutesAlreadyPresent()
    {
        ArchiveStore store;
        QCOMPARE(store.open(path), ArchiveStore::OpenResult::Ready);
        const QSqlDatabase db = store.database();
        QCOMPARE(scalar(db, "PRAGMA user_version").toInt(), archive::SchemaVersion);
        QCOMPARE(scalar(db, "PRAGMA journal_mode").toString(), QStringLiteral("wal"));
#ifdef Q_OS_UNIX // the history is the console user's alone, journal files included
        QCOMPARE(fileMode(path) | fileMode(path + "-wal") | fileMode(path + "-shm"), 0600);
#endif

        MinuteRow gap = minute(Hour + 120, 12.0);
        gap.solar = archive::Missing;
        ArchiveStore::WriteResult result
            = store.insert({ minute(Hour, 10.0), minute(Hour + 60, 11.0), gap });
        QVERIFY(result.ok);
        QCOMPARE(result.added, 3);

        // Base units in the view, whatever the stored form.
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT temp_c, temp_min_c, humidity_pct, pressure_msl_hpa, wind_ms,"
                       " wind_dir_deg, rain_mm, strikes, solar_wm2 FROM minute_values"
                       " WHERE minute_utc = "
            + QString::number(Hour + 60)));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toDouble(), 11.0);
        QCOMPARE(q.value(1).toDouble(), 10.5);
        QCOMPARE(q.value(2).toDouble(), 55.5);
        QCOMPARE(q.value(3).toDouble(), 1015.25);
        QCOMPARE(q.value(4).toDouble(), 3.45);
        QCOMPARE(q.value(5).toDouble(), 247.5);
        QCOMPARE(q.value(6).toDouble(), 0.254);
        QCOMPARE(q.value(7).toInt(), 2);
        QVERIFY(q.value(8).isNull());

        // A minute already archived keeps its row.
        result = store.insert({ minute(Hour + 60, 30.0), minute(Hour + 180, 13.0) });
        QVERIFY(result.ok);
        QCOMPARE(result.added, 1);
        QCOMPARE(
            scalar(db, "SELECT temp FROM minutes WHERE t = " + QString::number(Hour + 60)).toInt(),
            1100);

        // The first ten minutes, the hour and the day fold the four minutes.
        for (const char *table : { "tens", "hours", "days" }) {
            QVERIFY(q.exec(
                QStringLiteral("SELECT minutes, temp, temp_min, temp_max, rain, strikes"
                               " FROM %1 WHERE t = %2")
                    .arg(QLatin1String(table))
                    .arg(QLatin1String(table) == QLatin1String("days") ? Hour - 14 * 3600 : Hour)));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), 4);
            QCOMPARE(q.value(1).toInt(), 1150); // 11.5 C
            QCOMPARE(q.value(2).toInt(), 950);
            QCOMPARE(q.value(3).toInt(), 1350);
            QCOMPARE(q.value(4).toInt(), 1016); // 4 x 0.254 mm
            QCOMPARE(q.value(5).toInt(), 8);
        }
    }

    void liveRainGoesOnFromTheLastArchivedMinute()
    {
        // The station's day total at each minute's end, and the rain in it.
        const double totals[] = { 1.5, 2, 0.4 }, rains[] = { 0.3, 0, 0.1 };
        for (int i = 0; i < 3; ++i) {
            ArchiveStore store; // a restart each
            QCOMPARE(store.open(path), ArchiveStore::OpenResult::Ready);
            MinuteRow r = minute(Hour + 600 * i + 85800 * (i / 2), 10); // the last a day on
            r.rainTotal = totals[i];
            r.rain = rains[i];
            QVERIFY(store.insert({ r }).ok);
        }
        ArchiveStore store;
        QCOMPARE(store.open(path), ArchiveStore::OpenResult::Ready);
        // 1.2 mm before the first minute, 0.5 mm while off; a new day counts from 0.
        QCOMPARE(scalar(store.database(), "SELECT group_concat(rain) FROM minutes").toString(),
            QStringLiteral("1500,500,400"));
    }

    void aCorruptFileIsMovedAside()
    {
        LogCapture log;
        // Not a database at all, with a journal beside it that must not reach the new one.
        writeFile(path, QByteArray(8192, 'x'));
        writeFile(path + "-wal", QByteArray(4096, 'w'));
        {
            ArchiveStore store;
            store.setClock([] { return QDateTime(QDate(2026, 3, 6), QTime(14, 5, 9), Qt::UTC); });
            QCOMPARE(store.open(path), ArchiveStore::OpenResult::Ready);
            QVERIFY(store.insert({ minute(Hour, 10.0) }).ok);
            QCOMPARE(scalar(store.database(), "SELECT count(*) FROM minutes").toInt(), 1);
        }
        QCOMPARE(asideFiles(folder->path()).filter(QRegularExpression("Z$")).size(), 1);
        QCOMPARE(readFile(path + ".corrupt-20260306T140509Z"), QByteArray(8192, 'x'));
        QCOMPARE(log.countStartingWith("Archive " + path + " cannot be used ("), 1);

        // A real archive with a damaged page in the middle.
        {
            ArchiveStore store;
            QCOMPARE(store.open(path), ArchiveStore::OpenResult::Ready);
            QVector<MinuteRow> rows;
            for (int i = 1; i < 3000; ++i)
                rows.append(minute(Hour + 60 * i, 10.0 + i % 7));
            QVERIFY(store.insert(rows).ok);
            QSqlQuery(store.database()).exec("PRAGMA wal_checkpoint(TRUNCATE)");
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.size() > 16 * 4096);
        file.seek(8 * 4096);
        file.write(QByteArray(4096, '\xA5'));
        file.close();
        ArchiveStore store;
        QCOMPARE(store.open(path), ArchiveStore::OpenResult::Ready);
        QCOMPARE(scalar(store.database(), "SELECT count(*) FROM minutes").toInt(), 0);
        QCOMPARE(asideFiles(folder->path()).filter(QRegularExpression("Z$")).size(), 2);
    }

    void aNewerArchiveIsLeftAlone()
    {
        {
            ArchiveStore store;
            QCOMPARE(store.open(path), ArchiveStore::OpenResult::Ready);
            QSqlQuery(store.database()).exec("PRAGMA user_version = 99");
        }
        ArchiveStore store;
        QCOMPARE(store.open(path), ArchiveStore::OpenResult::Newer);
        QVERIFY(!store.isOpen());
        QVERIFY(asideFiles(folder->path()).isEmpty());
    }

    void writeFailuresAreLoggedOncePerRunAndNothingIsLost()
    {
#ifndef Q_OS_UNIX
        QSKIP("a full disk is made with a file-size limit, which Windows lacks");
#else
        LogCapture log;
        ArchiveWriter writer;
        writer.open(path);
        writer.write({ minute(Hour, 10.0) });

        // A disk that takes no more bytes: every file stops at its present size.
        const auto sigxfsz = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit full = saved;
        full.rlim_cur = rlim_t(QFileInfo(path + "-wal").size());
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
        for (int i = 1; i <= 3; ++i)
            writer.write({ minute(Hour + 60 * i, 10.0 + i) });
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
        std::signal(SIGXFSZ, sigxfsz);
        QCOMPARE(log.countStartingWith("Archive minutes not written to"), 1);

        writer.write({ minute(Hour + 240, 14.0) });
        QCOMPARE(log.countStartingWith("Archive minutes written again to"), 1);
        writer.close();

        ArchiveStore store;
        QCOMPARE(store.open(path), ArchiveStore::OpenResult::Ready);
        QCOMPARE(scalar(store.database(), "SELECT count(*) FROM minutes").toInt(), 5);
#endif
    }

    void noAggregateOverflowsAndARefusedMinuteHoldsNothingBack()
    {
        LogCapture log;
        ArchiveWriter writer;
        writer.open(path);
        // Two minutes of one ten whose rain, stored, adds up past 64 bits.
        MinuteRow wet = minute(Hour, 10.0), wetter = minute(Hour + 60, 11.0);
        wet.rain = wetter.rain = 5e15; // mm
        writer.write({ wet, wetter });
        // A minute the database refuses, in a batch with two it takes.
        ArchiveStore other;
        QCOMPARE(other.open(path), ArchiveStore::OpenResult::Ready);
        QVERIFY(QSqlQuery(other.database())
                    .exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON minutes WHEN"
                                         " NEW.t = %1 BEGIN SELECT RAISE(ABORT, 'refused'); END")
                              .arg(Hour + 180)));
        writer.write(
            { minute(Hour + 120, 12.0), minute(Hour + 180, 13.0), minute(Hour + 240, 14.0) });
        writer.write({ minute(Hour + 300, 15.0) });
        writer.close();

        QCOMPARE(scalar(other.database(), "SELECT count(*) FROM minutes").toInt(), 5);
        QVERIFY(scalar(other.database(), "SELECT rain FROM hours").toDouble() > 9.2e18);
        QCOMPARE(log.countStartingWith("Archive: the minute 2026-03-06T14:03:00Z cannot be"), 1);
    }

    void onlyACorruptFileIsMovedAside()
    {
#ifndef Q_OS_UNIX
        QSKIP("the process's file limit is Unix's");
#else
        {
            ArchiveStore store;
            QCOMPARE(store.open(path), ArchiveStore::OpenResult::Ready);
            QVERIFY(store.insert({ minute(Hour, 10.0) }).ok);
        }
        // Too many open files: no handle is left for the archive.
        rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
        const rlimit none { 0, saved.rlim_max };
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &none), 0);
        ArchiveStore store;
        const ArchiveStore::OpenResult result = store.open(path);
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &saved), 0);
        QCOMPARE(result, ArchiveStore::OpenResult::Failed);
        QVERIFY(asideFiles(folder->path()).isEmpty());
        QCOMPARE(store.open(path), ArchiveStore::OpenResult::Ready);
        QCOMPARE(scalar(store.database(), "SELECT count(*) FROM minutes").toInt(), 1);
#endif
    }

private:
    static void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QByteArray readFile(const QString &name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::unique_ptr<QTemporaryDir> folder;
    QString path;
};

QTEST_GUILESS_MAIN(TestArchiveStore)
#include "tst_archivestore.moc"

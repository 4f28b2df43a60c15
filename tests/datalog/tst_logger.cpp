#include "acquisition/cyclestep.h"
#include "acquisition/stationdata.h"
#include "datalog/csvrow.h"
#include "datalog/logger.h"
#include "datalog/logsettings.h"
#include "settings/syssettings.h"
#include "support/fakestation.h"
#include "support/logcapture.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <ctime>
#include <thread>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <unistd.h>
#endif

// Values as a station would report them (registers are tenths or hundredths)
// and, by hand, as they read in the units chosen in init(): °C, hPa, m/s, km.
static void fillStation(FakeStation &s)
{
    s.setStatus(109, 131); // battery voltage
    s.setStatus(110, 140); // input voltage
    s.setStatus(111, 2); // charger status
    s.setData(201, 3); // WDS status
    s.setData(202, 36); // wind 3.6 m/s
    s.setData(203, 2470); // 247 degrees
    s.setData(204, 41);
    s.setData(205, 2500);
    s.setData(206, 52);
    s.setData(207, 2610);
    s.setData(208, 97); // gust 9.7 m/s
    s.setData(209, 2700);
    s.setData(221, 1); // TPH status
    s.setData(222, 214); // 21.4 °C
    s.setData(223, 555); // 55.5 %
    s.setData(224, 10132); // station pressure 1013.2 hPa
    s.setData(225, quint16(-2)); // trend code
    s.setData(226, 23); // pressure-sensor temperature, unscaled
    s.setData(243, 235); // rain today 2.35
    s.setData(244, 120); // rain rate 1.2
    s.setData(245, 0x4348); // analog 1 = 200.0f
    s.setData(247, 0x4148); // analog 2 = 12.5f
    s.setData(251, 10150); // sea-level pressure 1015.0 hPa
    s.setData(282, 4); // strikes this cycle
    s.setData(283, 2); // noise events this cycle
    s.setData(284, 1); // disturbers this cycle
    s.setData(285, 12); // 12 km
}

static QByteArray row(
    const char *head, int strikes, const char *distance, int noise, int disturbers)
{
    return QByteArray(head) + ',' + QByteArray::number(strikes) + ',' + distance + ','
        + QByteArray::number(noise) + ',' + QByteArray::number(disturbers) + csvrow::LineEnd;
}

class TestLogger : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void freshDayHeaderAndEveryColumn();
    void nothingWhileLoggingIsOff();
    void unitChangeBetweenRows();
    void lightningAndRainAcrossRows();
    void rainFromTheLastRowInTheGaugesUnit();
    void indexRecovery_data();
    void indexRecovery();
    void fileWithoutFinalLineFeedKeepsRunningIndex();
    void largeFileReadsOnlyItsTail();
    void overlongLastLineKeepsRunningIndex();
    void midnightStartsNewFileWithRunningIndex();
    void deletedFileIsCreatedAgain();
    void missingFolderSkipsRowsAndLogsOncePerRun();
    void prefixNeverLeadsOutOfTheFolder();
    void fullDiskTakesNothingAway();
    void readersNeverSeeHalfARow();

private:
    // What one good read of the station does to the values; returns the
    // number of reads.
    int poll();
    StationCycle cycle() const;
    // A row for the current values, with the settings as they are now.
    void writeLogData();
    QString fileFor(const QDate &day) const;
    QByteArray contents(const QDate &day) const;
    QList<QByteArray> lines(const QDate &day) const;
    static qint64 bytesReadSoFar();

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SysSettings> settings;
    std::unique_ptr<FakeStation> station;
    std::unique_ptr<Logger> logger;
    StationValues values;
    std::unique_ptr<LogCapture> log;
    QString logDir;
    QDateTime clockNow;
    const QDate day { 2026, 3, 6 };
};

void TestLogger::initTestCase()
{
    // A fixed zone two hours east of UTC, so the UTC column differs from the
    // local date that names the file. No DST rule: the offset never moves.
    qputenv("TZ", "XYZ-2");
    tzset();
}

void TestLogger::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    logDir = dir->path() + QStringLiteral("/logs");
    QVERIFY(QDir().mkpath(logDir));
    settings = std::make_unique<SysSettings>(dir->path() + QStringLiteral("/settings"));
    settings->setLogPath(logDir);
    settings->setLogPrefix(QStringLiteral("logfile-"));
    settings->setTemperatureUnits(0);
    settings->setPressureUnits(0);
    settings->setSpeedUnits(1);
    settings->setDistanceUnits(0);
    settings->setPressureAdjustment(0);

    station = std::make_unique<FakeStation>();
    fillStation(*station);
    log = std::make_unique<LogCapture>();
    values = StationValues();
    clockNow = QDateTime(day, QTime(14, 0, 0)); // 12:00:00 UTC
    logger = std::make_unique<Logger>();
}

void TestLogger::cleanup()
{
    logger.reset();
    log.reset();
    settings.reset();
    dir.reset();
}

int TestLogger::poll()
{
    decodeStatusBlock(station->status, values);
    applyDataBlock(values, station->data, clockNow);
    return 1;
}

StationCycle TestLogger::cycle() const
{
    StationCycle c;
    c.kind = StationCycle::Kind::Good;
    c.values = values;
    c.local = clockNow;
    c.utc = clockNow.toUTC();
    return c;
}

void TestLogger::writeLogData()
{
    logger->setSettings(logSettingsFrom(*settings));
    logger->writeRow(cycle());
}

QString TestLogger::fileFor(const QDate &date) const
{
    return logDir + QStringLiteral("/logfile-") + date.toString(QStringLiteral("yyyy-MM-dd"))
        + QStringLiteral(".csv");
}

QByteArray TestLogger::contents(const QDate &date) const
{
    QFile f(fileFor(date));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<QByteArray> TestLogger::lines(const QDate &date) const
{
    QList<QByteArray> result;
    for (const QByteArray &line : contents(date).split('\n'))
        result.append(line.endsWith('\r') ? line.chopped(1) : line);
    return result;
}

qint64 TestLogger::bytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}

void TestLogger::freshDayHeaderAndEveryColumn()
{
    const int n = poll();
    QVERIFY(n >= 1);
    QVERIFY(!QFile::exists(fileFor(day)));
    writeLogData();

    QCOMPARE(QDir(logDir).entryList(QDir::Files),
        QStringList { QStringLiteral("logfile-2026-03-06.csv") });
    const QByteArray expected = csvrow::csvHeader()
        + row("1,2026-03-06 12:00:00,3.6,247,4.1,250,5.2,261,9.7,270,3,21.4,55.5,1015,23,-2,"
              "1,2.35,2.35,1.2,200,12.5,131,140,2,0",
            4 * n, "12", 2 * n, n);
    QCOMPARE(contents(day), expected);
    QCOMPARE(logger->nextIndex(), 2);
}

void TestLogger::nothingWhileLoggingIsOff()
{
    settings->setLogEnabled(false);
    logger->setSettings(logSettingsFrom(*settings));
    poll();
    StationCycle first = cycle();
    first.firstSinceStart = true;
    logger->takeCycle(first);
    QVERIFY(QDir(logDir).entryList(QDir::Files).isEmpty());
    QCOMPARE(logger->nextIndex(), 1);
}

void TestLogger::unitChangeBetweenRows()
{
    station->setData(282, 0);
    station->setData(283, 0);
    station->setData(284, 0);
    QVERIFY(poll() >= 1);
    writeLogData();

    settings->setTemperatureUnits(1);
    settings->setPressureUnits(2);
    settings->setPressureAdjustment(1); // station pressure
    settings->setSpeedUnits(0);
    settings->setDistanceUnits(1);
    writeLogData();

    const QList<QByteArray> l = lines(day);
    QCOMPARE(l.size(), 4); // header, two rows, nothing after the last line break
    QCOMPARE(l.at(0) + csvrow::LineEnd, csvrow::csvHeader());
    QCOMPARE(l.at(1),
        QByteArray("1,2026-03-06 12:00:00,3.6,247,4.1,250,5.2,261,9.7,270,3,21.4,55.5,1015,"
                   "23,-2,1,2.35,2.35,1.2,200,12.5,131,140,2,0,0,12,0,0"));
    // mph: × 2.23693629205; °F: × 1.8 + 32; inHg: 1013.2 × 0.0295333727; mi: × 0.62137119.
    QCOMPARE(l.at(2),
        QByteArray("2,2026-03-06 12:00:00,8.05297,247,9.17144,250,11.6321,261,21.6983,270,"
                   "3,70.52,55.5,29.9232,23,-2,1,0,2.35,1.2,200,12.5,131,140,2,0,0,7.45645,"
                   "0,0"));
}

void TestLogger::lightningAndRainAcrossRows()
{
    auto column = [this](int line, int index) { return lines(day).at(line).split(',').at(index); };

    const int n1 = poll();
    writeLogData();
    QCOMPARE(column(1, 17), QByteArray("2.35")); // a fresh day file: all of today's rain
    QCOMPARE(column(1, 26).toInt(), 4 * n1);
    QCOMPARE(column(1, 28).toInt(), 2 * n1);
    QCOMPARE(column(1, 29).toInt(), n1);

    // No cycle in between: nothing new.
    writeLogData();
    QCOMPARE(column(2, 17), QByteArray("0"));
    QCOMPARE(column(2, 26), QByteArray("0"));
    QCOMPARE(column(2, 28), QByteArray("0"));
    QCOMPARE(column(2, 29), QByteArray("0"));

    station->setData(243, 240);
    station->setData(282, 7);
    const int n2 = poll();
    writeLogData();
    QCOMPARE(column(3, 17), QByteArray("0.05"));
    QCOMPARE(column(3, 18), QByteArray("2.4"));
    QCOMPARE(column(3, 26).toInt(), 7 * n2);
    QCOMPARE(column(3, 28).toInt(), 2 * n2);

    station->setData(243, 500);
    poll();
    writeLogData();
    QCOMPARE(column(4, 17), QByteArray("2.6"));

    // The station's own daily reset: 5.0 to 0.2.
    station->setData(243, 20);
    poll();
    writeLogData();
    QCOMPARE(column(5, 17), QByteArray("0.2"));
    QCOMPARE(column(5, 18), QByteArray("0.2"));
    QCOMPARE(column(5, 0), QByteArray("5"));
}

void TestLogger::rainFromTheLastRowInTheGaugesUnit()
{
    station->setData(243, 35); // 0.35 mm
    poll();
    writeLogData();
    // Restarted with the gauge now in inches: only the rain since that row.
    logger = std::make_unique<Logger>();
    station->setData(263, 2);
    station->setData(243, 2);
    poll();
    writeLogData();
    QCOMPARE(lines(day).at(2).split(',').at(17), csvrow::formatDouble(0.02 - 0.35 / 25.4));
}

void TestLogger::indexRecovery_data()
{
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("logLine");

    const QByteArray header = csvrow::csvHeader();
    QTest::newRow("ends in row 57")
        << header + "56,2026-03-06 09:50:00,1\n57,2026-03-06 10:00:00,1\n"
        << 58 << QStringLiteral("Last index is  57");
    QTest::newRow("crlf rows") << header + "57,2026-03-06 10:00:00,1\r\n"
                               << 58 << QStringLiteral("Last index is  57");
    QTest::newRow("header only") << header << 1 << QStringLiteral("Last index is  Index");
    QTest::newRow("last line without comma") << header + "123\n"
                                             << 124 << QStringLiteral("Last index is  123");
    QTest::newRow("last line of text") << header + "57,x\nrubbish\n"
                                       << 1 << QStringLiteral("Last index is  rubbish");
    QTest::newRow("empty last line") << header + "57,x\n\n"
                                     << 1 << QStringLiteral("Last index is  ");
    QTest::newRow("negative index") << header + "-5,x\n"
                                    << -4 << QStringLiteral("Last index is  -5");
    QTest::newRow("huge index") << header + "99999999999,x\n"
                                << std::numeric_limits<int>::max()
                                << QStringLiteral("Last index is  99999999999");
}

void TestLogger::indexRecovery()
{
    QFETCH(QByteArray, existing);
    QFETCH(int, index);
    QFETCH(QString, logLine);

    QFile f(fileFor(day));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(existing);
    f.close();

    writeLogData();
    QVERIFY2(log->contains(logLine), qPrintable(log->lines().join('|')));
    const QByteArray now = contents(day);
    QVERIFY(now.startsWith(existing));
    const QByteArray added = now.mid(existing.size());
    QVERIFY(!added.contains("Index")); // no second header
    QCOMPARE(added.split(',').first(), QByteArray::number(index));
    QCOMPARE(added.count(','), 29);
}

void TestLogger::fileWithoutFinalLineFeedKeepsRunningIndex()
{
    // Two rows on the previous day put the running index at 3.
    clockNow = QDateTime(day.addDays(-1), QTime(14, 0, 0));
    writeLogData();
    writeLogData();
    clockNow = QDateTime(day, QTime(14, 0, 0));

    const QByteArray existing = csvrow::csvHeader() + "57,2026-03-06 10:00:00,1.5";
    QFile f(fileFor(day));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(existing);
    f.close();
    log->clear();

    writeLogData();
    QCOMPARE(log->countStartingWith(QStringLiteral("Last index is")), 0);
    // The unfinished line keeps its own line; the row starts a new one.
    const QList<QByteArray> l = lines(day);
    QCOMPARE(l.size(), 4);
    QCOMPARE(l.at(1), QByteArray("57,2026-03-06 10:00:00,1.5"));
    QCOMPARE(l.at(2).split(',').first(), QByteArray("3"));
    QCOMPARE(logger->nextIndex(), 4);
}

void TestLogger::largeFileReadsOnlyItsTail()
{
    const QByteArray filler
        = "2026-03-06 10:00:00,3.6,247,4.1,250,5.2,261,9.7,270,3,21.4,55.5,1015,"
          "23,-2,1,0,2.35,1.2,200,12.5,131,140,2,0,0,12,0,0,"
          "padding-padding-padding-padding-padding-padding-padding-padding\n";
    constexpr int rows = 200000;
    {
        QFile f(fileFor(day));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(csvrow::csvHeader());
        QByteArray chunk;
        for (int i = 1; i <= rows; ++i) {
            chunk += QByteArray::number(i) + ',' + filler;
            if (chunk.size() > (1 << 20) || i == rows) {
                QCOMPARE(f.write(chunk), qint64(chunk.size()));
                chunk.clear();
            }
        }
    }
    const qint64 size = QFileInfo(fileFor(day)).size();
    QVERIFY(size > 30 * 1000 * 1000);

    const qint64 before = bytesReadSoFar();
    if (before < 0)
        QSKIP("no /proc/self/io to count the bytes read");
    writeLogData();
    const qint64 read = bytesReadSoFar() - before;
    QVERIFY2(read < 256 * 1024, qPrintable(QString::number(read)));

    QCOMPARE(logger->nextIndex(), rows + 2);
    QFile f(fileFor(day));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.seek(f.size() - 1000));
    const QList<QByteArray> tail = f.read(1000).split('\n');
    QVERIFY(tail.at(tail.size() - 2).startsWith("200001,2026-03-06 12:00:00,"));
}

void TestLogger::overlongLastLineKeepsRunningIndex()
{
    {
        QFile f(fileFor(day));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(csvrow::csvHeader() + "57,x\n");
        f.write("58" + QByteArray(8 * 1000 * 1000, 'z') + '\n');
    }
    const qint64 before = bytesReadSoFar();
    writeLogData();
    if (before >= 0)
        QVERIFY(bytesReadSoFar() - before < 256 * 1024);
    QCOMPARE(log->countStartingWith(QStringLiteral("Last index is")), 0);
    QCOMPARE(logger->nextIndex(), 2);
}

void TestLogger::midnightStartsNewFileWithRunningIndex()
{
    clockNow = QDateTime(day, QTime(23, 59, 30));
    writeLogData();
    writeLogData();
    clockNow = QDateTime(day.addDays(1), QTime(0, 0, 10));
    writeLogData();

    const QList<QByteArray> old = lines(day);
    QCOMPARE(old.size(), 4);
    QVERIFY(old.at(1).startsWith("1,2026-03-06 21:59:30,"));
    QVERIFY(old.at(2).startsWith("2,2026-03-06 21:59:30,"));

    const QList<QByteArray> fresh = lines(day.addDays(1));
    QCOMPARE(fresh.size(), 3);
    QCOMPARE(fresh.at(0) + csvrow::LineEnd, csvrow::csvHeader());
    // The local date names the file; the row carries UTC, still the 6th.
    QVERIFY(fresh.at(1).startsWith("3,2026-03-06 22:00:10,"));
}

void TestLogger::deletedFileIsCreatedAgain()
{
    writeLogData();
    QVERIFY(QFile::remove(fileFor(day)));
    writeLogData();
    const QList<QByteArray> l = lines(day);
    QCOMPARE(l.size(), 3);
    QCOMPARE(l.at(0) + csvrow::LineEnd, csvrow::csvHeader());
    QVERIFY(l.at(1).startsWith("2,"));
}

void TestLogger::missingFolderSkipsRowsAndLogsOncePerRun()
{
    station->setData(243, 0);
    poll();
    writeLogData(); // the first reading of the run: no rain yet
    QVERIFY(QFile::remove(fileFor(day)));
    station->setData(243, 235);
    const int n = poll();
    QVERIFY(QDir(logDir).removeRecursively());
    const QString failure = QStringLiteral("Data log row not written to");

    writeLogData();
    writeLogData();
    QVERIFY(!QDir(logDir).exists()); // the folder is not created
    QCOMPARE(log->countStartingWith(failure), 1);
    QCOMPARE(logger->nextIndex(), 2);

    QVERIFY(QDir().mkpath(logDir));
    writeLogData();
    QCOMPARE(log->countStartingWith(QStringLiteral("Data log rows written again to")), 1);
    const QList<QByteArray> fields = lines(day).at(1).split(',');
    QCOMPARE(fields.at(0), QByteArray("2"));
    QCOMPARE(fields.at(17), QByteArray("2.35")); // the rain was not used up by the failures
    QCOMPARE(fields.at(26).toInt(), 4 * n);

    // A new run of failures is reported again.
    QVERIFY(QDir(logDir).removeRecursively());
    writeLogData();
    QCOMPARE(log->countStartingWith(failure), 2);
}

void TestLogger::prefixNeverLeadsOutOfTheFolder()
{
    poll();
    LogSettings s = logSettingsFrom(*settings);
    s.prefix = QStringLiteral("../escaped-");
    logger->setSettings(s);
    logger->writeRow(cycle());
    QCOMPARE(QDir(dir->path()).entryList({ "escaped-*" }), QStringList());
    QCOMPARE(QDir(logDir).entryList(QDir::Files), QStringList());
    QCOMPARE(log->countStartingWith(QStringLiteral("Data log row not written to")), 1);
}

void TestLogger::fullDiskTakesNothingAway()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full");
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), fileFor(day)));

    station->setData(243, 0);
    poll();
    writeLogData(); // the first reading of the run: no rain yet
    station->setData(243, 235);
    const int n1 = poll() + 1;
    writeLogData();
    QCOMPARE(log->countStartingWith(QStringLiteral("Data log row not written to")), 1);
    QCOMPARE(logger->nextIndex(), 1);

    station->setData(243, 240);
    const int n2 = poll();
    QVERIFY(QFile::remove(fileFor(day)));
    writeLogData();
    const QList<QByteArray> fields = lines(day).at(1).split(',');
    QCOMPARE(fields.at(0), QByteArray("1"));
    // The lost row's 2.35 plus the 0.05 since: rain since the last written row.
    QCOMPARE(fields.at(17), QByteArray("2.4"));
    QCOMPARE(fields.at(26).toInt(), 4 * (n1 + n2));
}

void TestLogger::readersNeverSeeHalfARow()
{
    // A single write can still be seen cut, but only where the kernel moves
    // the end of file page by page while copying it; a row written in pieces
    // would also show up cut anywhere else.
#ifdef Q_OS_WIN
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const long page = long(system.dwPageSize);
#else
    const long page = sysconf(_SC_PAGESIZE);
#endif
    std::atomic<bool> done { false };
    std::atomic<int> tornOffPage { 0 };
    std::atomic<int> looks { 0 };
    const QString path = fileFor(day);
    std::thread reader([&] {
        while (!done) {
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly))
                continue;
            const QByteArray all = f.readAll();
            ++looks;
            if (!all.isEmpty() && !all.endsWith('\n') && all.size() % page != 0)
                ++tornOffPage;
        }
    });
    for (int i = 0; i < 300; ++i)
        writeLogData();
    done = true;
    reader.join();
    QVERIFY(looks > 0);
    QCOMPARE(tornOffPage.load(), 0);
    QCOMPARE(lines(day).size(), 302);
}

QTEST_GUILESS_MAIN(TestLogger)
#include "tst_logger.moc"

// Two sections, same run, same temporary folder.
//
// 1. One data-log row into today's file when the file is empty, small, and
//    100 MB: the row's cost must not grow with the file (only its tail is read
//    for the running index). The empty file is truncated before every row, so
//    each of its rows also writes the header.
//
// 2. One row as the console writes it (open, recover the index from the
//    file's tail, one write, close) beside a plain fprintf of an equivalent
//    row. The peers bound the cost from below: an already open FILE* pays no
//    open/close, fopen/fprintf/fclose pays it but reads nothing.
//
// bench_datalog [rows per case]
#include "datalog/csvrow.h"
#include "datalog/logger.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A row like the logger's, through printf.
void printRow(FILE *f, int index)
{
    std::fprintf(f,
        "%d,2026-03-06 12:00:00,%g,%g,%g,%g,%g,%g,%g,%g,%d,%g,%g,%g,%g,%g,%d,%g,%g,%g,%g,"
        "%g,%d,%d,%d,%d,%d,%g,%d,%d\n",
        index, 3.6, 247.0, 4.1, 250.0, 5.2, 261.0, 9.7, 270.0, 3, 21.4, 55.5, 1015.0, 23.0, -2.0, 1,
        0.05, 2.35, 1.2, 200.0, 12.5, 131, 140, 2, 0, 4, 12.0, 2, 1);
}

// A good cycle of the sample values, at `local`.
StationCycle sampleCycle(const QDateTime &local)
{
    StationCycle c;
    c.kind = StationCycle::Kind::Good;
    c.values.wind = 3.6;
    c.values.windDir = 247;
    c.values.airTemp = 21.4;
    c.values.humidity = 55.5;
    c.values.pressure = 1015;
    c.values.rainDay = 2.35;
    c.local = local;
    c.utc = local.toUTC();
    return c;
}

void setFolder(Logger &logger, const QString &folder)
{
    LogSettings s = logger.settings();
    s.folder = folder;
    logger.setSettings(s);
}

std::vector<double> timeLogger(Logger &logger, const StationCycle &cycle, int rows)
{
    std::vector<double> us;
    for (int i = 0; i < rows; ++i) {
        QElapsedTimer t;
        t.start();
        logger.writeRow(cycle);
        us.push_back(t.nsecsElapsed() / 1e3);
    }
    return us;
}

std::vector<double> timeOpenFile(FILE *f, int rows)
{
    std::vector<double> us;
    for (int i = 0; i < rows; ++i) {
        QElapsedTimer t;
        t.start();
        printRow(f, i);
        std::fflush(f); // so the row reaches the kernel, as the logger's does
        us.push_back(t.nsecsElapsed() / 1e3);
    }
    return us;
}

std::vector<double> timeOpenClose(const QByteArray &path, int rows)
{
    std::vector<double> us;
    for (int i = 0; i < rows; ++i) {
        QElapsedTimer t;
        t.start();
        FILE *f = std::fopen(path.constData(), "a");
        if (!f)
            return {};
        printRow(f, i);
        std::fclose(f);
        us.push_back(t.nsecsElapsed() / 1e3);
    }
    return us;
}

std::vector<double> timeFormat(int rows, bool ours)
{
    LogRow row;
    row.wind = 3.6;
    row.airTemp = 21.4;
    row.pressure = 1013.25 * 0.0295333727;
    row.rainInc = 0.05;
    const QDateTime at(QDate(2026, 3, 6), QTime(12, 0, 0), Qt::UTC);
    std::vector<double> us;
    char buffer[512];
    for (int i = 0; i < rows; ++i) {
        QElapsedTimer t;
        t.start();
        if (ours) {
            const QByteArray bytes = csvrow::formatCsvRow(i, at, row);
            buffer[0] = bytes.at(0);
        } else {
            std::snprintf(buffer, sizeof buffer,
                "%d,2026-03-06 12:00:00,%g,%g,%g,%g,%g,%g,%g,%g,%d,%g,%g,%g,%g,%g,%d,%g,"
                "%g,%g,%g,%g,%d,%d,%d,%d,%d,%g,%d,%d\n",
                i, row.wind, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0, row.airTemp, 0.0, row.pressure,
                0.0, 0.0, 0, row.rainInc, 0.0, 0.0, 0.0, 0.0, 0, 0, 0, 0, 0, 0.0, 0, 0);
        }
        us.push_back(t.nsecsElapsed() / 1e3);
    }
    return us;
}

// ---- section 1: the file's size --------------------------------------------

constexpr qint64 BigFileBytes = 100 * 1024 * 1024;

struct Folder
{
    QString path; // the log folder
    QString file; // today's file in it
};

Folder makeFolder(
    const QString &root, const QString &name, const Logger &logger, const QDateTime &now)
{
    Folder f;
    f.path = root + QLatin1Char('/') + name;
    QDir().mkpath(f.path);
    // The name the logger gives today's file.
    f.file = f.path + QDir::separator() + logger.settings().prefix
        + now.toLocalTime().date().toString(Qt::ISODate) + QStringLiteral(".csv");
    return f;
}

// Header and valid rows up to `bytes`, written in large chunks; returns the
// last index written.
int fillLog(const QString &path, qint64 bytes, const QDateTime &now)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return -1;
    LogRow row;
    row.wind = 3.6;
    row.windDir = 247;
    row.airTemp = 21.4;
    row.humidity = 55.5;
    row.pressure = 29.9247;
    // In UTC already, so that no row pays a time-zone lookup.
    const QDateTime utc = now.toUTC();
    constexpr int ChunkBytes = 4 << 20;
    QByteArray chunk = csvrow::csvHeader();
    chunk.reserve(ChunkBytes + 4096);
    qint64 written = 0;
    int index = 0;
    while (written + chunk.size() < bytes) {
        chunk += csvrow::formatCsvRow(++index, utc, row);
        if (chunk.size() >= ChunkBytes) {
            if (file.write(chunk) != chunk.size())
                return -1;
            written += chunk.size();
            chunk.resize(0);
        }
    }
    if (file.write(chunk) != chunk.size())
        return -1;
    return index;
}

// Empty, and there.
bool truncateFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

std::vector<double> timeRows(
    Logger &logger, const StationCycle &cycle, const Folder &folder, int rows, bool emptyEachTime)
{
    setFolder(logger, folder.path);
    std::vector<double> us;
    for (int i = 0; i < rows; ++i) {
        if (emptyEachTime && !truncateFile(folder.file))
            return {};
        QElapsedTimer t;
        t.start();
        logger.writeRow(cycle);
        us.push_back(t.nsecsElapsed() / 1e3);
    }
    return us;
}

bool sizeSection(const QString &root, int rows)
{
    const QDateTime now(QDate(2026, 3, 6), QTime(12, 0, 0));
    const StationCycle cycle = sampleCycle(now);
    Logger logger;
    const Folder empty = makeFolder(root, QStringLiteral("empty"), logger, now);
    const Folder small = makeFolder(root, QStringLiteral("small"), logger, now);
    const Folder big = makeFolder(root, QStringLiteral("big"), logger, now);

    QElapsedTimer made;
    made.start();
    const int lastIndex = fillLog(big.file, BigFileBytes, now);
    const qint64 bigSize = QFileInfo(big.file).size();
    if (lastIndex < 0 || fillLog(small.file, 4096, now) < 0 || !truncateFile(empty.file)) {
        std::fprintf(stderr, "cannot write the log files\n");
        return false;
    }
    const double makeSeconds = made.elapsed() / 1e3;

    // The first row into the big file must continue its index.
    timeRows(logger, cycle, big, 1, false);
    if (logger.nextIndex() != lastIndex + 2) {
        std::fprintf(stderr, "index not recovered from the big file: next %d, expected %d\n",
            logger.nextIndex(), lastIndex + 2);
        QFile::remove(big.file);
        return false;
    }
    timeRows(logger, cycle, empty, 20, true); // warm-up
    timeRows(logger, cycle, small, 20, false);

    std::vector<double> e, s, b;
    auto append = [](std::vector<double> &to, const std::vector<double> &from) {
        to.insert(to.end(), from.begin(), from.end());
    };
    constexpr int Batches = 10;
    for (int batch = 0; batch < Batches; ++batch) {
        // Rotate the order so that drift on the machine affects all alike.
        for (int k = 0; k < 3; ++k) {
            switch ((batch + k) % 3) {
            case 0:
                append(e, timeRows(logger, cycle, empty, rows / Batches, true));
                break;
            case 1:
                append(s, timeRows(logger, cycle, small, rows / Batches, false));
                break;
            default:
                append(b, timeRows(logger, cycle, big, rows / Batches, false));
            }
        }
    }
    QFile::remove(big.file);
    if (e.empty() || s.empty() || b.empty()) {
        std::fprintf(stderr, "no rows timed\n");
        return false;
    }
    const double me = median(e), ms = median(s), mb = median(b);
    std::printf("one data-log row by file size, %zu rows each, median "
                "(%.0f MB file made in %.1f s, deleted after)\n",
        b.size(), bigSize / 1048576.0, makeSeconds);
    std::printf("  empty file (header + row):               %8.2f us\n", me);
    std::printf("  small file (4 KB at start; index read):  %8.2f us\n", ms);
    std::printf("  100 MB file (index read):                %8.2f us\n", mb);
    std::printf("  ratio 100 MB/empty: %.2f\n", mb / me);
    std::printf("  ratio 100 MB/small: %.2f\n", mb / ms);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Every row logs "Last index is"; the console drops it unless DebugLog is on.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const int rows = argc > 1 ? std::max(50, atoi(argv[1])) : 2000;

    QTemporaryDir dir;
    const QString logs = dir.path() + QStringLiteral("/logs");
    if (!dir.isValid() || !QDir().mkpath(logs)) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    if (!sizeSection(dir.path(), rows))
        return 1;
    std::printf("\n");

    Logger logger;
    setFolder(logger, logs);
    const StationCycle cycle = sampleCycle(QDateTime::currentDateTime());

    const QByteArray peerPath = QFile::encodeName(logs + QStringLiteral("/peer-open.csv"));
    const QByteArray reopenPath = QFile::encodeName(logs + QStringLiteral("/peer-reopen.csv"));
    FILE *open = std::fopen(peerPath.constData(), "a");
    if (!open) {
        std::fprintf(stderr, "cannot open %s\n", peerPath.constData());
        return 1;
    }

    // Warm the page cache and the allocator for all three alike.
    timeLogger(logger, cycle, 20);
    timeOpenFile(open, 20);
    timeOpenClose(reopenPath, 20);

    // Alternate the contenders so drift on the machine affects them alike.
    std::vector<double> ours, peerOpen, peerReopen, formatOurs, formatPrintf;
    for (int batch = 0; batch < 5; ++batch) {
        auto a = timeLogger(logger, cycle, rows / 5);
        auto b = timeOpenFile(open, rows / 5);
        auto c = timeOpenClose(reopenPath, rows / 5);
        auto d = timeFormat(rows / 5, true);
        auto e = timeFormat(rows / 5, false);
        ours.insert(ours.end(), a.begin(), a.end());
        peerOpen.insert(peerOpen.end(), b.begin(), b.end());
        peerReopen.insert(peerReopen.end(), c.begin(), c.end());
        formatOurs.insert(formatOurs.end(), d.begin(), d.end());
        formatPrintf.insert(formatPrintf.end(), e.begin(), e.end());
    }
    std::fclose(open);
    if (ours.empty() || peerReopen.empty()) {
        std::fprintf(stderr, "no rows timed\n");
        return 1;
    }

    const double m = median(ours), mo = median(peerOpen), mr = median(peerReopen);
    const double fo = median(formatOurs), fp = median(formatPrintf);
    std::printf("one data-log row, %zu rows each, median\n", ours.size());
    std::printf("  Logger::writeRow (open, tail, write, close)   : %8.2f us\n", m);
    std::printf("  fprintf + fflush to an open FILE*:               %8.2f us\n", mo);
    std::printf("  fopen + fprintf + fclose:                         %8.2f us\n", mr);
    std::printf("  ratio logger/open FILE*: %.2f\n", m / mo);
    std::printf("  ratio logger/fopen-fclose: %.2f\n", m / mr);
    std::printf("formatting alone: csvrow::formatCsvRow %.3f us, snprintf %.3f us, ratio %.2f\n",
        fo, fp, fo / fp);
    return 0;
}

// One data-log row as the console writes it (open, recover the index from the
// file's tail, one write, close) beside a plain fprintf of an equivalent row,
// same run, same folder. The peers bound the cost from below: an already open
// FILE* pays no open/close, fopen/fprintf/fclose pays it but reads nothing.
#include "acquisition/qmodbus.h"
#include "datalog/csvrow.h"
#include "datalog/logger.h"
#include "settings/syssettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
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

// The row the logger writes for a fresh QModbus, through printf.
void printRow(FILE *f, int index)
{
    std::fprintf(f,
        "%d,2026-03-06 12:00:00,%g,%g,%g,%g,%g,%g,%g,%g,%d,%g,%g,%g,%g,%g,%d,%g,%g,%g,%g,"
        "%g,%d,%d,%d,%d,%d,%g,%d,%d\n",
        index, 3.6, 247.0, 4.1, 250.0, 5.2, 261.0, 9.7, 270.0, 3, 21.4, 55.5, 1015.0, 23.0, -2.0, 1,
        0.05, 2.35, 1.2, 200.0, 12.5, 131, 140, 2, 0, 4, 12.0, 2, 1);
}

std::vector<double> timeLogger(Logger &logger, int rows)
{
    std::vector<double> us;
    for (int i = 0; i < rows; ++i) {
        QElapsedTimer t;
        t.start();
        logger.writeLogData();
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
    csvrow::LogRow row;
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
    SysSettings settings(dir.path() + QStringLiteral("/settings"));
    settings.setLogPath(logs);
    QModbus modbus(&settings, 0);
    Logger logger;
    Logger::setDataSource(&modbus);

    const QByteArray peerPath = QFile::encodeName(logs + QStringLiteral("/peer-open.csv"));
    const QByteArray reopenPath = QFile::encodeName(logs + QStringLiteral("/peer-reopen.csv"));
    FILE *open = std::fopen(peerPath.constData(), "a");
    if (!open) {
        std::fprintf(stderr, "cannot open %s\n", peerPath.constData());
        return 1;
    }

    // Warm the page cache and the allocator for all three alike.
    timeLogger(logger, 20);
    timeOpenFile(open, 20);
    timeOpenClose(reopenPath, 20);

    // Alternate the contenders so drift on the machine affects them alike.
    std::vector<double> ours, peerOpen, peerReopen, formatOurs, formatPrintf;
    for (int batch = 0; batch < 5; ++batch) {
        auto a = timeLogger(logger, rows / 5);
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
    Logger::setDataSource(nullptr);
    if (ours.empty() || peerReopen.empty()) {
        std::fprintf(stderr, "no rows timed\n");
        return 1;
    }

    const double m = median(ours), mo = median(peerOpen), mr = median(peerReopen);
    const double fo = median(formatOurs), fp = median(formatPrintf);
    std::printf("one data-log row, %zu rows each, median\n", ours.size());
    std::printf("  Logger::writeLogData (open, tail, write, close): %8.2f us\n", m);
    std::printf("  fprintf + fflush to an open FILE*:               %8.2f us\n", mo);
    std::printf("  fopen + fprintf + fclose:                         %8.2f us\n", mr);
    std::printf("  ratio logger/open FILE*: %.2f\n", m / mo);
    std::printf("  ratio logger/fopen-fclose: %.2f\n", m / mr);
    std::printf("formatting alone: csvrow::formatCsvRow %.3f us, snprintf %.3f us, ratio %.2f\n",
        fo, fp, fo / fp);
    return 0;
}

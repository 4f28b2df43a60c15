// Rebuilding the records and the year's climate reports from a synthetic year
// of archived minutes, beside a plain SELECT of the same rows and columns as
// the floor: what anything that looks at every minute has to read.
//
// bench_records [REPEATS] (default 5, the median printed)
#include "archive/archivestore.h"
#include "records/climatereport.h"
#include "records/minutescan.h"
#include "records/recordsloader.h"
#include "support/plainselect.h"
#include "support/syntheticweather.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr qint64 Year = 365 * 86400;
// 2026-01-01 00:00 UTC: the year starts here.
constexpr qint64 Start = 1767225600;
constexpr double GoalMs = 2000;

// Processor time: on a machine shared with other work the wall clock tells
// more about the neighbours than about this code.
double cpuMs()
{
    return double(std::clock()) * 1000 / CLOCKS_PER_SEC;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Every column the records and the reports read, of every minute.
double plainSelectMs(const QString &path, int *rows, double *cpu)
{
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuMs();
    *rows = plainSelect(path,
        QStringLiteral(
            "SELECT t, cycles, temp, temp_min, temp_max, dew, hum, hum_min, hum_max, press,"
            " press_min, press_max, wind, wind_dir, gust, gust_dir, rain, solar FROM minutes"
            " ORDER BY t"));
    *cpu = cpuMs() - cpuStart;
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("archive.sqlite"));
    std::printf("Records: a synthetic year of minutes in %s\n", qPrintable(path));
    {
        ArchiveStore store;
        if (store.open(path) != ArchiveStore::OpenResult::Ready)
            return 1;
        for (qint64 day = Start; day < Start + Year; day += 86400)
            if (!store.insert(syntheticMinutes(day, 1440)).ok)
                return 1;
        QSqlQuery(store.database()).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }

    // A zone with a half-hour offset and summer time, so every day boundary
    // and both changes of offset are looked up.
    const QTimeZone zone("Australia/Adelaide");
    records::ReportOptions options;
    options.zone = zone;
    std::vector<double> ours, floor, oursCpu, floorCpu;
    int rows = 0;
    qint64 minutes = 0;
    int reportBytes = 0;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer t;
        t.start();
        const double cpuStart = cpuMs();
        const records::Loaded loaded = records::loadRecords(
            folder.filePath(QStringLiteral("records.json")), path, zone, true);
        const QVector<records::ClimateDay> &days = loaded.days.days();
        reportBytes = records::yearReport(2026, days, options).size();
        for (int month = 1; month <= 12; ++month)
            reportBytes += records::monthReport(2026, month, days, options).size();
        ours.push_back(t.nsecsElapsed() / 1e6);
        oursCpu.push_back(cpuMs() - cpuStart);
        minutes = loaded.book.minutes();
        double cpu = 0;
        floor.push_back(plainSelectMs(path, &rows, &cpu));
        floorCpu.push_back(cpu);
    }
    std::printf(
        "%-10s %22s %18s %8s %8s\n", "", "rebuild+reports ms", "floor SELECT ms", "ratio", "goal");
    const auto line = [](const char *name, double a, double b) {
        std::printf(
            "%-10s %22.1f %18.1f %8.2f %8s\n", name, a, b, a / b, a <= GoalMs ? "met" : "MISSED");
    };
    line("wall", median(ours), median(floor));
    line("processor", median(oursCpu), median(floorCpu));
    std::printf("\n(%lld minutes taken, %d rows read by the floor; 13 reports of %d characters "
                "in all; median of %d)\n",
        static_cast<long long>(minutes), rows, reportBytes, repeats);
    return 0;
}

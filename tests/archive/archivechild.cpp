// Writes minutes into the archive named on the command line as fast as the
// disk takes them, one minute of cycles at a time, and prints the start of
// each minute once its transaction is committed: the durability test kills
// it outright in the middle of that.
#include "archive/archive.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    Archive archive;
    archive.setSettings({ true, QString::fromLocal8Bit(argv[1]) });

    // 2026-03-06 14:00 UTC onwards, one cycle a second.
    qint64 second = 1772805600;
    const auto feedMinute = [&archive, &second] {
        for (int i = 0; i < 60; ++i, ++second) {
            auto cycle = std::make_shared<StationCycle>();
            cycle->kind = StationCycle::Kind::Good;
            cycle->values.airTemp = 10 + (second % 3600) / 360.0;
            cycle->values.rainUnits = 1;
            cycle->utc = QDateTime::fromSecsSinceEpoch(second, Qt::UTC);
            cycle->local = cycle->utc;
            archive.takeCycle(cycle);
        }
    };
    QObject::connect(&archive, &Archive::minutesWritten, [&feedMinute](qint64 last) {
        std::printf("written %lld\n", static_cast<long long>(last));
        std::fflush(stdout);
        feedMinute();
    });
    feedMinute();
    feedMinute();
    return app.exec();
}

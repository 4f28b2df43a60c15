#include "csvimport.h"

#include "archive/archivesettings.h"
#include "archive/archivestore.h"
#include "archive/csvreader.h"
#include "settings/syssettings.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

// Unreadable lines named per file before the rest are only counted.
constexpr int MaxReportedLines = 10;
// A longer line is garbage: it is read in pieces and each piece skipped.
constexpr qint64 MaxLineBytes = 64 * 1024;

archive::CsvUnits unitsFrom(const SysSettings &settings, int solarInput)
{
    archive::CsvUnits units;
    units.units = settings.displayUnits();
    units.solarInput = solarInput;
    return units;
}

} // namespace

int runCsvImport(const QString &dir, SysSettings &settings, int solarInput, QTextStream *out)
{
    QTextStream standardOut(stdout);
    QTextStream &print = out ? *out : standardOut;
    const archive::CsvUnits units = unitsFrom(settings, solarInput);
    print << "Units from the settings in " << settings.folder() << ": "
          << settings.temperatureUnits() << ", " << settings.pressureUnits()
          << (units.units.pressureReading == PressureReading::Station ? " (station)"
                                                                      : " (sea level)")
          << ", " << settings.speedUnits() << ", " << settings.distanceUnits() << ", rain "
          << (units.units.rain == RainGauge::Inches ? "in" : "mm") << ", solar "
          << (solarInput ? QStringLiteral("from analog %1").arg(solarInput)
                         : QStringLiteral("not imported"))
          << '\n';

    const QDir folder(dir);
    const QStringList names = folder.exists()
        ? folder.entryList({ QStringLiteral("*.csv") }, QDir::Files | QDir::Readable, QDir::Name)
        : QStringList();
    if (names.isEmpty())
        print << "No CSV files in " << dir << '\n';

    ArchiveStore store;
    QString error;
    const QString path = archivePath(settings);
    if (!names.isEmpty() && store.open(path, &error) != ArchiveStore::OpenResult::Ready) {
        print << "Archive " << path << " cannot be opened: " << error << '\n';
        print.flush();
        return 1;
    }

    // What the summary line counts.
    int files = 0, rows = 0, added = 0, skipped = 0, rejected = 0;
    bool writeFailed = false;
    for (const QString &name : names) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            print << name << ": cannot be read: " << file.errorString() << '\n';
            continue;
        }
        ++files;
        archive::MinuteFolder minutes;
        int reported = 0;
        int fileSkipped = 0;
        for (int number = 1; !file.atEnd(); ++number) {
            const archive::CsvLine line = archive::parseCsvLine(file.readLine(MaxLineBytes), units);
            for (const archive::Sample &sample : line.samples)
                minutes.add(sample);
            rows += line.samples.size();
            rejected += line.rejected;
            if (line.skipped > 0) {
                fileSkipped += line.skipped;
                if (++reported <= MaxReportedLines)
                    print << name << ':' << number << ": "
                          << (line.samples.isEmpty() ? "line skipped: not a whole row"
                                                     : "row read from the end of a glued line")
                          << '\n';
            }
        }
        if (reported > MaxReportedLines)
            print << name << ": " << reported - MaxReportedLines
                  << " more lines with skipped parts\n";
        skipped += fileSkipped;
        if (minutes.empty())
            continue;
        const ArchiveStore::WriteResult result = store.insert(minutes.rows());
        if (!result.ok) {
            print << name << ": not archived: " << result.error << '\n';
            writeFailed = true;
            continue;
        }
        added += result.added;
    }

    print << "Files: " << files << ", rows read: " << rows << ", minutes added: " << added
          << ", lines skipped: " << skipped
          << ", values out of physical bounds left out: " << rejected << '\n';
    print.flush();
    return rows > 0 && !writeFailed ? 0 : 1;
}

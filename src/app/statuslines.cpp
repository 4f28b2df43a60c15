#include "statuslines.h"

#include "settings/syssettings.h"

QStringList StatusLines::take(const StationCycle &cycle, const std::function<QString()> &link)
{
    QStringList lines;
    switch (cycle.kind) {
    case StationCycle::Kind::NoLink:
        if (!inFailureRun) {
            inFailureRun = true;
            failedCycles = 0;
            lines << QStringLiteral("Cannot open the station link (%1); retrying").arg(link());
        }
        if (!openFailedInRun) {
            openFailedInRun = true;
            openTold = false;
        }
        ++failedCycles;
        return lines;
    case StationCycle::Kind::Failed:
    case StationCycle::Kind::Good:
        break;
    }

    if (cycle.firstOfPass && !openTold) {
        openTold = true;
        lines << QStringLiteral("Station link open (%1)").arg(link());
    }
    if (cycle.good()) {
        if (!everGood)
            lines << QStringLiteral("First good reading from the station");
        else if (inFailureRun)
            lines
                << QStringLiteral("Station readings back after %1 failed cycles").arg(failedCycles);
        everGood = true;
        inFailureRun = false;
        openFailedInRun = false;
        failedCycles = 0;
    } else {
        if (!inFailureRun) {
            inFailureRun = true;
            failedCycles = 0;
            lines << QStringLiteral("No reading from the station; further failures are "
                                    "not reported until it answers");
        }
        ++failedCycles;
    }
    return lines;
}

QString linkDescription(const SysSettings &settings)
{
    if (settings.readMode() != 0)
        return QStringLiteral("Modbus TCP %1:%2")
            .arg(settings.modbusIP())
            .arg(settings.modbusPort());
    return QStringLiteral("serial port %1 at %2 baud")
        .arg(settings.getSerialPort())
        .arg(settings.baudRate());
}

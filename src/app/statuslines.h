#pragma once

#include "record/stationcycle.h"

#include <QString>
#include <QStringList>

#include <functional>

// The few lines a console without a window writes about its station link:
// the link opened, the first good reading, and each run of failures once
// (where it began and when readings came back), so a journal that runs for
// months stays readable.
class StatusLines
{
public:
    // The lines this cycle calls for; `link` names the link ("serial port
    // /dev/ttyUSB0 at 19200 baud"), asked only for a line that shows it.
    QStringList take(const StationCycle &cycle, const std::function<QString()> &link);

private:
    bool everGood = false;
    bool inFailureRun = false;
    int failedCycles = 0;
    // Told once at start and once more after each run in which the link
    // would not open, however often a silent station has it reopened.
    bool openTold = false;
    bool openFailedInRun = false;
};

class SysSettings;

// "serial port /dev/ttyUSB0 at 19200 baud", or "Modbus TCP 192.0.2.7:502".
QString linkDescription(const SysSettings &settings);

#pragma once

#include "acquisition/service.h"
#include "logsettings.h"
#include "logtrigger.h"
#include "record/counters.h"

#include <QMutex>
#include <QObject>
#include <QString>

// Appends one row to the day's CSV file per call: open, one write, close. No
// handle stays open between rows, so the file may be moved or deleted freely.
// Takes the cycles on the acquisition thread; the settings may be replaced
// from any thread.
class Logger : public QObject, public CycleSink, public Service
{
    Q_OBJECT

public:
    explicit Logger(QObject *parent = nullptr);

    void setSettings(const LogSettings &settings);
    void readSettings(const SettingsReader &settings) override;
    LogSettings settings() const;

    // A row on the first cycle after the acquisition starts or the user
    // restarts it, then every `intervalCycles` cycles while logging is on.
    // A link that would not open gives no row.
    void takeCycle(const StationCycle &cycle) override;
    // Nothing: the data log takes its cycles on the acquisition thread, above.
    void takeCycle(const CyclePtr &) override { }

    // One row for the cycle, whatever the trigger says.
    void writeRow(const StationCycle &cycle);

    // How much of a file's end the index recovery reads at most; a last line
    // longer than that leaves the running index as it is.
    static constexpr int MaxTailBytes = 64 * 1024;

    int nextIndex() const { return rowIndex; }

private:
    // False when the file does not end in a line feed; the index stays.
    // `lastLine` gets the last line when one was found.
    bool recoverIndex(const QString &path, QByteArray *lastLine);
    // The day's rain already in the file, in the gauge's unit of `cycle`.
    double loggedRain(const StationCycle &cycle, bool fileEmpty, const QByteArray &lastLine,
        const LogSettings &s) const;
    void reportFailure(const QString &path, const QString &reason);

    mutable QMutex settingsMutex;
    LogSettings current;

    LogTrigger trigger;
    int rowIndex = 1;
    RainCounter rain;
    // Rain taken for a row that never reached the disk; it belongs to the
    // next row that does.
    double pendingRain = 0;
    // The station's lightning totals, marked at each row written: each row
    // carries what came since.
    TotalCounter strikes;
    TotalCounter noise;
    TotalCounter disturbers;
    bool failing = false;
};

#pragma once

#include "acquisition/dailyextremes.h"
#include "acquisition/stationcycle.h"
#include "logtrigger.h"

#include <QMutex>
#include <QObject>
#include <QString>

// What the data log needs of the settings, copied whole whenever one changes.
struct LogSettings
{
    bool enabled = false;
    int intervalCycles = 600; // a row every this many cycles
    QString folder;
    QString prefix = QStringLiteral("logfile-");
    // Rows are written in the display units of the moment.
    int temperatureUnits = 1;
    int pressureUnits = 2;
    int speedUnits = 0;
    int distanceUnits = 0;
    int pressureAdjustment = 0;
};

// Appends one row to the day's CSV file per call: open, one write, close. No
// handle stays open between rows, so the file may be moved or deleted freely.
// Takes the cycles on the acquisition thread; the settings may be replaced
// from any thread.
class Logger : public QObject, public CycleSink
{
    Q_OBJECT

public:
    explicit Logger(QObject *parent = nullptr);

    void setSettings(const LogSettings &settings);
    LogSettings settings() const;

    // A row on the first cycle of each link pass, then every
    // `intervalCycles` cycles while logging is on. A link that would not
    // open gives no row.
    void takeCycle(const StationCycle &cycle) override;

    // One row for the cycle, whatever the trigger says.
    void writeRow(const StationCycle &cycle);

    // How much of a file's end the index recovery reads at most; a last line
    // longer than that leaves the running index as it is.
    static constexpr int MaxTailBytes = 64 * 1024;

    int nextIndex() const { return rowIndex; }

private:
    struct Lightning
    {
        qint64 strikes = 0;
        qint64 noise = 0;
        qint64 disturbers = 0;
    };

    // False when the file does not end in a line feed; the index stays.
    bool recoverIndex(const QString &path);
    void startRain(const StationCycle &cycle);
    void reportFailure(const QString &path, const QString &reason);

    mutable QMutex settingsMutex;
    LogSettings current;

    LogTrigger trigger;
    int rowIndex = 1;
    RainCounter rain;
    // Rain taken for a row that never reached the disk; it belongs to the
    // next row that does.
    double pendingRain = 0;
    // The station's lightning totals at the last row written: each row
    // carries what came since.
    Lightning logged;
    bool failing = false;
};

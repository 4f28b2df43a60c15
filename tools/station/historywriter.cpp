#include "historywriter.h"

#include "acquisition/stationdata.h"
#include "datalog/logger.h"
#include "record/stationcycle.h"

#include <QStringList>

namespace station {

int writeHistory(const HistoryOptions &options)
{
    const QDateTime start = options.end.addDays(-options.days);
    WeatherModel model(options.seed, start, options.site);

    Logger logger;
    LogSettings s;
    s.enabled = true;
    s.intervalCycles = options.logSeconds;
    s.folder = options.folder;
    s.units = options.units;
    logger.setSettings(s);

    // The console's view of the station, decoded from the registers as it
    // would read them every second.
    StationCycle cycle;
    cycle.kind = StationCycle::Kind::Good;
    cycle.firstSinceStart = true;
    cycle.dataMissing = false;
    const qint64 seconds = start.secsTo(options.end);
    const qint64 first = start.toMSecsSinceEpoch();
    int rows = 0;
    int offset = 0;
    for (qint64 i = 1; i <= seconds; ++i) {
        // The zone's offset looked up once an hour: each lookup of local time
        // checks the zone file on disk, which would be most of the run.
        const qint64 msecs = first + i * 1000;
        if (i == 1 || msecs % 3600000 == 0)
            offset = QDateTime::fromMSecsSinceEpoch(msecs).offsetFromUtc();
        const QDateTime now = QDateTime::fromMSecsSinceEpoch(msecs, Qt::OffsetFromUTC, offset);
        model.step(now);
        quint16 status[11];
        quint16 data[100];
        model.fillRegisters(status, data);
        decodeStatusBlock(status, cycle.values);
        decodeDataBlock(data, cycle.values);
        cycle.local = now;
        cycle.utc = now.toUTC();
        const int before = logger.nextIndex();
        logger.takeCycle(cycle);
        rows += logger.nextIndex() - before;
        cycle.firstSinceStart = false;
    }
    return rows;
}

bool parseUnits(const QString &text, HistoryOptions *options)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 5)
        return false;
    int values[5];
    for (int i = 0; i < 5; ++i) {
        bool ok = false;
        values[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok || values[i] < 0 || values[i] > 3)
            return false;
    }
    options->units.temperature = TemperatureUnit(values[0]);
    options->units.pressure = PressureUnit(values[1]);
    options->units.speed = SpeedUnit(values[2]);
    options->units.distance = DistanceUnit(values[3]);
    options->units.pressureReading = PressureReading(values[4]);
    return values[4] <= 1;
}

} // namespace station

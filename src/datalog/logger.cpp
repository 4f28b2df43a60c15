#include "logger.h"

#include "csvrow.h"
#include "meteo/conversion.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QMutexLocker>

#include <climits>

namespace {

int saturatedInt(qint64 value)
{
    return int(qBound<qint64>(INT_MIN, value, INT_MAX));
}

} // namespace

Logger::Logger(QObject *parent)
    : QObject(parent)
{
}

void Logger::setSettings(const LogSettings &settings)
{
    QMutexLocker locker(&settingsMutex);
    current = settings;
}

LogSettings Logger::settings() const
{
    QMutexLocker locker(&settingsMutex);
    return current;
}

void Logger::takeCycle(const StationCycle &cycle)
{
    if (cycle.kind == StationCycle::Kind::NoLink)
        return;
    startRain(cycle);
    if (cycle.firstOfPass)
        trigger.reset();
    const LogSettings s = settings();
    if (trigger.due(s.enabled, s.intervalCycles))
        writeRow(cycle);
}

void Logger::startRain(const StationCycle &cycle)
{
    if (cycle.good() && !rain.started())
        rain.start(cycle.values.rainDay);
}

void Logger::writeRow(const StationCycle &cycle)
{
    startRain(cycle);
    const LogSettings s = settings();
    const QString path = s.folder + QDir::separator() + s.prefix
        + cycle.local.toLocalTime().date().toString(Qt::ISODate) + QStringLiteral(".csv");

    // Unbuffered: header and row reach the file in one write call, never in
    // pieces that a program reading the file could catch half-way.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        reportFailure(path, file.errorString());
        return;
    }
    const qint64 sizeBefore = file.size();
    QByteArray bytes;
    if (sizeBefore == 0)
        bytes = csvrow::csvHeader();
    else if (!recoverIndex(path))
        // An unfinished last line (a cut write, a hand edit) stays a line of
        // its own rather than taking the row onto its end.
        bytes = csvrow::LineEnd;

    const StationValues &v = cycle.values;
    csvrow::LogRow row;
    row.wind = meteo::convertSpeed(v.wind, s.speedUnits);
    row.windDir = v.windDir;
    row.wind2 = meteo::convertSpeed(v.wind2, s.speedUnits);
    row.windDir2 = v.windDir2;
    row.wind10 = meteo::convertSpeed(v.wind10, s.speedUnits);
    row.windDir10 = v.windDir10;
    row.windGust = meteo::convertSpeed(v.windGust, s.speedUnits);
    row.windDirGust = v.windDirGust;
    row.wdsStatus = v.wdsStatus;
    row.airTemp = meteo::convertTemperature(v.airTemp, s.temperatureUnits);
    row.humidity = v.humidity;
    row.pressure = meteo::convertPressure(
        meteo::selectPressure(v.pressure, v.pressureRaw, s.pressureAdjustment), s.pressureUnits);
    row.pressureTemp = v.pressureTemp;
    row.pressureTrend = v.pressureTrend;
    row.tphStatus = v.tphStatus;
    const double rainTaken = rain.increment(v.rainDay);
    row.rainInc = rainTaken + pendingRain;
    row.rainDay = v.rainDay;
    row.rainRate = v.rainRate;
    row.analog1 = v.analog1;
    row.analog2 = v.analog2;
    row.batteryVoltage = v.batteryVoltage;
    row.inputVoltage = v.inputVoltage;
    row.chargerStatus = v.chargerStatus;
    row.cmTemperature = v.cmTemperature;
    row.lightningStrikes = saturatedInt(v.lightningStrikes - logged.strikes);
    row.lightningDistance = meteo::convertDistance(v.lightningDistance, s.distanceUnits);
    row.lightningNoise = saturatedInt(v.lightningNoise - logged.noise);
    row.lightningDisturbers = saturatedInt(v.lightningDisturbers - logged.disturbers);
    bytes += csvrow::formatCsvRow(rowIndex, cycle.local, row);

    const qint64 written = file.write(bytes);
    if (written != bytes.size()) {
        const QString reason = file.errorString();
        // A disk that filled up mid-row: take the part back so the file still
        // ends on a whole line.
        if (file.size() != sizeBefore)
            file.resize(sizeBefore);
        pendingRain = row.rainInc;
        reportFailure(path, reason);
        return;
    }
    pendingRain = 0;
    logged = Lightning { v.lightningStrikes, v.lightningNoise, v.lightningDisturbers };
    if (rowIndex < INT_MAX) // a hand-edited index at the top stays there
        ++rowIndex;
    file.close();

    if (failing) {
        failing = false;
        qDebug() << "Data log rows written again to" << path;
    }
}

bool Logger::recoverIndex(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const qint64 size = file.size();
    // Rows are a few hundred bytes; widen the look only for an odd last line.
    for (qint64 want = 4096;; want *= 4) {
        const qint64 n = qMin<qint64>(qMin<qint64>(want, MaxTailBytes), size);
        if (!file.seek(size - n))
            return true;
        const QByteArray tail = file.read(n);
        if (tail.size() != n)
            return true;
        const csvrow::LastRow last = csvrow::lastRow(tail, n == size);
        if (last.status == csvrow::LastRow::NoFinalLineFeed)
            return false;
        if (last.status == csvrow::LastRow::Found) {
            qDebug() << "Last index is " << last.field.constData();
            rowIndex = int(qMin<qint64>(qint64(csvrow::leadingInteger(last.field)) + 1, INT_MAX));
            return true;
        }
        if (n >= MaxTailBytes) {
            qDebug() << "Data log: last line of" << path << "too long, index kept at" << rowIndex;
            return true;
        }
    }
}

void Logger::reportFailure(const QString &path, const QString &reason)
{
    // Once per run of failures: a log that fails every second for an hour
    // should not bury everything else.
    if (failing)
        return;
    failing = true;
    qDebug() << "Data log row not written to" << path << ":" << reason;
}

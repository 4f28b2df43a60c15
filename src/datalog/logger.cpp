#include "logger.h"

#include "acquisition/qmodbus.h"
#include "csvrow.h"
#include "settings/syssettings.h"

#include <QDebug>
#include <QDir>
#include <QFile>

#include <climits>

std::atomic<QModbus *> Logger::source { nullptr };

Logger::Logger(QObject *parent)
    : QObject(parent)
{
}

void Logger::setDataSource(QModbus *source)
{
    Logger::source = source;
}

QModbus *Logger::dataSource()
{
    return source.load();
}

void Logger::writeLogData()
{
    QModbus *modbus = source.load();
    if (!modbus)
        return;
    const SysSettings *settings = modbus->settingsObject();
    const QDateTime now = modbus->now();
    const QString path = settings->logPath() + QDir::separator() + settings->logPrefix()
        + now.toLocalTime().date().toString(Qt::ISODate) + QStringLiteral(".csv");

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
    else
        recoverIndex(path);

    const StationValues v = modbus->values();
    csvrow::LogRow row;
    row.wind = modbus->wind();
    row.windDir = modbus->windDir();
    row.wind2 = modbus->wind2();
    row.windDir2 = modbus->windDir2();
    row.wind10 = modbus->wind10();
    row.windDir10 = modbus->windDir10();
    row.windGust = modbus->windGust();
    row.windDirGust = modbus->windDirGust();
    row.wdsStatus = v.wdsStatus;
    row.airTemp = modbus->airTemp();
    row.humidity = modbus->humidity();
    row.pressure = modbus->pressure();
    row.pressureTemp = modbus->pressureTemp();
    row.pressureTrend = modbus->pressureTrend();
    row.tphStatus = v.tphStatus;
    row.rainInc = modbus->rainIncrement() + pendingRain;
    row.rainDay = modbus->rainDay();
    row.rainRate = modbus->rainRate();
    row.analog1 = v.analog1;
    row.analog2 = v.analog2;
    row.batteryVoltage = v.batteryVoltage;
    row.inputVoltage = v.inputVoltage;
    row.chargerStatus = v.chargerStatus;
    row.cmTemperature = v.cmTemperature;
    row.lightningStrikes = v.lightningStrikes;
    row.lightningDistance = modbus->lightningDistance();
    row.lightningNoise = v.lightningNoise;
    row.lightningDisturbers = v.lightningDisturbers;
    bytes += csvrow::formatCsvRow(rowIndex, now, row);

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
    modbus->clearLightningAccumulators();
    if (rowIndex < INT_MAX) // a hand-edited index at the top stays there
        ++rowIndex;
    file.close();

    if (failing) {
        failing = false;
        qDebug() << "Data log rows written again to" << path;
    }
}

void Logger::recoverIndex(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const qint64 size = file.size();
    // Rows are a few hundred bytes; widen the look only for an odd last line.
    for (qint64 want = 4096;; want *= 4) {
        const qint64 n = qMin<qint64>(qMin<qint64>(want, MaxTailBytes), size);
        if (!file.seek(size - n))
            return;
        const QByteArray tail = file.read(n);
        if (tail.size() != n)
            return;
        const csvrow::LastRow last = csvrow::lastRow(tail, n == size);
        if (last.status == csvrow::LastRow::NoFinalLineFeed)
            return;
        if (last.status == csvrow::LastRow::Found) {
            qDebug() << "Last index is " << last.field.constData();
            rowIndex = int(qMin<qint64>(qint64(csvrow::leadingInteger(last.field)) + 1, INT_MAX));
            return;
        }
        if (n >= MaxTailBytes) {
            qDebug() << "Data log: last line of" << path << "too long, index kept at" << rowIndex;
            return;
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

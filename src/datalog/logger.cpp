#include "logger.h"

#include "csvrow.h"
#include "meteo/conversion.h"
#include "settings/logprefix.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QMutexLocker>

#include <climits>

namespace {

Q_LOGGING_CATEGORY(dataLogAlert, "skyquill.alert.datalog")

// A day total written in one unit, in the gauge's.
double inGaugeUnit(double total, bool writtenInInches, RainGauge gauge)
{
    const bool inches = gauge == RainGauge::Inches;
    if (writtenInInches == inches)
        return total;
    return inches ? total / factor::MillimetresPerInch : total * factor::MillimetresPerInch;
}

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

void Logger::readSettings(const SettingsReader &settings)
{
    setSettings(logSettingsFrom(settings));
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
    // The link's own reopens keep the interval: a station that stays silent
    // would otherwise get a row with every reopen.
    if (cycle.firstSinceStart)
        trigger.reset();
    const LogSettings s = settings();
    if (trigger.due(s.enabled, s.intervalCycles))
        writeRow(cycle);
}

double Logger::loggedRain(const StationCycle &cycle, bool fileEmpty, const QByteArray &lastLine,
    const LogSettings &s) const
{
    // A day without rows has logged nothing yet: the first row holds all the
    // rain the station counted before the console started.
    if (fileEmpty || lastLine.startsWith("Index,"))
        return 0;
    bool ok = false;
    const double total = csvrow::fieldOf(lastLine, logFieldIndex(&LogRow::rainDay)).toDouble(&ok);
    if (ok)
        return inGaugeUnit(total, s.units.rain == RainGauge::Inches, cycle.values.rainGauge());
    // Rather than count the day's rain twice.
    qDebug() << "Data log: no Rain Day in the last line; the rain so far is taken as logged";
    return cycle.values.rainDay;
}

void Logger::writeRow(const StationCycle &cycle)
{
    const LogSettings s = settings();
    if (!safeLogPrefix(s.prefix)) {
        reportFailure(s.folder,
            QStringLiteral("the file name prefix \"%1\" leads out of the folder").arg(s.prefix));
        return;
    }
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
    QByteArray lastLine;
    if (sizeBefore == 0)
        bytes = csvrow::csvHeader();
    else if (!recoverIndex(path, &lastLine))
        // An unfinished last line (a cut write, a hand edit) stays a line of
        // its own rather than taking the row onto its end.
        bytes = csvrow::LineEnd;

    const StationValues &v = cycle.values;
    const DisplayUnits &u = s.units;
    LogRow row;
    for (const LogColumn &column : logColumns())
        if (column.from)
            row.*column.field = meteo::convert(column.measure, column.from(v), u);
    row.pressure = meteo::convertPressure(
        meteo::selectPressure(v.pressure, v.pressureRaw, u.pressureReading), u.pressure);
    // The count starts at the first row with a reading, from what the file
    // already holds: rain since its last row, even across a restart.
    if (!rain.started() && cycle.good())
        rain.start(loggedRain(cycle, sizeBefore == 0, lastLine, s));
    row.rainInc = (rain.started() ? rain.increment(v.rainDay) : 0) + pendingRain;
    row.lightningStrikes = saturatedInt(strikes.since(v.lightningStrikes));
    row.lightningNoise = saturatedInt(noise.since(v.lightningNoise));
    row.lightningDisturbers = saturatedInt(disturbers.since(v.lightningDisturbers));
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
    strikes.mark(v.lightningStrikes);
    noise.mark(v.lightningNoise);
    disturbers.mark(v.lightningDisturbers);
    if (rowIndex < INT_MAX) // a hand-edited index at the top stays there
        ++rowIndex;
    file.close();

    if (failing) {
        failing = false;
        qDebug() << "Data log rows written again to" << path;
    }
}

bool Logger::recoverIndex(const QString &path, QByteArray *lastLine)
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
            *lastLine = last.line;
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
    qCWarning(dataLogAlert).noquote() << "Data log row not written to" << path << ":" << reason;
}

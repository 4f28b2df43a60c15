#include "recordsservice.h"

#include "minutescan.h"
#include "recordtext.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QThread>

#include <algorithm>
#include <functional>

namespace {

// As the archive keeps them while it cannot write: a month of minutes.
constexpr int MaxPending = 31 * 24 * 60;
constexpr int Recent = 10;

} // namespace

RecordsService::RecordsService(QObject *parent)
    : QObject(parent)
    , zone(QTimeZone::systemTimeZone())
    , calendar(zone)
{
    qRegisterMetaType<records::RecordEvent>();
}

RecordsService::~RecordsService()
{
    stop();
}

void RecordsService::setZone(const QTimeZone &z)
{
    zone = z;
    calendar = records::LocalCalendar(z);
}

records::ReportOptions RecordsService::reportOptions() const
{
    records::ReportOptions options;
    options.units = current.units;
    options.degreeDayBase = current.degreeDayBase;
    options.zone = calendar.zone();
    return options;
}

void RecordsService::readSettings(const SettingsReader &settings)
{
    setSettings(recordsSettingsFrom(settings));
}

void RecordsService::setSettings(const RecordsSettings &settings)
{
    if (configured && settings == current)
        return;
    const bool reread = !configured || settings.enabled != current.enabled
        || settings.archiveFile != current.archiveFile || settings.stateFile != current.stateFile;
    // The file the old settings named keeps what was built under them.
    if (reread && loaded)
        save();
    current = settings;
    configured = true;
    if (!reread) {
        emit updated(); // units and bases show at once
        return;
    }
    cancelLoading();
    loaded = false;
    records = records::RecordBook();
    days.clear();
    if (!current.enabled) {
        pending.clear();
        recent.clear();
        setStatus(QStringLiteral("Records off"));
        emit updated();
        return;
    }
    startLoading(false);
}

void RecordsService::takeCycle(const CyclePtr &cycle)
{
    // Folded even while off, so the rain counts start right when turned on.
    if (const auto row = aggregator.take(*cycle))
        takeMinute(*row);
}

void RecordsService::takeMinute(const archive::MinuteRow &row)
{
    if (!configured || !current.enabled)
        return;
    const archive::MinuteRow stored = records::asStored(row);
    if (loading) {
        pending.append(stored);
        if (pending.size() > MaxPending)
            pending.remove(0, pending.size() - MaxPending);
    } else if (loaded) {
        apply(stored);
    }
}

void RecordsService::rebuild()
{
    if (configured && current.enabled)
        startLoading(true);
}

void RecordsService::stop()
{
    if (configured && current.enabled)
        if (const auto row = aggregator.flush())
            takeMinute(*row);
    // A reading cut short is done again at the next start; the file keeps
    // what it had.
    cancelLoading();
    if (loaded)
        save();
}

void RecordsService::startLoading(bool rebuild)
{
    cancelLoading();
    // The newest minutes go again after the reading: it passes over the
    // ones the archive gave it.
    pending = recent + pending;
    loading = true;
    setStatus(rebuild ? QStringLiteral("Rebuilding the records from the archive")
                      : QStringLiteral("Reading the records"));
    cancel = std::make_shared<std::atomic<bool>>(false);
    auto result = std::make_shared<records::Loaded>();
    const int started = ++generation;
    worker = QThread::create([result, halt = cancel, state = current.stateFile,
                                 archiveFile = current.archiveFile, z = zone, rebuild] {
        *result = records::loadRecords(state, archiveFile, z, rebuild, halt.get());
    });
    worker->setObjectName(QStringLiteral("records"));
    connect(worker, &QThread::finished, this, [this, result, started] {
        if (started != generation)
            return;
        worker->wait();
        delete worker;
        worker = nullptr;
        loading = false;
        adopt(*result);
    });
    worker->start();
}

void RecordsService::cancelLoading()
{
    if (!worker)
        return;
    cancel->store(true);
    worker->wait();
    delete worker;
    worker = nullptr;
    loading = false;
    // The finished signal already queued belongs to the reading stopped.
    ++generation;
}

void RecordsService::adopt(const records::Loaded &result)
{
    records = result.book;
    days = result.days;
    recent.clear();
    const bool any = records.minutes() > 0;
    openDay = any ? calendar.dayOf(records.lastMinute()) : 0;
    daysYear = any ? records::LocalCalendar::dateOf(openDay).year() : 0;
    loaded = true;
    qDebug().noquote() << "Records:" << result.note;
    const QVector<archive::MinuteRow> queued = pending;
    pending.clear();
    for (const archive::MinuteRow &row : queued)
        apply(row);
    if (result.ok)
        save();
    setStatus(result.ok ? QStringLiteral("Records from %1 minutes").arg(records.minutes())
                        : QStringLiteral("Records: ") + result.note);
    emit updated();
}

void RecordsService::apply(const archive::MinuteRow &row)
{
    const bool any = records.minutes() > 0;
    if (any && row.start <= records.lastMinute())
        return;
    const qint64 day = calendar.dayOf(row.start);
    if (any && day > openDay) {
        // The day is over: its month and year so far go on paper.
        writeReports(records::LocalCalendar::dateOf(openDay));
        save();
    }
    if (!any || day > openDay)
        openDay = day;
    const int year = records::LocalCalendar::dateOf(openDay).year();
    if (year != daysYear) {
        days.clear();
        daysYear = year;
    }
    days.add(row, calendar);
    const QVector<records::RecordEvent> events = records.add(row, calendar);
    recent.append(row);
    if (recent.size() > Recent)
        recent.removeFirst();
    for (const records::RecordEvent &event : events) {
        const QString line = records::eventText(event, current.units, calendar.zone());
        qInfo().noquote() << line;
        emit recordBroken(event);
        emit recordTold(event, line);
    }
    emit updated();
}

QString RecordsService::monthReport(int year, int month) const
{
    return records::monthReport(year, month, days.days(), reportOptions());
}

QString RecordsService::yearReport(int year) const
{
    return records::yearReport(year, days.days(), reportOptions());
}

QVariantList RecordsService::rows() const
{
    QVariantList all;
    for (const records::RecordRow &row : records::recordRows(records, current.units, zone)) {
        QStringList values;
        QStringList times;
        for (int s = 0; s < records::ScopeCount; ++s) {
            values << row.values[s];
            times << row.times[s];
        }
        all << QVariantMap { { QStringLiteral("name"), row.name },
            { QStringLiteral("values"), values }, { QStringLiteral("times"), times } };
    }
    return all;
}

QStringList RecordsService::reports() const
{
    QStringList periods;
    if (loaded && records.minutes() > 0) {
        const QDate newest = records::LocalCalendar::dateOf(openDay);
        for (int month = newest.year() == daysYear ? newest.month() : 12; month >= 1; --month)
            periods << QDate(daysYear, month, 1).toString(QStringLiteral("yyyy-MM"));
        periods << QString::number(daysYear);
    }
    // The files of earlier years, in the same order: a year after its months.
    QStringList files;
    if (!current.reportsFolder.isEmpty()) {
        static const QRegularExpression name(QStringLiteral("^\\d{4}(-\\d{2})?\\.txt$"));
        for (const QString &file : QDir(current.reportsFolder).entryList(QDir::Files)) {
            const QString period = file.chopped(4);
            if (name.match(file).hasMatch() && !periods.contains(period))
                files << period;
        }
    }
    std::sort(files.begin(), files.end(), std::greater<QString>());
    return periods + files;
}

QString RecordsService::report(const QString &period) const
{
    const QDate date
        = QDate::fromString(period + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"));
    const int year = period.size() == 4 ? period.toInt() : date.year();
    if (!reports().contains(period) || year <= 0)
        return QString();
    if (loaded && year == daysYear)
        return period.size() == 4 ? yearReport(year) : monthReport(year, date.month());
    QFile file(QDir(current.reportsFolder).filePath(period + QStringLiteral(".txt")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void RecordsService::writeReports(const QDate &date)
{
    if (current.reportsFolder.isEmpty())
        return;
    const QDir folder(current.reportsFolder);
    const QString monthFile = folder.filePath(date.toString(QStringLiteral("yyyy-MM")) + ".txt");
    const QString yearFile = folder.filePath(QString::number(date.year()) + ".txt");
    QString error;
    const auto write = [&error](const QString &path, const QString &text) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
            error = path + QStringLiteral(": ") + file.errorString();
            return false;
        }
        return true;
    };
    const bool ok = QDir().mkpath(folder.path())
        && write(monthFile, monthReport(date.year(), date.month()))
        && write(yearFile, yearReport(date.year()));
    if (!ok) {
        // Once per run of failures: a full disk fails every day.
        if (!reportsFailing)
            qDebug().noquote() << "Records: the climate reports cannot be written:"
                               << (error.isEmpty() ? folder.path() : error);
        reportsFailing = true;
        return;
    }
    if (reportsFailing)
        qDebug().noquote() << "Records: climate reports written again to" << folder.path();
    reportsFailing = false;
    emit reportsWritten(monthFile, yearFile);
}

void RecordsService::save()
{
    if (current.stateFile.isEmpty())
        return;
    QString error;
    if (!records::saveRecords(current.stateFile, records, calendar.zoneId(), &error)) {
        if (!saveFailing)
            qDebug().noquote() << "Records: cannot keep them in" << current.stateFile << ":"
                               << error;
        saveFailing = true;
        return;
    }
    saveFailing = false;
}

void RecordsService::setStatus(const QString &text)
{
    if (text == statusText)
        return;
    statusText = text;
    reportStatus({ { QStringLiteral("text"), text }, { QStringLiteral("busy"), loading } });
    emit statusChanged();
}

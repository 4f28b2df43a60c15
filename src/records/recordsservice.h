#pragma once

#include "acquisition/service.h"
#include "archive/minuteaggregator.h"
#include "climatereport.h"
#include "recordbook.h"
#include "recordsloader.h"
#include "recordssettings.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <QVariantList>
#include <QVector>

#include <atomic>
#include <memory>

class QThread;

// The records kept current from the published cycles, and the climate
// reports written at the end of each local day. Lives on the GUI thread:
// a minute costs a few comparisons. Reading the archive (at start-up, after
// the settings name another file, or on request) runs on a thread of its
// own; the minutes that finish meanwhile wait and follow it. QML sees it
// as "Records": the table, the reports and "Rebuild records".
class RecordsService : public QObject, public Service
{
    Q_OBJECT

    // One map per quantity: `name`, and `values` and `times` for all time,
    // this year and this month, in the display units and local time; empty
    // texts where a scope has none yet.
    Q_PROPERTY(QVariantList rows READ rows NOTIFY updated)
    // The periods a report can be shown for, newest first, each year after
    // its months: those of the year held ("2026-11", "2026"), then those
    // whose files are in the reports folder.
    Q_PROPERTY(QStringList reports READ reports NOTIFY updated)
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(bool ready READ ready NOTIFY statusChanged)

public:
    explicit RecordsService(QObject *parent = nullptr);
    // Saves the records and waits for a reading in progress to stop.
    ~RecordsService() override;

    // The local calendar of the days, months and years; the system's by default.
    void setZone(const QTimeZone &zone);
    void readSettings(const SettingsReader &settings) override;
    void setSettings(const RecordsSettings &settings);
    RecordsSettings settings() const { return current; }
    const QTimeZone &timeZone() const { return calendar.zone(); }

    void takeCycle(const CyclePtr &cycle) override;
    // One finished minute, as the archive's minute aggregator makes them.
    void takeMinute(const archive::MinuteRow &row);
    // Reads the whole archive again ("Rebuild records").
    Q_INVOKABLE void rebuild();
    // Takes the minute in progress and saves (at shutdown).
    void stop();

    bool ready() const { return !loading && loaded; }
    const records::RecordBook &book() const { return records; }
    QString status() const { return statusText; }
    // The reports of a month and a year of the days held: the local year of
    // the newest minute.
    QString monthReport(int year, int month) const;
    QString yearReport(int year) const;
    records::ReportOptions reportOptions() const;

    QVariantList rows() const;
    QStringList reports() const;
    // The report of a period of `reports`: made from the days held, or read
    // from its file; empty for another.
    Q_INVOKABLE QString report(const QString &period) const;

signals:
    void recordBroken(const records::RecordEvent &event);
    // The same record in words, in the display units: for people.
    void recordTold(const records::RecordEvent &event, const QString &line);
    // The table changed or was read again.
    void updated();
    void statusChanged();
    // After the reports of a finished day were written.
    void reportsWritten(const QString &monthFile, const QString &yearFile);

private:
    void startLoading(bool rebuild);
    // Stops a reading in progress; the minutes waiting for it stay.
    void cancelLoading();
    void adopt(const records::Loaded &result);
    void apply(const archive::MinuteRow &row);
    void writeReports(const QDate &date);
    void save();
    void setStatus(const QString &text);

    RecordsSettings current;
    QTimeZone zone;
    records::LocalCalendar calendar;
    archive::MinuteAggregator aggregator;
    records::RecordBook records;
    records::DayFolder days;
    int daysYear = 0;
    qint64 openDay = 0;
    bool configured = false;
    bool loaded = false;
    bool loading = false;
    // Minutes that finished while the archive was being read.
    QVector<archive::MinuteRow> pending;
    // The newest minutes taken: the archive may not have them yet when a
    // rebuild reads it, so they follow the rebuild again.
    QVector<archive::MinuteRow> recent;
    QThread *worker = nullptr;
    int generation = 0;
    std::shared_ptr<std::atomic<bool>> cancel;
    QString statusText;
    bool reportsFailing = false;
    bool saveFailing = false;
};

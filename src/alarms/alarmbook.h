#pragma once

#include "alarmdefinition.h"

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QVector>

namespace alarms {

// What an alarm remembers across a restart.
struct AlarmState
{
    bool raised = false;
    // The last raise or clear; null before either.
    QDateTime since;
    // When a person was last told, and what: a notification is due while the
    // two states differ and the latch has run out.
    QDateTime notified;
    bool notifiedRaised = false;
};

// A raise or a clear, or a notification of one.
struct AlarmEvent
{
    QString slug;
    bool raised = false;
    // Base units; for data stopped, the seconds without a good cycle.
    double value = 0;
};

// Every alarm's state machine, as pure logic: fed the numeric values of each
// cycle and the time, it says what raised or cleared and which notifications
// are due. The clock is the caller's.
class AlarmBook
{
public:
    struct Entry
    {
        QString slug;
        AlarmDefinition alarm;
        AlarmState state;
        // Good cycles in a row past the threshold, while not raised.
        int run = 0;
        // The last value seen, for the notification.
        double value = 0;
    };

    // The alarms to watch, all usable, and the seconds without a good cycle
    // that raise data stopped (0: not watched). An alarm whose slug stays
    // keeps its state; `now` starts the silence count when no good cycle has
    // come yet.
    void configure(
        const QVector<AlarmDefinition> &alarms, int dataStoppedSeconds, const QDateTime &now);

    // One cycle. `good`: station data flows; `values`: the numeric keys it
    // delivered. A key missing from it neither raises nor clears.
    QVector<AlarmEvent> takeCycle(
        bool good, const QHash<QString, double> &values, const QDateTime &now);
    // Data stopped, between cycles.
    QVector<AlarmEvent> tick(const QDateTime &now);
    // The notifications due now, each marked as told.
    QVector<AlarmEvent> takeNotices(const QDateTime &now);

    const QVector<Entry> &entries() const { return all; }
    const Entry *find(const QString &slug) const;

    // The states, by slug. Restored states are taken by the next configure.
    QJsonObject save() const;
    void restore(const QJsonObject &saved);

private:
    bool watchSilence(Entry &entry, const QDateTime &now, QVector<AlarmEvent> &events);

    QVector<Entry> all;
    QHash<QString, AlarmState> restored;
    int silenceSeconds = 0;
    QDateTime lastGood;
};

} // namespace alarms

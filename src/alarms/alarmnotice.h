#pragma once

#include "alarmbook.h"
#include "alarmquantities.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace alarms {

// One raise or clear as a person is told about it, in every channel.
struct Notice
{
    QString name;
    QString slug;
    bool raised = false;
    bool test = false;
    // Base units, as the command gets it.
    double value = 0;
    // The value and the threshold in the display units.
    QString valueText;
    QString conditionText;
    QDateTime time;
    QString station;
};

Notice makeNotice(const AlarmBook::Entry &entry, const AlarmEvent &event, const DisplayUnits &units,
    const QDateTime &time, const QString &station);
// What "Send test notification" sends through every channel.
Notice testNotice(const QDateTime &time, const QString &station);

// "Skyquill: NAME raised" or "Skyquill: NAME cleared".
QString subject(const Notice &notice);
QString body(const Notice &notice);
// The line every raise and clear writes to the log.
QString logLine(const Notice &notice);
// NAME raised|cleared VALUE (a test: NAME test 0).
QStringList commandArguments(const Notice &notice);

} // namespace alarms

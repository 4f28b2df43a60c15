#pragma once

#include <QString>
#include <QVariantMap>

namespace alarms {

// The slug of the built-in alarm that watches for the station going silent.
extern const QString DataStoppedSlug;

enum class Condition
{
    Above,
    Below
};

// One alarm as the user set it up. Values are in the base units of the state
// object's key named by `quantity`, whatever the display units.
struct AlarmDefinition
{
    QString name;
    QString quantity;
    Condition condition = Condition::Above;
    double threshold = 0;
    // Where a raised alarm clears: at or below the threshold for `Above`, at
    // or above it for `Below`, so a value hovering at the threshold does not
    // flap.
    double clear = 0;
    // Good cycles in a row past the threshold before it raises.
    int consecutive = 3;
    // At most one notification in this time, however often it raises and clears.
    int latchMinutes = 30;

    bool operator==(const AlarmDefinition &o) const
    {
        return name == o.name && quantity == o.quantity && condition == o.condition
            && threshold == o.threshold && clear == o.clear && consecutive == o.consecutive
            && latchMinutes == o.latchMinutes;
    }
    bool operator!=(const AlarmDefinition &o) const { return !(*this == o); }
};

// Lower case, and every character but an ASCII letter or digit becomes `_`:
// topics and Home Assistant object ids take nothing else.
QString slug(const QString &name);

// Why an alarm cannot be watched, or an empty text when it can. `taken`:
// another alarm before it already has its slug.
QString problem(const AlarmDefinition &alarm, bool slugTaken);

// The keys of one alarm in the settings array `Alarms` (Name, Quantity,
// Condition, Threshold, Clear, Consecutive, LatchMinutes), with the defaults
// for what is missing and out-of-range counts brought into range.
AlarmDefinition alarmFromMap(const QVariantMap &map);
QVariantMap alarmToMap(const AlarmDefinition &alarm);

} // namespace alarms

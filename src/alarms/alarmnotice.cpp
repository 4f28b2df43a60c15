#include "alarmnotice.h"

namespace alarms {

namespace {

QString event(const Notice &n)
{
    if (n.test)
        return QStringLiteral("test");
    return n.raised ? QStringLiteral("raised") : QStringLiteral("cleared");
}

} // namespace

Notice makeNotice(const AlarmBook::Entry &entry, const AlarmEvent &event, const DisplayUnits &units,
    const QDateTime &time, const QString &station)
{
    Notice n;
    n.name = entry.alarm.name;
    n.slug = entry.slug;
    n.raised = event.raised;
    n.value = event.value;
    n.time = time;
    n.station = station;
    if (entry.slug == DataStoppedSlug) {
        n.valueText = QStringLiteral("%1 s without a good reading").arg(qint64(event.value));
        n.conditionText = QStringLiteral("no good reading for %1 s").arg(entry.alarm.threshold);
        return n;
    }
    const AlarmDefinition &a = entry.alarm;
    const bool above = a.condition == Condition::Above;
    n.valueText = displayText(a.quantity, event.value, units);
    n.conditionText = QStringLiteral("%1 %2 %3, clears %4 %5")
                          .arg(quantityName(a.quantity),
                              above ? QStringLiteral("above") : QStringLiteral("below"),
                              displayText(a.quantity, a.threshold, units),
                              above ? QStringLiteral("below") : QStringLiteral("above"),
                              displayText(a.quantity, a.clear, units));
    return n;
}

Notice testNotice(const QDateTime &time, const QString &station)
{
    Notice n;
    n.name = QStringLiteral("Test notification");
    n.slug = QStringLiteral("test");
    n.test = true;
    n.valueText = QStringLiteral("none");
    n.conditionText = QStringLiteral("sent from the settings window");
    n.time = time;
    n.station = station;
    return n;
}

QString subject(const Notice &n)
{
    if (n.test)
        return QStringLiteral("Skyquill: test notification");
    return QStringLiteral("Skyquill: %1 %2").arg(n.name, event(n));
}

QString body(const Notice &n)
{
    QString text = n.test ? QStringLiteral("This is a test of Skyquill's alarm notifications.\n\n")
                          : QStringLiteral("%1 %2.\n\n").arg(n.name, event(n));
    text += QStringLiteral("Value: %1\n").arg(n.valueText);
    text += QStringLiteral("Alarm: %1\n").arg(n.conditionText);
    text += QStringLiteral("Time: %1\n")
                .arg(n.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t")));
    text += QStringLiteral("Station: %1\n")
                .arg(n.station.isEmpty() ? QStringLiteral("not read yet") : n.station);
    return text;
}

QString logLine(const Notice &n)
{
    return QStringLiteral("Alarm %1 %2: %3 (%4)")
        .arg(n.name, event(n), n.valueText, n.conditionText);
}

QStringList commandArguments(const Notice &n)
{
    return { n.name, event(n), QString::number(n.value) };
}

} // namespace alarms

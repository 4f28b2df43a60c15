#include "alarmbook.h"

namespace alarms {

namespace {

const QString keyRaised = QStringLiteral("raised");
const QString keySince = QStringLiteral("since");
const QString keyNotified = QStringLiteral("notified");
const QString keyNotifiedRaised = QStringLiteral("notifiedRaised");

QString stamp(const QDateTime &t)
{
    return t.isValid() ? t.toUTC().toString(Qt::ISODate) : QString();
}

QDateTime parseStamp(const QJsonValue &v)
{
    return QDateTime::fromString(v.toString(), Qt::ISODate);
}

bool isSilence(const AlarmBook::Entry &e)
{
    return e.slug == DataStoppedSlug;
}

} // namespace

void AlarmBook::configure(
    const QVector<AlarmDefinition> &alarms, int dataStoppedSeconds, const QDateTime &now)
{
    QVector<Entry> next;
    const auto take = [this](Entry &e) {
        if (const Entry *old = find(e.slug)) {
            e.state = old->state;
            e.run = old->run;
            e.value = old->value;
        } else {
            e.state = restored.value(e.slug);
        }
    };
    silenceSeconds = qMax(0, dataStoppedSeconds);
    if (silenceSeconds > 0) {
        Entry e;
        e.slug = DataStoppedSlug;
        e.alarm.name = QStringLiteral("Data stopped");
        e.alarm.threshold = silenceSeconds;
        take(e);
        next.append(e);
    }
    for (const AlarmDefinition &a : alarms) {
        Entry e;
        e.slug = slug(a.name);
        e.alarm = a;
        take(e);
        next.append(e);
    }
    all = next;
    restored.clear();
    if (lastGood.isNull())
        lastGood = now;
}

const AlarmBook::Entry *AlarmBook::find(const QString &slug) const
{
    for (const Entry &e : all)
        if (e.slug == slug)
            return &e;
    return nullptr;
}

bool AlarmBook::watchSilence(Entry &e, const QDateTime &now, QVector<AlarmEvent> &events)
{
    qint64 silent = lastGood.secsTo(now);
    // A clock set back would hold the alarm off until it caught up.
    if (silent < 0) {
        lastGood = now;
        silent = 0;
    }
    e.value = double(silent);
    if (e.state.raised || silent < silenceSeconds)
        return false;
    e.state.raised = true;
    e.state.since = now;
    events.append({ e.slug, true, e.value });
    return true;
}

QVector<AlarmEvent> AlarmBook::takeCycle(
    bool good, const QHash<QString, double> &values, const QDateTime &now)
{
    QVector<AlarmEvent> events;
    for (Entry &e : all) {
        if (isSilence(e)) {
            if (!good) {
                watchSilence(e, now, events);
            } else if (e.state.raised) {
                e.value = double(qMax<qint64>(0, lastGood.secsTo(now)));
                e.state.raised = false;
                e.state.since = now;
                events.append({ e.slug, false, e.value });
            }
            continue;
        }
        const auto found = values.constFind(e.alarm.quantity);
        if (!good || found == values.constEnd())
            continue;
        const double v = *found;
        e.value = v;
        const bool above = e.alarm.condition == Condition::Above;
        if (!e.state.raised) {
            const bool past = above ? v > e.alarm.threshold : v < e.alarm.threshold;
            e.run = past ? e.run + 1 : 0;
            if (e.run < e.alarm.consecutive)
                continue;
            e.run = 0;
            e.state.raised = true;
        } else if (above ? v < e.alarm.clear : v > e.alarm.clear) {
            e.state.raised = false;
        } else {
            continue;
        }
        e.state.since = now;
        events.append({ e.slug, e.state.raised, v });
    }
    if (good)
        lastGood = now;
    return events;
}

QVector<AlarmEvent> AlarmBook::tick(const QDateTime &now)
{
    QVector<AlarmEvent> events;
    for (Entry &e : all)
        if (isSilence(e))
            watchSilence(e, now, events);
    return events;
}

QVector<AlarmEvent> AlarmBook::takeNotices(const QDateTime &now)
{
    QVector<AlarmEvent> due;
    for (Entry &e : all) {
        AlarmState &s = e.state;
        if (s.raised == s.notifiedRaised)
            continue;
        if (s.notified.isValid()) {
            const qint64 since = s.notified.secsTo(now);
            // A clock set back ends the latch rather than stretching it.
            if (since >= 0 && since < qint64(e.alarm.latchMinutes) * 60)
                continue;
        }
        s.notified = now;
        s.notifiedRaised = s.raised;
        due.append({ e.slug, s.raised, e.value });
    }
    return due;
}

QJsonObject AlarmBook::save() const
{
    QJsonObject o;
    for (const Entry &e : all) {
        o.insert(e.slug,
            QJsonObject { { keyRaised, e.state.raised }, { keySince, stamp(e.state.since) },
                { keyNotified, stamp(e.state.notified) },
                { keyNotifiedRaised, e.state.notifiedRaised } });
    }
    return o;
}

void AlarmBook::restore(const QJsonObject &saved)
{
    restored.clear();
    for (auto it = saved.begin(); it != saved.end(); ++it) {
        const QJsonObject o = it.value().toObject();
        AlarmState s;
        s.raised = o.value(keyRaised).toBool();
        s.since = parseStamp(o.value(keySince));
        s.notified = parseStamp(o.value(keyNotified));
        s.notifiedRaised = o.value(keyNotifiedRaised).toBool();
        restored.insert(it.key(), s);
    }
}

} // namespace alarms

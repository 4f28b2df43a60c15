#include "alarmservice.h"

#include "alarmnotice.h"
#include "alarmquantities.h"
#include "alarmstatefile.h"
#include "settings/settingsreader.h"

#include <QDebug>

namespace alarms {

AlarmService::AlarmService(QObject *parent)
    : QObject(parent)
    , clock([] { return QDateTime::currentDateTimeUtc(); })
{
    // The app may queue them to the publisher's thread.
    qRegisterMetaType<state::Publication>();
    connect(&mailer, &SmtpMailer::finished, this, &AlarmService::mailFinished);
    connect(&ticker, &QTimer::timeout, this, &AlarmService::tick);
    ticker.setInterval(1000);
}

AlarmService::~AlarmService() = default;

void AlarmService::setClock(Clock c)
{
    clock = std::move(c);
}

void AlarmService::setDesktopNotifier(std::unique_ptr<DesktopNotifier> notifier)
{
    desktop = std::move(notifier);
}

void AlarmService::setDeadlines(int mailMs, int commandMs)
{
    mailer.setTimeout(mailMs);
    runner.setTimeout(commandMs);
}

void AlarmService::setSettings(const AlarmSettings &settings)
{
    if (configured && settings == current)
        return;
    const AlarmSettings previous = current;
    current = settings;
    const QDateTime now = clock();
    if (!configured || settings.stateFile != previous.stateFile) {
        if (!settings.stateFile.isEmpty())
            book.restore(loadStates(settings.stateFile));
    }

    QVector<AlarmDefinition> usable;
    QSet<QString> slugs;
    watched.clear();
    const QStringList before = problems;
    problems.clear();
    for (const AlarmDefinition &a : settings.alarms) {
        const QString s = slug(a.name);
        const QString why = problem(a, slugs.contains(s));
        problems.append(why);
        if (why.isEmpty()) {
            usable.append(a);
            slugs.insert(s);
            if (!watched.contains(a.quantity))
                watched.append(a.quantity);
        } else if (!before.contains(why)) {
            qInfo().noquote() << QStringLiteral("Alarm \"%1\" is not watched: %2").arg(a.name, why);
        }
    }
    book.configure(usable, settings.dataStoppedSeconds, now);

    // What left the settings leaves Home Assistant and the broker too.
    for (const QString &s : qAsConst(publishedSlugs))
        if (!book.find(s))
            emit mqttPublish(alarmRemoval(s));
    if (!configured || settings.alarms != previous.alarms
        || settings.dataStoppedSeconds != previous.dataStoppedSeconds)
        publishAll();

    if (current.emailEnabled) {
        const QString why = smtpProblem(current.smtp);
        if (!why.isEmpty())
            setMailStatus(QStringLiteral("Not sent: ") + why);
    }
    configured = true;
    ticker.start();
    report();
}

void AlarmService::readSettings(const SettingsReader &settings)
{
    setSettings(alarmSettingsFrom(settings));
}

void AlarmService::publishAll()
{
    // The publisher keeps them and sends them whenever MQTT comes on, under
    // the topics of the settings of the moment.
    publishedSlugs.clear();
    for (const AlarmBook::Entry &e : book.entries()) {
        emit mqttPublish(alarmPublication(e.slug, e.alarm.name, e.state.raised));
        publishedSlugs.insert(e.slug);
    }
}

void AlarmService::takeCycle(const CyclePtr &cycle)
{
    if (!cycle || !configured)
        return;
    const QString serial = cycle->values.deviceSerialNumber;
    if (!serial.isEmpty())
        stationId = serial;
    // The cycles in which the station's data did not flow count as none.
    const bool good = cycle->good() && !cycle->dataMissing;
    const QDateTime now = clock();
    take(book.takeCycle(
             good, good ? numericValues(cycle->values, watched) : QHash<QString, double>(), now),
        now);
}

void AlarmService::tick()
{
    if (!configured)
        return;
    const QDateTime now = clock();
    take(book.tick(now), now);
}

void AlarmService::take(const QVector<AlarmEvent> &changes, const QDateTime &now)
{
    for (const AlarmEvent &change : changes) {
        const AlarmBook::Entry *entry = book.find(change.slug);
        qInfo().noquote() << logLine(makeNotice(*entry, change, current.units, now, stationId));
        emit mqttPublish(alarmPublication(change.slug, entry->alarm.name, change.raised));
    }

    const QVector<AlarmEvent> notices = book.takeNotices(now);
    for (const AlarmEvent &n : notices)
        deliver(makeNotice(*book.find(n.slug), n, current.units, now, stationId));

    if (changes.isEmpty() && notices.isEmpty())
        return;
    if (!current.stateFile.isEmpty())
        saveStates(current.stateFile, book.save());
    report();
}

void AlarmService::sendTestNotification()
{
    deliver(testNotice(clock(), stationId));
}

void AlarmService::deliver(const Notice &notice)
{
    send(subject(notice), body(notice), commandArguments(notice));
}

void AlarmService::notifyPerson(const QString &subjectLine, const QString &text,
    const QString &name, const QString &event, const QString &value)
{
    qInfo().noquote() << subjectLine;
    send(subjectLine, text, { name, event, value });
}

void AlarmService::send(const QString &subjectLine, const QString &text, const QStringList &args)
{
    if (current.emailEnabled) {
        const QString why = smtpProblem(current.smtp);
        if (why.isEmpty())
            mailer.send(current.smtp, { subjectLine, text });
        else
            mailFinished(subjectLine, why);
    }
    if (current.desktop && desktop)
        desktop->show(subjectLine, text);
    if (!current.command.trimmed().isEmpty())
        runner.run(current.command, args);
}

void AlarmService::mailFinished(const QString &subject, const QString &error)
{
    const QString time = clock().toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (error.isEmpty()) {
        mailFailureLogged = false;
        setMailStatus(QStringLiteral("Sent \"%1\" at %2").arg(subject, time));
        return;
    }
    setMailStatus(QStringLiteral("Not sent at %1: %2").arg(time, error));
    // Once per run of failures, or a dead server would fill the journal.
    if (!mailFailureLogged) {
        mailFailureLogged = true;
        qInfo().noquote() << QStringLiteral("Alarm e-mail \"%1\" not sent: %2").arg(subject, error);
    }
}

void AlarmService::setMailStatus(const QString &text)
{
    if (text == mailStatus)
        return;
    mailStatus = text;
    emit emailStatusChanged();
    report();
}

void AlarmService::report()
{
    QVariantList list;
    const QVector<Status> all = status();
    for (const Status &a : all)
        list.append(QVariantMap { { QStringLiteral("name"), a.name },
            { QStringLiteral("slug"), a.slug }, { QStringLiteral("raised"), a.raised },
            { QStringLiteral("since"), a.since }, { QStringLiteral("problem"), a.problem } });
    // What the settings tab needs to enter and show thresholds in the
    // display units: each key's line, shown = base * scale + offset.
    QVariantList quantities;
    for (const QString &key : numericQuantities()) {
        const double offset = toDisplay(key, 0, current.units);
        quantities.append(QVariantMap { { QStringLiteral("key"), key },
            { QStringLiteral("name"), quantityName(key) },
            { QStringLiteral("unit"), displayUnit(key, current.units) },
            { QStringLiteral("scale"), toDisplay(key, 1, current.units) - offset },
            { QStringLiteral("offset"), offset },
            { QStringLiteral("decimals"), displayDecimals(key, current.units) } });
    }
    reportStatus({ { QStringLiteral("alarms"), list }, { QStringLiteral("raised"), raisedCount() },
        { QStringLiteral("email"), mailStatus }, { QStringLiteral("quantities"), quantities } });
    emit statusChanged();
}

QVector<AlarmService::Status> AlarmService::status() const
{
    QVector<Status> all;
    if (const AlarmBook::Entry *silence = book.find(DataStoppedSlug))
        all.append({ silence->alarm.name, silence->slug, silence->state.raised,
            silence->state.since, QString() });
    for (int i = 0; i < current.alarms.size(); ++i) {
        const AlarmDefinition &a = current.alarms.at(i);
        Status s { a.name, slug(a.name), false, QDateTime(), problems.value(i) };
        if (s.problem.isEmpty()) {
            if (const AlarmBook::Entry *e = book.find(s.slug)) {
                s.raised = e->state.raised;
                s.since = e->state.since;
            }
        }
        all.append(s);
    }
    return all;
}

int AlarmService::raisedCount() const
{
    int n = 0;
    for (const AlarmBook::Entry &e : book.entries())
        n += e.state.raised ? 1 : 0;
    return n;
}

} // namespace alarms

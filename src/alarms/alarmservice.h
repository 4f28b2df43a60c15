#pragma once

#include "acquisition/service.h"
#include "alarmbook.h"
#include "alarmmqtt.h"
#include "alarmsettings.h"
#include "commandrunner.h"
#include "desktopnotifier.h"
#include "settings/alarmtester.h"
#include "smtpmailer.h"

#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>

namespace alarms {

struct Notice;

// Watches each published cycle against the alarms and tells a person when
// one raises or clears: by e-mail, on the desktop, through a command, and on
// the log; MQTT gets every change through `mqttPublish`, which the app hands
// to the publisher. Data stopped is also watched between cycles, by a timer.
// Lives on the GUI thread; mail goes out on a thread of its own.
class AlarmService : public QObject, public Service, public AlarmTester
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    // One alarm as the settings tab lists it.
    struct Status
    {
        QString name;
        QString slug;
        bool raised = false;
        QDateTime since;
        // Why it is not watched; empty when it is.
        QString problem;
    };

    explicit AlarmService(QObject *parent = nullptr);
    ~AlarmService() override;

    // UTC; tests inject one, and then drive data stopped with tick().
    void setClock(Clock clock);
    // None: no desktop notifications (no window).
    void setDesktopNotifier(std::unique_ptr<DesktopNotifier> notifier);
    // For tests: the mail and command deadlines.
    void setDeadlines(int mailMs, int commandMs);

    // Ignored when equal to the settings it has.
    void setSettings(const AlarmSettings &settings);
    void readSettings(const SettingsReader &settings) override;
    void takeCycle(const CyclePtr &cycle) override;
    // Data stopped and the notifications a latch held back; the timer calls
    // it every second.
    void tick();
    // Through every channel that is on, whatever the latches.
    void sendTestNotification() override;
    // Tells a person something that is not an alarm (another service's news),
    // through the same channels: e-mail, desktop and the command (with
    // `name`, `event` and `value` as its arguments), and the log.
    void notifyPerson(const QString &subject, const QString &body, const QString &name,
        const QString &event, const QString &value);

    // Data stopped first when it is watched, then every alarm in the settings.
    QVector<Status> status() const;
    int raisedCount() const;
    // "" before any mail, then how the last one went.
    QString emailStatus() const { return mailStatus; }

signals:
    void statusChanged();
    void emailStatusChanged();
    // A message for the MQTT publisher: BASE/ID/alarm/SLUG and its entity.
    void mqttPublish(const state::Publication &publication);

private:
    void take(const QVector<AlarmEvent> &changes, const QDateTime &now);
    void deliver(const Notice &notice);
    void send(const QString &subject, const QString &body, const QStringList &arguments);
    void mailFinished(const QString &subject, const QString &error);
    void setMailStatus(const QString &text);
    void publishAll();
    void report();

    Clock clock;
    AlarmSettings current;
    bool configured = false;
    AlarmBook book;
    // Beside each alarm of the settings: why it is not watched, or "".
    QStringList problems;
    // The state keys the usable alarms watch: all a cycle is asked for.
    QStringList watched;
    QString stationId;
    QSet<QString> publishedSlugs;
    QTimer ticker;
    SmtpMailer mailer;
    CommandRunner runner;
    std::unique_ptr<DesktopNotifier> desktop;
    QString mailStatus;
    bool mailFailureLogged = false;
};

} // namespace alarms

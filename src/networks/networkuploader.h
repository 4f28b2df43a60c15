#pragma once

#include "networkssettings.h"
#include "observation.h"
#include "record/stationcycle.h"
#include "uploadschedule.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

namespace networks {

// What every weather network shares: when to upload (UploadSchedule), the
// freshness rule, one upload in flight at a time, the status line and the
// log. A network adds how a reading goes out. Lives on the GUI thread; the
// exchanges are asynchronous, each with its own deadline, so a network that
// hangs holds up neither the cycles nor the other networks.
class NetworkUploader : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;
    using Done = std::function<void(const Outcome &)>;

    // A reading older than this is never sent.
    static constexpr qint64 MaxReadingAgeSeconds = 300;

    NetworkUploader(const QString &name, QObject *parent);

    QString name() const { return networkName; }

    // The console's clock; the status shows its time of day.
    void setClock(Clock clock);
    // Milliseconds an exchange may take; 30 s by default, which tests shorten.
    void setDeadline(int milliseconds) { deadline = milliseconds; }
    int deadlineMs() const { return deadline; }
    void setRainSource(RainTotal source) { rain = std::move(source); }

    // Turning on, or any change but the interval, starts over: the next good
    // reading goes out at once, and a refusal of the credentials is lifted.
    void setAccount(const NetworkAccount &account);
    const NetworkAccount &account() const { return current; }

    // Uploads the reading of a good cycle when one is due.
    void takeCycle(const CyclePtr &cycle);

    QString status() const { return statusLine; }
    // An upload is on its way; the next one due waits for it.
    bool uploading() const { return pending; }

signals:
    void statusChanged(const QString &text);

protected:
    // Why the network cannot upload with its settings, or empty.
    virtual QString unusable() const;
    // The shortest interval the network allows.
    virtual int minimumMinutes() const { return 1; }
    // Starts one upload of `observation`; `done` must be called exactly
    // once, from the event loop.
    virtual void send(const Observation &observation, const Done &done) = 0;

    QDateTime now() const { return clock(); }

    // Starts over as a change of account does; for a subclass whose own
    // settings changed.
    void refresh();

private:
    void setStatus(const QString &text);
    void logOnce(const QString &kind, const QString &text);

    QString networkName;
    NetworkAccount current;
    UploadSchedule schedule;
    Clock clock;
    RainTotal rain;
    int deadline = 30000;
    quint64 generation = 0; // results of an earlier one are dropped
    bool pending = false;
    QString statusLine;
    // Why these settings cannot upload (unusable()), or "": worked out when
    // they change, not each cycle.
    QString refusal;
    QSet<QString> logged;
};

} // namespace networks

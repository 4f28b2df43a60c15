#include "networkuploader.h"

#include <QDebug>

namespace networks {

NetworkUploader::NetworkUploader(const QString &name, QObject *parent)
    : QObject(parent)
    , networkName(name)
    , clock([] { return QDateTime::currentDateTime(); })
    , statusLine(QStringLiteral("Off"))
{
}

void NetworkUploader::setClock(Clock c)
{
    clock = std::move(c);
}

void NetworkUploader::setAccount(const NetworkAccount &account)
{
    if (account == current)
        return;
    const bool sameRun = account.enabled == current.enabled && account.sameCredentials(current)
        && account.endpoint == current.endpoint;
    current = account;
    schedule.setIntervalSeconds(60 * qMax(minimumMinutes(), account.intervalMinutes));
    if (!sameRun)
        refresh();
}

QString NetworkUploader::unusable() const
{
    return current.stationId.trimmed().isEmpty() ? QStringLiteral("Station ID not set") : QString();
}

void NetworkUploader::refresh()
{
    schedule.restart();
    // An upload still in flight ends within its deadline; its result no
    // longer speaks for these settings.
    ++generation;
    pending = false;
    if (!current.enabled) {
        setStatus(QStringLiteral("Off"));
        return;
    }
    refusal = unusable();
    setStatus(refusal.isEmpty() ? QStringLiteral("Waiting for a reading") : refusal);
    if (!refusal.isEmpty())
        logOnce(refusal, refusal);
}

void NetworkUploader::takeCycle(const CyclePtr &cycle)
{
    if (!current.enabled || !refusal.isEmpty() || pending || !cycle || !cycle->good()
        || cycle->dataMissing)
        return;
    const QDateTime now = clock();
    if (!schedule.due(now) || cycle->utc.secsTo(now) > MaxReadingAgeSeconds)
        return;
    schedule.attempted(now);
    pending = true;
    const quint64 run = generation;
    send(observe(cycle->values, cycle->utc, rain), [this, run, now](const Outcome &outcome) {
        if (run != generation)
            return;
        pending = false;
        schedule.finished(outcome, clock());
        setStatus(statusText(outcome, now, deadline / 1000.0));
        const QString kind = failureKind(outcome);
        if (!kind.isEmpty())
            logOnce(kind, statusLine);
    });
}

void NetworkUploader::setStatus(const QString &text)
{
    if (text == statusLine)
        return;
    statusLine = text;
    emit statusChanged(text);
}

void NetworkUploader::logOnce(const QString &kind, const QString &text)
{
    if (logged.contains(kind))
        return;
    logged.insert(kind);
    qInfo().noquote() << networkName + QStringLiteral(": ") + text;
}

} // namespace networks

#pragma once

#include "portalexchange.h"
#include "uploadform.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QUrlQuery>

#include <functional>

struct StationValues;

// Posts live-upload forms to the portal, one at a time: an upload that falls
// due while the last is still pending is skipped (each exchange has its own
// deadline, so that wait is bounded). Remembers when the portal last accepted
// an upload. Lives on the GUI thread.
class PortalUploader : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit PortalUploader(QObject *parent);

    // Local time for the accepted-upload stamp; tests and QModbus inject one.
    void setClock(Clock clock);

    // Builds the form from the values (remembering the Weather Underground
    // pair sent) and posts it.
    void upload(
        const StationValues &values, const UploadSettings &settings, const QDateTime &utcNow);
    void send(const QUrlQuery &form);

    // Null until the portal accepted an upload.
    QDateTime lastAccepted() const { return lastAcceptedTime; }
    // "Never", or the time in Qt's text date format.
    QString lastUploadText() const;

signals:
    void lastUploadChanged();

private:
    void sendDataFinished(const PortalExchange::Result &result);

    QPointer<PortalExchange> pending;
    bool skipLogged = false; // once per run of skipped uploads
    Clock clock;
    QDateTime lastAcceptedTime;
    WuCredentialState wuSent;
};

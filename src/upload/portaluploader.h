#pragma once

#include "acquisition/service.h"
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
// deadline, so that wait is bounded). Uploads the station's values from a good
// cycle every `UploadSettings::minutes`, and remembers when the portal last
// accepted one. Reports as "upload": `lastUpload` (the text of
// lastUploadText()) and `uploads` (how many fell due). Lives on the GUI thread.
class PortalUploader : public QObject, public Service
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit PortalUploader(QObject *parent);

    // Local time for the accepted-upload stamp; tests and the app inject one.
    void setClock(Clock clock);
    void setSettings(const UploadSettings &settings) { current = settings; }
    void readSettings(const SettingsReader &settings) override;

    // Uploads a good cycle when an upload is due.
    void takeCycle(const CyclePtr &cycle) override;

    // Builds the form from the values and posts it; a Weather Underground
    // pair in it counts as delivered once the portal accepts the upload.
    void upload(
        const StationValues &values, const UploadSettings &settings, const QDateTime &utcNow);
    void send(const QUrlQuery &form);

    // Null until the portal accepted an upload.
    QDateTime lastAccepted() const { return lastAcceptedTime; }
    // "Never", or the time in Qt's text date format.
    QString lastUploadText() const;

signals:
    void lastUploadChanged();
    // An upload fell due and is on its way.
    void uploadDue();

private:
    // `carried`: the Weather Underground pair in the form, remembered once
    // the portal accepts it.
    void post(const QUrlQuery &form, const WuCredentialState &carried);
    void sendDataFinished(const PortalExchange::Result &result, const WuCredentialState &carried);

    void report() const;

    QPointer<PortalExchange> pending;
    int uploadsDue = 0;
    bool skipLogged = false; // once per run of skipped uploads
    Clock clock;
    UploadSettings current;
    QDateTime lastTrigger; // null until the first upload is due
    QDateTime lastAcceptedTime;
    WuCredentialState wuAccepted;
};

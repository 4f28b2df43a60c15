#pragma once

#include "acquisition/stationcycle.h"
#include "uploadform.h"

#include <QDateTime>
#include <QNetworkReply>
#include <QObject>
#include <QUrlQuery>

#include <functional>

struct StationValues;

// Posts live-upload forms to the portal, fire and forget: one manager and one
// reply per upload, released when it finishes, so a slow reply never holds
// back the next. Uploads the station's values from a good cycle every
// `UploadSettings::minutes`, and remembers when the portal last accepted one.
// Lives on the GUI thread.
class PortalUploader : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit PortalUploader(QObject *parent);

    // Local time for the accepted-upload stamp; tests and the app inject one.
    void setClock(Clock clock);
    void setSettings(const UploadSettings &settings) { current = settings; }

    // Uploads a good cycle when an upload is due.
    void takeCycle(const CyclePtr &cycle);

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
    // An upload fell due and is on its way.
    void uploadDue();

private slots:
    void sendDataFinished();
    void sendDataError(QNetworkReply::NetworkError error);

private:
    Clock clock;
    UploadSettings current;
    QDateTime lastTrigger; // null until the first upload is due
    QDateTime lastAcceptedTime;
    WuCredentialState wuSent;
};

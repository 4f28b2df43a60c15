#include "portaluploader.h"

#include "portalurl.h"

#include <QDebug>
#include <QNetworkAccessManager>

PortalUploader::PortalUploader(QObject *parent)
    : QObject(parent)
    , clock([] { return QDateTime::currentDateTime(); })
{
}

void PortalUploader::setClock(Clock c)
{
    clock = std::move(c);
}

QString PortalUploader::lastUploadText() const
{
    if (lastAcceptedTime.isNull())
        return QStringLiteral("Never");
    return lastAcceptedTime.toString(Qt::TextDate);
}

void PortalUploader::takeCycle(const CyclePtr &cycle)
{
    if (!cycle || !cycle->good() || !portalUploadDue(lastTrigger, cycle->local, current.minutes))
        return;
    lastTrigger = cycle->local;
    emit uploadDue();
    upload(cycle->values, current, cycle->utc);
}

void PortalUploader::upload(
    const StationValues &values, const UploadSettings &settings, const QDateTime &utcNow)
{
    send(buildUploadForm(values, settings, utcNow, wuSent));
}

void PortalUploader::send(const QUrlQuery &form)
{
    // A child, so an upload still in flight goes away with its owner.
    auto *manager = new QNetworkAccessManager(this);
    QNetworkReply *reply = manager->post(portalRequest(), encodeForm(form));
    connect(reply, &QNetworkReply::errorOccurred, this, &PortalUploader::sendDataError);
    connect(reply, &QNetworkReply::finished, this, &PortalUploader::sendDataFinished);
}

void PortalUploader::sendDataFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const QByteArray body = reply->readAll();
    qDebug() << "data sent to quorin live, response is " << body;

    // Accepted only when the portal itself answered and did not turn us away.
    if (portalReplyDelivered(*reply) && !uploadRejected(body)) {
        lastAcceptedTime = clock();
        emit lastUploadChanged();
    } else if (reply->error() == QNetworkReply::NoError) {
        // Network errors have had their own line.
        qDebug() << "Send data failed";
    }

    QObject *manager = reply->manager();
    reply->deleteLater();
    if (manager)
        manager->deleteLater();
}

void PortalUploader::sendDataError(QNetworkReply::NetworkError error)
{
    qDebug("error sending quorin data, error code is %d", int(error));
}

#include "portaluploader.h"

#include <QDebug>

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
    const QUrlQuery form = buildUploadForm(values, settings, utcNow, wuAccepted);
    WuCredentialState carried;
    if (form.hasQueryItem(QStringLiteral("wuu")))
        carried = WuCredentialState { settings.wuUsername, settings.wuPassword };
    post(form, carried);
}

void PortalUploader::send(const QUrlQuery &form)
{
    post(form, WuCredentialState());
}

void PortalUploader::post(const QUrlQuery &form, const WuCredentialState &carried)
{
    if (pending) {
        if (!skipLogged)
            qDebug() << "Upload skipped: the last one is still waiting for the portal";
        skipLogged = true;
        return;
    }
    skipLogged = false;
    // A child, so an upload still in flight goes away with its owner.
    auto *exchange = new PortalExchange(this);
    pending = exchange;
    connect(exchange, &PortalExchange::finished, this,
        [this, exchange, carried](const PortalExchange::Result &result) {
            pending = nullptr;
            exchange->deleteLater();
            sendDataFinished(result, carried);
        });
    exchange->post(encodeForm(form));
}

void PortalUploader::sendDataFinished(
    const PortalExchange::Result &result, const WuCredentialState &carried)
{
    if (result.error != QNetworkReply::NoError)
        qDebug("error sending quorin data, error code is %d", int(result.error));
    qDebug() << "data sent to quorin live, response is " << result.body;

    // Accepted only when the portal itself answered and did not turn us away.
    if (result.delivered && !uploadRejected(result.body)) {
        if (!carried.lastUsername.isEmpty())
            wuAccepted = carried;
        lastAcceptedTime = clock();
        emit lastUploadChanged();
    } else if (result.error == QNetworkReply::NoError) {
        // Network errors have had their own line.
        qDebug() << "Send data failed";
    }
}

#include "portaluploader.h"

#include <QDebug>
#include <QLoggingCategory>

namespace {

// Two kinds: a portal that cannot be reached at start-up (the network not up
// yet) must not hide one that later turns the key away.
Q_LOGGING_CATEGORY(portalUnreachable, "skyquill.alert.portal.unreachable")
Q_LOGGING_CATEGORY(portalRefused, "skyquill.alert.portal.refused")

} // namespace

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

void PortalUploader::readSettings(const SettingsReader &settings)
{
    setSettings(uploadSettingsFrom(settings));
}

void PortalUploader::report() const
{
    reportStatus({ { QStringLiteral("lastUpload"), lastUploadText() },
        { QStringLiteral("uploads"), uploadsDue } });
}

void PortalUploader::takeCycle(const CyclePtr &cycle)
{
    if (!cycle || !cycle->good() || !portalUploadDue(lastTrigger, cycle->local, current.minutes))
        return;
    lastTrigger = cycle->local;
    ++uploadsDue;
    report();
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
    if (!result.delivered) {
        qCWarning(portalUnreachable).noquote() << "Upload not delivered:" << result.failure;
    } else if (uploadRejected(result.body)) {
        qDebug() << "Send data failed";
        qCWarning(portalRefused).noquote()
            << "Portal refused the upload: the serial number or the key is wrong ("
                + QString::fromUtf8(result.body.left(120)).simplified() + QLatin1Char(')');
    } else {
        if (!carried.lastUsername.isEmpty())
            wuAccepted = carried;
        lastAcceptedTime = clock();
        report();
        emit lastUploadChanged();
    }
}

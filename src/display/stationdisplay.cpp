#include "stationdisplay.h"

#include "acquisition/dailyextremes.h"
#include "acquisition/qmodbus.h"
#include "displayquantities.h"
#include "meteo/derived.h"

StationDisplay::StationDisplay(QModbus *link, QObject *parent)
    : QObject(parent)
    , acquisition(link)
{
    if (!link)
        return;
    connect(link, &QModbus::openPortFailed, this, &StationDisplay::openPortFailed);
    connect(link, &QModbus::openSocketFailed, this, &StationDisplay::openSocketFailed);
    connect(link, &QModbus::linkFailureTextChanged, this, &StationDisplay::linkFailureTextChanged);
    connect(link, &QModbus::dailyExtremesReset, this, &StationDisplay::startDay);
    connect(link, &QModbus::cyclePublished, this, &StationDisplay::cyclePublished,
        Qt::DirectConnection);
    connect(link, &QModbus::quitRequested, this, &StationDisplay::quitRequested);
}

void StationDisplay::takeCycle(const CyclePtr &cycle)
{
    if (!cycle)
        return;
    values = cycle->values;
    // A failed read brings no data, only perhaps a new status block.
    if (!cycle->good())
        return;
    emitValuesChanged();
    emit dataReceived();
}

void StationDisplay::readSettings(const SettingsReader &settings)
{
    setSettings(displaySettingsFrom(settings));
}

void StationDisplay::setSettings(const DisplaySettings &settings)
{
    if (settings == current)
        return;
    const bool newUnits = settings.units != current.units;
    current = settings;
    // The values convert at the moment they are read: every bound text must
    // read them again.
    if (newUnits)
        emitValuesChanged();
}

void StationDisplay::startDay()
{
    resetDailyExtremes(values);
    emitValuesChanged();
}

void StationDisplay::emitValuesChanged()
{
    emit airTempChanged();
    emit humidityChanged();
    emit pressureChanged();
    emit windChanged();
    emit lightningChanged();
    emit calcChanged();
    emit analogChanged();
}

double StationDisplay::shown(const char *name) const
{
    const display::Quantity *q = display::quantity(name);
    return q ? display::number(*q, values, current.units) : 0;
}

QString StationDisplay::pressureTrendText() const
{
    return ::pressureTrendText(values.pressureTrend);
}

QString StationDisplay::wbgtColor() const
{
    return meteo::wbgtColor(values.wbgt, current.theme);
}

// --- what the services report ---------------------------------------------

void StationDisplay::setStatus(const QString &service, const QVariantMap &status)
{
    if (reports.value(service).toMap() == status)
        return;
    // What the pages read before, to signal only what they will read anew.
    const QString lastUpload = lastQuorinLive();
    const int uploads = reported("upload", "uploads").toInt();
    const QStringList clients = recentClients();
    const QVariantList gateway { gatewayListening(), gatewayState(), gatewayHint() };
    reports.insert(service, status);
    emit servicesChanged();
    if (lastQuorinLive() != lastUpload)
        emit lastQuorinLiveChanged();
    if (reported("upload", "uploads").toInt() > uploads)
        emit sendToQuorinLive();
    if (recentClients() != clients)
        emit recentClientsChanged();
    if (QVariantList { gatewayListening(), gatewayState(), gatewayHint() } != gateway)
        emit gatewayStateChanged();
}

void StationDisplay::amendStatus(const QString &service, const QVariantMap &fields)
{
    QVariantMap status = reports.value(service).toMap();
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        status.insert(it.key(), it.value());
    setStatus(service, status);
}

void StationDisplay::setLastQuorinLive(const QString &text)
{
    amendStatus(QStringLiteral("upload"), { { QStringLiteral("lastUpload"), text } });
}

void StationDisplay::setRecentClients(const QStringList &clients)
{
    amendStatus(QStringLiteral("gateway"), { { QStringLiteral("clients"), clients } });
}

void StationDisplay::setGatewayState(bool listening, const QString &state, const QString &hint)
{
    amendStatus(QStringLiteral("gateway"),
        { { QStringLiteral("listening"), listening }, { QStringLiteral("state"), state },
            { QStringLiteral("hint"), hint } });
}

QVariant StationDisplay::reported(const char *service, const char *field) const
{
    return reports.value(QLatin1String(service)).toMap().value(QLatin1String(field));
}

QString StationDisplay::lastQuorinLive() const
{
    const QVariant text = reported("upload", "lastUpload");
    return text.isValid() ? text.toString() : QStringLiteral("Never");
}

QStringList StationDisplay::recentClients() const
{
    return reported("gateway", "clients").toStringList();
}

bool StationDisplay::gatewayListening() const
{
    return reported("gateway", "listening").toBool();
}

QString StationDisplay::gatewayState() const
{
    return reported("gateway", "state").toString();
}

QString StationDisplay::gatewayHint() const
{
    return reported("gateway", "hint").toString();
}

// --- the acquisition's controls -------------------------------------------

QString StationDisplay::linkFailureText() const
{
    return acquisition ? acquisition->linkFailureText() : QString();
}

void StationDisplay::quit()
{
    if (acquisition)
        acquisition->quit();
}

void StationDisplay::restart()
{
    if (acquisition)
        acquisition->restart();
}

void StationDisplay::start()
{
    if (acquisition)
        acquisition->start();
}

void StationDisplay::startThread()
{
    start();
}

void StationDisplay::secTimerTimeout()
{
    if (acquisition)
        acquisition->secTimerTimeout();
}

void StationDisplay::updateTimerTimeout()
{
    if (acquisition)
        acquisition->updateTimerTimeout();
}

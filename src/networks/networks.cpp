#include "networks.h"

#include "cwop.h"
#include "windy.h"
#include "wunetwork.h"

#include <algorithm>

namespace networks {

Networks::Networks(QObject *parent)
    : QObject(parent)
    , cwop(new Cwop(this))
    , windy(new Windy(this))
    , pws(new WuNetwork(QStringLiteral("PWSweather"), &WuNetwork::pwsQuery, this))
    , wow(new WuNetwork(QStringLiteral("WOW"), &WuNetwork::wowQuery, this))
    , all { cwop, windy, pws, wow }
{
    for (int i = 0; i < NetworkCount; ++i)
        connect(all[i], &NetworkUploader::statusChanged, this, &Networks::report);
}

Networks::~Networks() = default;

void Networks::setSettings(const NetworksSettings &s)
{
    if (s == current)
        return;
    current = s;
    pws->setVersion(s.version);
    wow->setVersion(s.version);
    cwop->setStation(s.latitude, s.longitude, s.version);
    cwop->setAccount(s.cwop);
    windy->setAccount(s.windy);
    pws->setAccount(s.pws);
    wow->setAccount(s.wow);
}

void Networks::readSettings(const SettingsReader &settings)
{
    setSettings(networksSettingsFrom(settings));
    // The page shows every network's line from the start, "Off" included.
    if (!reported)
        report();
}

void Networks::report()
{
    reported = true;
    static const char *const keys[NetworkCount] = { "cwop", "windy", "pws", "wow" };
    QVariantMap status;
    for (int i = 0; i < NetworkCount; ++i)
        status.insert(QLatin1String(keys[i]), all[i]->status());
    reportStatus(status);
}

void Networks::takeCycle(const CyclePtr &cycle)
{
    for (NetworkUploader *network : all)
        network->takeCycle(cycle);
}

void Networks::setClock(const std::function<QDateTime()> &clock)
{
    for (NetworkUploader *network : all)
        network->setClock(clock);
}

void Networks::setRainSource(const RainTotal &rain)
{
    for (NetworkUploader *network : all)
        network->setRainSource(rain);
}

void Networks::setDeadline(int milliseconds)
{
    for (NetworkUploader *network : all)
        network->setDeadline(milliseconds);
}

QString Networks::status(Network network) const
{
    return all[network]->status();
}

bool Networks::uploading() const
{
    return std::any_of(
        all.begin(), all.end(), [](const NetworkUploader *n) { return n->uploading(); });
}

} // namespace networks

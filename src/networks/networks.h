#pragma once

#include "acquisition/service.h"
#include "networkssettings.h"
#include "observation.h"
#include "record/stationcycle.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>
#include <functional>

namespace networks {

class NetworkUploader;
class Cwop;
class Windy;
class WuNetwork;

// The service that shares the station with the weather networks: CWOP,
// Windy, PWSweather and WOW, each on its own schedule with its own status.
// Lives on the GUI thread and takes the published cycles there. Reports the
// four status lines together, under "cwop", "windy", "pws" and "wow".
class Networks : public QObject, public Service
{
    Q_OBJECT

public:
    enum Network
    {
        CwopNetwork,
        WindyNetwork,
        PwsNetwork,
        WowNetwork,
        NetworkCount
    };

    explicit Networks(QObject *parent = nullptr);
    ~Networks() override;

    // Ignored when equal to the current settings; otherwise each network
    // whose part changed takes it.
    void setSettings(const NetworksSettings &settings);

    void takeCycle(const CyclePtr &cycle) override;
    void readSettings(const SettingsReader &settings) override;

    // The console's clock, the archive's rain, and for tests the deadline of
    // every exchange.
    void setClock(const std::function<QDateTime()> &clock);
    void setRainSource(const RainTotal &rain);
    void setDeadline(int milliseconds);

    QString status(Network network) const;
    bool uploading() const;

private:
    void report();

    NetworksSettings current;
    bool reported = false;
    Cwop *cwop;
    Windy *windy;
    WuNetwork *pws;
    WuNetwork *wow;
    std::array<NetworkUploader *, NetworkCount> all;
};

} // namespace networks

#pragma once

#include "acquisition/qmodbus.h"
#include "acquisition/qualityservice.h"
#include "alarms/alarmservice.h"
#include "archive/archive.h"
#include "datalog/logger.h"
#include "display/stationdisplay.h"
#include "gateway/gatewayserver.h"
#include "networks/networks.h"
#ifdef SKYQUILL_HAVE_MQTT
#include "mqtt/mqttconnectiontest.h"
#include "mqtt/mqttpublisher.h"
#endif
#include "records/recordsservice.h"
#include "settings/settingsreader.h"
#include "upload/credentialtest.h"
#include "upload/portaluploader.h"
#ifdef SKYQUILL_HAVE_WEB
#include "web/webserver.h"
#endif

#include <QObject>

#include <vector>

class SysSettings;

// The composition root: builds the acquisition and the services it feeds,
// and plugs each in: every published cycle, its own settings struct after
// every change of any key, and a place to report its status to the display.
// The services know the published cycle and their own settings, never the
// acquisition object, the settings store or each other.
class Console : public QObject
{
    Q_OBJECT

public:
    static constexpr int GatewayPortFromSettings = -1;
    static constexpr int WebPortFromSettings = -1;

    // `settings` must outlive this object. The gateway listens on the
    // GatewayPort setting and follows its changes, or, given a port, on that
    // one only (tests pass 0 for a free one); the web server the same with
    // WebPort.
    explicit Console(SysSettings &settings, int gatewayPort = GatewayPortFromSettings,
        int webPort = WebPortFromSettings, QObject *parent = nullptr);
    // Stops the acquisition thread before the services it feeds go.
    ~Console() override;

    // Local time for the acquisition and the upload stamp; tests inject one.
    void setClock(const QModbus::Clock &clock);

    // From now on `service` takes every cycle and reads its settings, and
    // reports its status under `name` (not at all without one). It must
    // outlive this object.
    void plug(Service &service, const QString &name = QString());

    QModbus &modbus() { return acquisition; }
    // What QML sees as "ModbusPort".
    StationDisplay &display() { return stationDisplay; }
    Logger &dataLog() { return logger; }
    PortalUploader &uploader() { return portal; }
    GatewayServer &gateway() { return gatewayServer; }
#ifdef SKYQUILL_HAVE_MQTT
    MqttPublisher &mqtt()
    {
        return mqttPublisher;
    }
    MqttConnectionTest &mqttTest()
    {
        return mqttConnectionTest;
    }
#endif
    Archive &archive()
    {
        return minuteArchive;
    }
    networks::Networks &weatherNetworks()
    {
        return networkUploads;
    }
    RecordsService &records()
    {
        return recordsService;
    }
    alarms::AlarmService &alarms()
    {
        return alarmService;
    }
#ifdef SKYQUILL_HAVE_WEB
    WebServer &web()
    {
        return webServer;
    }
#endif

    // Ends polling, hands the bindings what the last cycle queued for them,
    // and says goodbye to the MQTT broker.
    void stop();

private:
    // The store as the services read it: with the gateway's and the web
    // server's ports fixed when the console was given them.
    class Reader : public SettingsReader
    {
    public:
        Reader(const SettingsReader &settings, int gatewayPort, int webPort)
            : store(settings)
            , fixedGatewayPort(gatewayPort)
            , fixedWebPort(webPort)
        {
        }
        QVariant value(Setting setting) const override;
        QString folder() const override { return store.folder(); }
        QString version() const override { return store.version(); }

    private:
        const SettingsReader &store;
        int fixedGatewayPort;
        int fixedWebPort;
    };

    // Rebuilds every service's settings struct; each ignores one equal to
    // the one it has.
    void readSettings();
#ifdef SKYQUILL_HAVE_WEB
    void publishRecords();
#endif
    void takeCycle(const CyclePtr &cycle);

    SysSettings &settings;
    Reader reader;
    std::vector<Service *> services;
    // Declared before the acquisition, so they outlive its thread.
    Logger logger;
    PortalUploader portal;
    GatewayServer gatewayServer;
    Archive minuteArchive;
    networks::Networks networkUploads;
    RecordsService recordsService;
    alarms::AlarmService alarmService;
    CredentialTest credentialTest;
#ifdef SKYQUILL_HAVE_MQTT
    MqttPublisher mqttPublisher;
    MqttConnectionTest mqttConnectionTest;
#endif
#ifdef SKYQUILL_HAVE_WEB
    WebServer webServer;
#endif
    QModbus acquisition;
    StationDisplay stationDisplay;
    QualityService dataQuality;
};

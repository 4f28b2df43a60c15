#pragma once

#include "acquisition/qmodbus.h"
#include "archive/archive.h"
#include "datalog/logger.h"
#include "gateway/gatewayserver.h"
#ifdef SKYQUILL_HAVE_MQTT
#include "mqtt/mqttconnectiontest.h"
#include "mqtt/mqttpublisher.h"
#endif
#include "upload/credentialtest.h"
#include "upload/portaluploader.h"

#include <QObject>

class SysSettings;

// The composition root: builds the acquisition and every consumer of its
// cycles, hands each the settings it needs, and connects them. The consumers
// know the published cycle and their own settings, never the acquisition
// object or the settings store.
class Console : public QObject
{
    Q_OBJECT

public:
    static constexpr int GatewayPortFromSettings = -1;

    // `settings` must outlive this object. The gateway listens on the
    // GatewayPort setting and follows its changes, or, given a port, on that
    // one only (tests pass 0 for a free one).
    explicit Console(SysSettings &settings, int gatewayPort = GatewayPortFromSettings,
                     QObject *parent = nullptr);
    // Stops the acquisition thread before the consumers it feeds go.
    ~Console() override;

    // Local time for the acquisition and the upload stamp; tests inject one.
    void setClock(const QModbus::Clock &clock);

    QModbus &modbus() { return acquisition; }
    Logger &dataLog() { return logger; }
    PortalUploader &uploader() { return portal; }
    GatewayServer &gateway() { return gatewayServer; }
#ifdef SKYQUILL_HAVE_MQTT
    MqttPublisher &mqtt() { return mqttPublisher; }
    MqttConnectionTest &mqttTest() { return mqttConnectionTest; }
#endif
    Archive &archive() { return minuteArchive; }

    // Ends polling, hands the bindings what the last cycle queued for them,
    // and says goodbye to the MQTT broker.
    void stop();

private:
    SysSettings &settings;
    // Declared before the acquisition, so they outlive its thread.
    Logger logger;
    PortalUploader portal;
    GatewayServer gatewayServer;
    Archive minuteArchive;
    CredentialTest credentialTest;
#ifdef SKYQUILL_HAVE_MQTT
    MqttPublisher mqttPublisher;
    MqttConnectionTest mqttConnectionTest;
#endif
    QModbus acquisition;
};

#pragma once

#include "acquisition/qmodbus.h"
#include "archive/archive.h"
#include "datalog/logger.h"
#include "gateway/gatewayserver.h"
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
    // `settings` must outlive this object. The gateway listens on
    // `gatewayPort` (tests pass 0 for a free one).
    explicit Console(SysSettings &settings, quint16 gatewayPort = 502, QObject *parent = nullptr);
    // Stops the acquisition thread before the consumers it feeds go.
    ~Console() override;

    // Local time for the acquisition and the upload stamp; tests inject one.
    void setClock(const QModbus::Clock &clock);

    QModbus &modbus() { return acquisition; }
    Logger &dataLog() { return logger; }
    PortalUploader &uploader() { return portal; }
    GatewayServer &gateway() { return gatewayServer; }
    Archive &archive() { return minuteArchive; }

    // Ends polling and hands the bindings what the last cycle queued for them.
    void stop();

private:
    SysSettings &settings;
    // Declared before the acquisition, so they outlive its thread.
    Logger logger;
    PortalUploader portal;
    GatewayServer gatewayServer;
    Archive minuteArchive;
    CredentialTest credentialTest;
    QModbus acquisition;
};

#include "console.h"

#include "consumersettings.h"
#include "gateway/listenstatus.h"
#include "settings/syssettings.h"

#include <QCoreApplication>

Console::Console(SysSettings &settings, int gatewayPort, QObject *parent)
    : QObject(parent)
    , settings(settings)
    , portal(nullptr)
    , acquisition(&settings)
{
    settings.setModbusObject(&acquisition);
    settings.setCredentialTester(&credentialTest);
    connect(&credentialTest, &CredentialTest::unreachable, &settings,
            &SysSettings::testCredentialsUnreachable);
    connect(&credentialTest, &CredentialTest::result, &settings,
            &SysSettings::testCredentialsResult);

    // The data log runs on the acquisition thread.
    logger.setSettings(logSettingsFrom(settings));
    acquisition.addCycleSink(&logger);
    const auto refreshLog = [this] { logger.setSettings(logSettingsFrom(this->settings)); };
    for (auto signal : { &SysSettings::unitsChanged, &SysSettings::logPathChanged,
                         &SysSettings::logPrefixChanged, &SysSettings::updateLogSecondsChanged,
                         &SysSettings::logEnabledChanged })
        connect(&settings, signal, this, refreshLog);

    portal.setClock([this] { return acquisition.now(); });
    portal.setSettings(uploadSettingsFrom(settings));
    const auto refreshUpload = [this] { portal.setSettings(uploadSettingsFrom(this->settings)); };
    for (auto signal : { &SysSettings::serialNumberChanged, &SysSettings::passwordChanged,
                         &SysSettings::wuUsernameChanged, &SysSettings::wuPasswordChanged,
                         &SysSettings::quorinLiveMinutesChanged })
        connect(&settings, signal, this, refreshUpload);
    connect(&acquisition, &QModbus::cyclePublished, &portal, &PortalUploader::takeCycle);
    connect(&portal, &PortalUploader::uploadDue, &acquisition, &QModbus::sendToQuorinLive);
    connect(&portal, &PortalUploader::lastUploadChanged, &acquisition,
            [this] { acquisition.setLastQuorinLive(portal.lastUploadText()); });

    // The per-byte reply dump is only worth building when someone reads it.
    gatewayServer.setVerbose([&settings] { return settings.debugLogEnabled(); });
    connect(&acquisition, &QModbus::cyclePublished, &gatewayServer, &GatewayServer::takeCycle);
    connect(&gatewayServer, &GatewayServer::recentClientsChanged, &acquisition,
            [this] { acquisition.setRecentClients(gatewayServer.recentClients()); });
    connect(&acquisition, &QModbus::quitRequested, &gatewayServer, &GatewayServer::close);
    connect(&gatewayServer, &GatewayServer::listenStatusChanged, &acquisition, [this] {
        const gateway::ListenStatus status = gatewayServer.listenStatus();
        acquisition.setGatewayState(status.listening, gateway::statusText(status),
                                    gateway::statusHint(status));
    });
    if (gatewayPort == GatewayPortFromSettings) {
        connect(&settings, &SysSettings::gatewayPortChanged, this,
                [this] { gatewayServer.listen(quint16(this->settings.gatewayPort())); });
        gatewayServer.listen(quint16(settings.gatewayPort()));
    } else {
        gatewayServer.listen(quint16(gatewayPort));
    }

#ifdef SKYQUILL_HAVE_MQTT
    mqttPublisher.setSettings(mqttSettingsFrom(settings));
    const auto refreshMqtt = [this] { mqttPublisher.setSettings(mqttSettingsFrom(this->settings)); };
    for (auto signal : { &SysSettings::mqttEnabledChanged, &SysSettings::mqttHostChanged,
                         &SysSettings::mqttPortChanged, &SysSettings::mqttUsernameChanged,
                         &SysSettings::mqttPasswordChanged, &SysSettings::mqttTlsChanged,
                         &SysSettings::mqttCaFileChanged, &SysSettings::mqttBaseTopicChanged,
                         &SysSettings::mqttIntervalSecondsChanged,
                         &SysSettings::mqttDiscoveryChanged,
                         &SysSettings::mqttDiscoveryPrefixChanged })
        connect(&settings, signal, this, refreshMqtt);
    connect(&acquisition, &QModbus::cyclePublished, &mqttPublisher, &MqttPublisher::takeCycle);
    mqttConnectionTest.setBrokerSource([this] { return mqttSettingsFrom(this->settings).broker; });
    settings.setMqttTester(&mqttConnectionTest);
    connect(&mqttConnectionTest, &MqttConnectionTest::result, &settings,
            &SysSettings::testMqttConnectionResult);
#endif

    minuteArchive.setSettings(archiveSettingsFrom(settings));
    connect(&settings, &SysSettings::archiveEnabledChanged, this,
            [this] { minuteArchive.setSettings(archiveSettingsFrom(this->settings)); });
    connect(&acquisition, &QModbus::cyclePublished, &minuteArchive, &Archive::takeCycle);

    // The data log writes rain in the gauge's own unit; remembering it lets
    // an import of those files read them right.
    connect(&acquisition, &QModbus::cyclePublished, this, [this](const CyclePtr &cycle) {
        const int gauge = cycle->values.rainUnits;
        if (cycle->good() && gauge != 0 && (gauge == 2) != (this->settings.getRainUnits() == 2))
            this->settings.setRainUnits(gauge == 2 ? 2 : 1);
    });
}

Console::~Console()
{
    acquisition.quit();
    acquisition.wait();
    settings.setCredentialTester(nullptr);
#ifdef SKYQUILL_HAVE_MQTT
    settings.setMqttTester(nullptr);
#endif
    settings.setModbusObject(nullptr);
}

void Console::setClock(const QModbus::Clock &clock)
{
    acquisition.setClock(clock);
}

void Console::stop()
{
    acquisition.quit();
    acquisition.wait();
    QCoreApplication::sendPostedEvents();
#ifdef SKYQUILL_HAVE_MQTT
    mqttPublisher.stop();
#endif
    minuteArchive.close();
}

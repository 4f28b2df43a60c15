#include "consumersettings.h"

#include "settings/syssettings.h"

LogSettings logSettingsFrom(const SysSettings &settings)
{
    LogSettings s;
    s.enabled = settings.logEnabled();
    // One cycle a second.
    s.intervalCycles = settings.updateLogSeconds();
    s.folder = settings.logPath();
    s.prefix = settings.logPrefix();
    s.temperatureUnits = settings.getTemperatureUnits();
    s.pressureUnits = settings.getPressureUnits();
    s.speedUnits = settings.getSpeedUnits();
    s.distanceUnits = settings.getDistanceUnits();
    s.pressureAdjustment = settings.getPressureAdjustment();
    return s;
}

UploadSettings uploadSettingsFrom(const SysSettings &settings)
{
    UploadSettings s;
    s.serialNumber = settings.serialNumber();
    s.password = settings.password();
    s.wuUsername = settings.wuUsername();
    s.wuPassword = settings.wuPassword();
    s.minutes = settings.quorinLiveMinutes();
    return s;
}

MqttSettings mqttSettingsFrom(const SysSettings &settings)
{
    MqttSettings s;
    s.enabled = settings.mqttEnabled();
    s.broker.host = settings.mqttHost().trimmed();
    s.broker.port = settings.mqttPort();
    s.broker.username = settings.mqttUsername();
    s.broker.password = settings.mqttPassword();
    s.broker.tls = settings.mqttTls();
    s.broker.caFile = settings.mqttCaFile();
    s.baseTopic = settings.mqttBaseTopic();
    s.intervalSeconds = settings.mqttIntervalSeconds();
    s.discovery = settings.mqttDiscovery();
    s.discoveryPrefix = settings.mqttDiscoveryPrefix();
    s.swVersion = settings.version();
    return s;
}

ArchiveSettings archiveSettingsFrom(const SysSettings &settings)
{
    ArchiveSettings s;
    s.enabled = settings.archiveEnabled();
    s.path = archivePath(settings);
    return s;
}

QString archivePath(const SysSettings &settings)
{
    return settings.folder() + QStringLiteral("/archive.sqlite");
}

#include "mqttsettings.h"

#include "settings/settingsreader.h"

MqttSettings mqttSettingsFrom(const SettingsReader &s)
{
    const MqttBroker broker { s.text(Setting::MqttHost).trimmed(), s.integer(Setting::MqttPort),
        s.text(Setting::MqttUsername), s.text(Setting::MqttPassword), s.flag(Setting::MqttTls),
        s.text(Setting::MqttCaFile) };
    return { s.flag(Setting::MqttEnabled), broker, s.text(Setting::MqttBaseTopic),
        s.integer(Setting::MqttIntervalSeconds), s.flag(Setting::MqttDiscovery),
        s.text(Setting::MqttDiscoveryPrefix), s.version() };
}

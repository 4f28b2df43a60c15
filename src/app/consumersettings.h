#pragma once

#include "datalog/logger.h"
#include "mqtt/mqttsettings.h"
#include "upload/uploadform.h"

class SysSettings;

// The plain settings each consumer of a cycle takes, read from the store.
LogSettings logSettingsFrom(const SysSettings &settings);
UploadSettings uploadSettingsFrom(const SysSettings &settings);
MqttSettings mqttSettingsFrom(const SysSettings &settings);

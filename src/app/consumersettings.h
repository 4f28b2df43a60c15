#pragma once

#include "archive/archive.h"
#include "datalog/logger.h"
#include "mqtt/mqttsettings.h"
#include "upload/uploadform.h"

class SysSettings;

// The plain settings each consumer of a cycle takes, read from the store.
LogSettings logSettingsFrom(const SysSettings &settings);
UploadSettings uploadSettingsFrom(const SysSettings &settings);
MqttSettings mqttSettingsFrom(const SysSettings &settings);
ArchiveSettings archiveSettingsFrom(const SysSettings &settings);

// The archive lives beside the settings it was made with.
QString archivePath(const SysSettings &settings);

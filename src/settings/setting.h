#pragma once

// Every key of the settings store, by group. Each has one row in the table
// (settingtable.cpp) that says its name in settings.ini, its default, what it
// accepts, when it signals and whether it reopens the station link.
enum class Setting
{
    // Station link
    SerialPort,
    BaudRate,
    ModbusIP,
    ModbusPort,
    ModbusID,
    ReadMode,
    // Units
    TempUnits,
    PressUnits,
    WindUnits,
    RainUnits,
    DistanceUnits,
    PressureAdjustment,
    // Interface
    Theme,
    ViewMode,
    RunwayAngle,
    // Logging
    DebugLog,
    LogEnabled,
    LogPath,
    LogPrefix,
    UpdateLogSeconds,
    // Portal
    SerialNumber,
    Password,
    QuorinLiveMinutes,
    WUUsername,
    WUPassword,
    // Gateway
    GatewayPort,
    // Archive
    ArchiveEnabled,
    // MQTT
    MqttEnabled,
    MqttHost,
    MqttPort,
    MqttUsername,
    MqttPassword,
    MqttTls,
    MqttCaFile,
    MqttBaseTopic,
    MqttIntervalSeconds,
    MqttDiscovery,
    MqttDiscoveryPrefix,
    // Networks
    StationLatitude,
    StationLongitude,
    CwopEnabled,
    CwopStationId,
    CwopPasscode,
    CwopServer,
    CwopIntervalMinutes,
    WindyEnabled,
    WindyStationId,
    WindyPassword,
    WindyUrl,
    WindyIntervalMinutes,
    PwsEnabled,
    PwsStationId,
    PwsPassword,
    PwsUrl,
    PwsIntervalMinutes,
    WowEnabled,
    WowSiteId,
    WowAuthKey,
    WowUrl,
    WowIntervalMinutes,
    // Quality
    CalTemperatureOffset,
    CalHumidityOffset,
    CalPressureOffset,
    CalWindMultiplier,
    CalRainMultiplier,
    CalSolarMultiplier,
    QualityChecks,
    // Records and climate reports
    RecordsEnabled,
    DegreeDayBase,
    // Alarms
    Alarms,
    DataStoppedAlarmSeconds,
    AlarmEmailEnabled,
    SmtpHost,
    SmtpPort,
    SmtpSecurity,
    SmtpUsername,
    SmtpPassword,
    SmtpFrom,
    SmtpTo,
    AlarmDesktopNotifications,
    AlarmCommand,
    // Web server
    WebEnabled,
    WebPort,
    WebBindAddress,

    Count
};

enum class SettingGroup
{
    StationLink,
    Units,
    Interface,
    Logging,
    Portal,
    Gateway,
    Archive,
    Mqtt,
    Networks,
    Quality,
    Records,
    Alarms,
    Web,
};

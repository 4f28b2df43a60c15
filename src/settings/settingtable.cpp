#include "settingtable.h"

#include "logprefix.h"
#include "syssettings.h"
#include "topicprefix.h"

#include <QHostAddress>

#include <vector>

namespace {

using Emits = SettingRow::Emits;
using Group = SettingGroup;

bool baudRate(const QVariant &value)
{
    const int rate = value.toInt();
    return rate == 9600 || rate == 19200 || rate == 38400;
}

// No runway (-99), or a runway number.
bool runwayAngle(const QVariant &value)
{
    const int angle = value.toInt();
    return angle == -99 || (angle >= 0 && angle <= 36);
}

bool logPrefix(const QVariant &value)
{
    return safeLogPrefix(value.toString());
}

bool topicPrefix(const QVariant &value)
{
    return validTopicPrefix(value.toString());
}

// A decimal number from Low to High.
template <int Low, int High> bool within(const QVariant &value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && number >= Low && number <= High;
}

// Decimal degrees, north and east positive.
bool latitude(const QVariant &value)
{
    return within<-90, 90>(value);
}

bool longitude(const QVariant &value)
{
    return within<-180, 180>(value);
}

// A calibration multiplier: within what corrects a sensor that reads off,
// rather than one that is broken; 0 would zero the quantity.
bool multiplier(const QVariant &value)
{
    return within<0, 3>(value) && value.toDouble() >= 0.1;
}

// °C: the usual bases run from 10 (growing degree days) to 20.
bool degreeDayBase(const QVariant &value)
{
    return within<0, 30>(value);
}

bool smtpSecurity(const QVariant &value)
{
    const QString text = value.toString();
    return text == QLatin1String("starttls") || text == QLatin1String("tls")
        || text == QLatin1String("none");
}

// Empty (every interface) or one IP address.
bool bindAddress(const QVariant &value)
{
    const QString text = value.toString().trimmed();
    return text.isEmpty() || !QHostAddress(text).isNull();
}

std::vector<SettingRow> rows()
{
    const QString text;
    return {
        // Station link
        SettingRow { Setting::SerialPort, "SerialPort", QStringLiteral("COM5"), Group::StationLink }
            .restarts("Restarting modbus object because serial port changed"),
        SettingRow { Setting::BaudRate, "BaudRate", 19200, Group::StationLink, Emits::Always,
            &SysSettings::baudRateChanged }
            .only(baudRate)
            .restarts("Restarting modbus object because baud rate changed"),
        SettingRow { Setting::ModbusIP, "ModbusIP", text, Group::StationLink, Emits::Always,
            &SysSettings::modbusIPChanged }
            .restarts("Restarting modbus object because ip changed"),
        SettingRow { Setting::ModbusPort, "ModbusPort", 502, Group::StationLink, Emits::Always,
            &SysSettings::modbusPortChanged }
            .restarts("Restarting modbus object because port changed"),
        SettingRow { Setting::ModbusID, "ModbusID", 1, Group::StationLink, Emits::Always,
            &SysSettings::modbusIDChanged }
            .restarts("Restarting modbus object because modbus id changed"),
        SettingRow { Setting::ReadMode, "ReadMode", 0, Group::StationLink, Emits::Always,
            &SysSettings::readModeChanged }
            .range(0, 1)
            .restarts("Restarting modbus object because read mode changed mode is now  %1"),

        // Units: the display units of the pages, the data log and the history.
        SettingRow { Setting::TempUnits, "TempUnits", 1, Group::Units, Emits::Always,
            &SysSettings::unitsChanged },
        SettingRow { Setting::PressUnits, "PressUnits", 2, Group::Units, Emits::Always,
            &SysSettings::unitsChanged },
        SettingRow { Setting::WindUnits, "WindUnits", 0, Group::Units, Emits::Always,
            &SysSettings::unitsChanged },
        // The station's own rain unit, remembered for an import of the data log.
        SettingRow { Setting::RainUnits, "RainUnits", 1, Group::Units, Emits::Always,
            &SysSettings::unitsChanged },
        SettingRow { Setting::DistanceUnits, "DistanceUnits", 0, Group::Units, Emits::Always,
            &SysSettings::unitsChanged },
        SettingRow { Setting::PressureAdjustment, "PressureAdjustment", 0, Group::Units,
            Emits::Always, &SysSettings::unitsChanged }
            .range(0, 1),

        // Interface
        SettingRow { Setting::Theme, "Theme", 0, Group::Interface, Emits::Always,
            &SysSettings::themeChanged },
        SettingRow { Setting::ViewMode, "ViewMode", 0, Group::Interface, Emits::Always,
            &SysSettings::viewModeChanged }
            .range(0, 1),
        SettingRow { Setting::RunwayAngle, "RunwayAngle", -99, Group::Interface, Emits::Always,
            &SysSettings::runwayAngleChanged }
            .only(runwayAngle),

        // Logging
        SettingRow { Setting::DebugLog, "DebugLog", false, Group::Logging, Emits::OnChange,
            &SysSettings::debugLogEnableChanged },
        SettingRow { Setting::LogEnabled, "LogEnabled", false, Group::Logging, Emits::Always,
            &SysSettings::logEnabledChanged },
        // The default is the settings folder's own; SysSettings supplies it.
        SettingRow { Setting::LogPath, "LogPath", text, Group::Logging, Emits::Always,
            &SysSettings::logPathChanged },
        // A file name: one that leads out of the folder is refused, and a
        // hand-edited one writes under the usual name.
        SettingRow { Setting::LogPrefix, "LogPrefix", QStringLiteral("logfile-"), Group::Logging,
            Emits::Always, &SysSettings::logPrefixChanged }
            .only(logPrefix)
            .loadChecked(),
        SettingRow { Setting::UpdateLogSeconds, "UpdateLogSeconds", 600, Group::Logging,
            Emits::Always, &SysSettings::updateLogSecondsChanged }
            .range(2, 3600),

        // Portal
        SettingRow { Setting::SerialNumber, "SerialNumber", 0, Group::Portal, Emits::Always,
            &SysSettings::serialNumberChanged }
            .range(0, 200000),
        SettingRow { Setting::Password, "Password", text, Group::Portal, Emits::OnChange,
            &SysSettings::passwordChanged },
        SettingRow { Setting::QuorinLiveMinutes, "QuorinLiveMinutes", 10, Group::Portal,
            Emits::Always, &SysSettings::quorinLiveMinutesChanged }
            .range(1, 60),
        SettingRow { Setting::WUUsername, "WUUsername", text, Group::Portal, Emits::Always,
            &SysSettings::wuUsernameChanged },
        SettingRow { Setting::WUPassword, "WUPassword", text, Group::Portal, Emits::Always,
            &SysSettings::wuPasswordChanged },

        // Gateway: a new port restarts the server, so only a change signals; a
        // hand-edited port that cannot be bound serves on the usual one.
        SettingRow { Setting::GatewayPort, "GatewayPort", SysSettings::DefaultGatewayPort,
            Group::Gateway, Emits::OnChange, &SysSettings::gatewayPortChanged }
            .range(1, 65535)
            .loadChecked(),

        // Archive
        SettingRow { Setting::ArchiveEnabled, "ArchiveEnabled", true, Group::Archive,
            Emits::OnChange, &SysSettings::archiveEnabledChanged },

        // MQTT: every change reconnects, so only a real change signals.
        SettingRow { Setting::MqttEnabled, "MqttEnabled", false, Group::Mqtt, Emits::OnChange,
            &SysSettings::mqttEnabledChanged },
        SettingRow { Setting::MqttHost, "MqttHost", text, Group::Mqtt, Emits::OnChange,
            &SysSettings::mqttHostChanged },
        SettingRow { Setting::MqttPort, "MqttPort", 1883, Group::Mqtt, Emits::OnChange,
            &SysSettings::mqttPortChanged }
            .range(1, 65535),
        SettingRow { Setting::MqttUsername, "MqttUsername", text, Group::Mqtt, Emits::OnChange,
            &SysSettings::mqttUsernameChanged },
        SettingRow { Setting::MqttPassword, "MqttPassword", text, Group::Mqtt, Emits::OnChange,
            &SysSettings::mqttPasswordChanged },
        SettingRow { Setting::MqttTls, "MqttTls", false, Group::Mqtt, Emits::OnChange,
            &SysSettings::mqttTlsChanged },
        SettingRow { Setting::MqttCaFile, "MqttCaFile", text, Group::Mqtt, Emits::OnChange,
            &SysSettings::mqttCaFileChanged },
        SettingRow { Setting::MqttBaseTopic, "MqttBaseTopic", QStringLiteral("skyquill"),
            Group::Mqtt, Emits::OnChange, &SysSettings::mqttBaseTopicChanged }
            .only(topicPrefix),
        SettingRow { Setting::MqttIntervalSeconds, "MqttIntervalSeconds", 10, Group::Mqtt,
            Emits::OnChange, &SysSettings::mqttIntervalSecondsChanged }
            .range(1, 3600),
        SettingRow { Setting::MqttDiscovery, "MqttDiscovery", true, Group::Mqtt, Emits::OnChange,
            &SysSettings::mqttDiscoveryChanged },
        SettingRow { Setting::MqttDiscoveryPrefix, "MqttDiscoveryPrefix",
            QStringLiteral("homeassistant"), Group::Mqtt, Emits::OnChange,
            &SysSettings::mqttDiscoveryPrefixChanged }
            .only(topicPrefix),

        // Networks: the weather networks the station is shared with. A change
        // of a network's keys starts its schedule over, so only a real change
        // signals; every key shares one QML signal.
        SettingRow { Setting::StationLatitude, "StationLatitude", 0.0, Group::Networks,
            Emits::OnChange, &SysSettings::networksChanged }
            .only(latitude)
            .loadChecked(),
        SettingRow { Setting::StationLongitude, "StationLongitude", 0.0, Group::Networks,
            Emits::OnChange, &SysSettings::networksChanged }
            .only(longitude)
            .loadChecked(),
        SettingRow { Setting::CwopEnabled, "CwopEnabled", false, Group::Networks, Emits::OnChange,
            &SysSettings::networksChanged },
        SettingRow { Setting::CwopStationId, "CwopStationId", text, Group::Networks,
            Emits::OnChange, &SysSettings::networksChanged },
        SettingRow { Setting::CwopPasscode, "CwopPasscode", QStringLiteral("-1"), Group::Networks,
            Emits::OnChange, &SysSettings::networksChanged },
        SettingRow { Setting::CwopServer, "CwopServer", QStringLiteral("cwop.aprs.net:14580"),
            Group::Networks, Emits::OnChange, &SysSettings::networksChanged },
        SettingRow { Setting::CwopIntervalMinutes, "CwopIntervalMinutes", 10, Group::Networks,
            Emits::OnChange, &SysSettings::networksChanged }
            .range(5, 1440),
        SettingRow { Setting::WindyEnabled, "WindyEnabled", false, Group::Networks, Emits::OnChange,
            &SysSettings::networksChanged },
        SettingRow { Setting::WindyStationId, "WindyStationId", text, Group::Networks,
            Emits::OnChange, &SysSettings::networksChanged },
        SettingRow { Setting::WindyPassword, "WindyPassword", text, Group::Networks,
            Emits::OnChange, &SysSettings::networksChanged },
        SettingRow { Setting::WindyUrl, "WindyUrl",
            QStringLiteral("https://stations.windy.com/api/v2/observation/update"), Group::Networks,
            Emits::OnChange, &SysSettings::networksChanged },
        SettingRow { Setting::WindyIntervalMinutes, "WindyIntervalMinutes", 5, Group::Networks,
            Emits::OnChange, &SysSettings::networksChanged }
            .range(1, 1440),
        SettingRow { Setting::PwsEnabled, "PwsEnabled", false, Group::Networks, Emits::OnChange,
            &SysSettings::networksChanged },
        SettingRow { Setting::PwsStationId, "PwsStationId", text, Group::Networks, Emits::OnChange,
            &SysSettings::networksChanged },
        SettingRow { Setting::PwsPassword, "PwsPassword", text, Group::Networks, Emits::OnChange,
            &SysSettings::networksChanged },
        SettingRow { Setting::PwsUrl, "PwsUrl",
            QStringLiteral("https://www.pwsweather.com/pwsupdate/pwsupdate.php"), Group::Networks,
            Emits::OnChange, &SysSettings::networksChanged },
        SettingRow { Setting::PwsIntervalMinutes, "PwsIntervalMinutes", 5, Group::Networks,
            Emits::OnChange, &SysSettings::networksChanged }
            .range(1, 1440),
        SettingRow { Setting::WowEnabled, "WowEnabled", false, Group::Networks, Emits::OnChange,
            &SysSettings::networksChanged },
        SettingRow { Setting::WowSiteId, "WowSiteId", text, Group::Networks, Emits::OnChange,
            &SysSettings::networksChanged },
        SettingRow { Setting::WowAuthKey, "WowAuthKey", text, Group::Networks, Emits::OnChange,
            &SysSettings::networksChanged },
        SettingRow { Setting::WowUrl, "WowUrl",
            QStringLiteral("https://wow.metoffice.gov.uk/automaticreading"), Group::Networks,
            Emits::OnChange, &SysSettings::networksChanged },
        SettingRow { Setting::WowIntervalMinutes, "WowIntervalMinutes", 10, Group::Networks,
            Emits::OnChange, &SysSettings::networksChanged }
            .range(1, 1440),
        // Quality
        SettingRow { Setting::CalTemperatureOffset, "CalTemperatureOffset", 0.0, Group::Quality,
            Emits::OnChange, &SysSettings::calTemperatureOffsetChanged }
            .only(within<-20, 20>)
            .loadChecked(),
        SettingRow { Setting::CalHumidityOffset, "CalHumidityOffset", 0.0, Group::Quality,
            Emits::OnChange, &SysSettings::calHumidityOffsetChanged }
            .only(within<-50, 50>)
            .loadChecked(),
        SettingRow { Setting::CalPressureOffset, "CalPressureOffset", 0.0, Group::Quality,
            Emits::OnChange, &SysSettings::calPressureOffsetChanged }
            .only(within<-50, 50>)
            .loadChecked(),
        SettingRow { Setting::CalWindMultiplier, "CalWindMultiplier", 1.0, Group::Quality,
            Emits::OnChange, &SysSettings::calWindMultiplierChanged }
            .only(multiplier)
            .loadChecked(),
        SettingRow { Setting::CalRainMultiplier, "CalRainMultiplier", 1.0, Group::Quality,
            Emits::OnChange, &SysSettings::calRainMultiplierChanged }
            .only(multiplier)
            .loadChecked(),
        SettingRow { Setting::CalSolarMultiplier, "CalSolarMultiplier", 1.0, Group::Quality,
            Emits::OnChange, &SysSettings::calSolarMultiplierChanged }
            .only(multiplier)
            .loadChecked(),
        SettingRow { Setting::QualityChecks, "QualityChecks", true, Group::Quality, Emits::OnChange,
            &SysSettings::qualityChecksChanged },

        // Records and climate reports: the records are read again when they
        // are turned on, the reports follow the degree days' base.
        SettingRow { Setting::RecordsEnabled, "RecordsEnabled", true, Group::Records,
            Emits::OnChange, &SysSettings::recordsEnabledChanged },
        SettingRow { Setting::DegreeDayBase, "DegreeDayBase", 18.3, Group::Records, Emits::OnChange,
            &SysSettings::degreeDayBaseChanged }
            .only(degreeDayBase)
            .loadChecked(),
        // Alarms: an array of groups of keys, stored as [Alarms] 1\Name=...
        // size=N; a list default makes a row an array.
        SettingRow { Setting::Alarms, "Alarms", QVariantList(), Group::Alarms, Emits::OnChange,
            &SysSettings::alarmsChanged },
        SettingRow { Setting::DataStoppedAlarmSeconds, "DataStoppedAlarmSeconds", 60, Group::Alarms,
            Emits::OnChange, &SysSettings::dataStoppedAlarmSecondsChanged }
            .range(0, 86400),
        SettingRow { Setting::AlarmEmailEnabled, "AlarmEmailEnabled", false, Group::Alarms,
            Emits::OnChange, &SysSettings::alarmEmailEnabledChanged },
        SettingRow { Setting::SmtpHost, "SmtpHost", text, Group::Alarms, Emits::OnChange,
            &SysSettings::smtpHostChanged },
        SettingRow { Setting::SmtpPort, "SmtpPort", 587, Group::Alarms, Emits::OnChange,
            &SysSettings::smtpPortChanged }
            .range(1, 65535),
        SettingRow { Setting::SmtpSecurity, "SmtpSecurity", QStringLiteral("starttls"),
            Group::Alarms, Emits::OnChange, &SysSettings::smtpSecurityChanged }
            .only(smtpSecurity)
            .loadChecked(),
        SettingRow { Setting::SmtpUsername, "SmtpUsername", text, Group::Alarms, Emits::OnChange,
            &SysSettings::smtpUsernameChanged },
        SettingRow { Setting::SmtpPassword, "SmtpPassword", text, Group::Alarms, Emits::OnChange,
            &SysSettings::smtpPasswordChanged },
        SettingRow { Setting::SmtpFrom, "SmtpFrom", text, Group::Alarms, Emits::OnChange,
            &SysSettings::smtpFromChanged },
        SettingRow { Setting::SmtpTo, "SmtpTo", text, Group::Alarms, Emits::OnChange,
            &SysSettings::smtpToChanged },
        SettingRow { Setting::AlarmDesktopNotifications, "AlarmDesktopNotifications", true,
            Group::Alarms, Emits::OnChange, &SysSettings::alarmDesktopNotificationsChanged },
        SettingRow { Setting::AlarmCommand, "AlarmCommand", text, Group::Alarms, Emits::OnChange,
            &SysSettings::alarmCommandChanged },

        // Web server: a change of any of them restarts it, so only a real
        // change signals.
        SettingRow { Setting::WebEnabled, "WebEnabled", true, Group::Web, Emits::OnChange,
            &SysSettings::webEnabledChanged },
        SettingRow { Setting::WebPort, "WebPort", SysSettings::DefaultWebPort, Group::Web,
            Emits::OnChange, &SysSettings::webPortChanged }
            .range(1, 65535)
            .loadChecked(),
        SettingRow { Setting::WebBindAddress, "WebBindAddress", text, Group::Web, Emits::OnChange,
            &SysSettings::webBindAddressChanged }
            .only(bindAddress),
    };
}

} // namespace

bool SettingRow::accepts(const QVariant &value) const
{
    if (fallback.userType() == QMetaType::Int) {
        const int number = value.toInt();
        if (number < low || number > high)
            return false;
    }
    return !check || check(value);
}

const std::vector<SettingRow> &settingTable()
{
    static const std::vector<SettingRow> table = [] {
        std::vector<SettingRow> all = rows();
        // In the order of the keys, so a key finds its row at once.
        Q_ASSERT(all.size() == size_t(Setting::Count));
        for (size_t i = 0; i < all.size(); ++i)
            Q_ASSERT(all[i].setting == Setting(i));
        return all;
    }();
    return table;
}

const SettingRow &settingRow(Setting setting)
{
    return settingTable()[size_t(setting)];
}

#pragma once

#include <QMutex>
#include <QObject>
#include <QSettings>
#include <QStringList>

#include "serialports.h"
#include "settingsreader.h"
#include "units.h"

#include <atomic>
#include <memory>

class CredentialTester;
class LinkRestarter;
struct SettingRow;
class MqttTester;
class AlarmTester;

// The console's configuration: persisted in settings.ini / settingslock.ini,
// published to QML as "Settings", read by the services through the
// SettingsReader it is. Each key is declared once, in the setting table; the
// properties below are its face to QML. Getters are called from the
// acquisition thread too, so the values sit behind a short lock.
class SysSettings : public QObject, public SettingsReader
{
    Q_OBJECT

    Q_PROPERTY(QString temperatureUnits READ temperatureUnits NOTIFY unitsChanged)
    Q_PROPERTY(int tempRangeLow READ tempRangeLow NOTIFY unitsChanged)
    Q_PROPERTY(int tempRangeHigh READ tempRangeHigh NOTIFY unitsChanged)
    Q_PROPERTY(QString pressureUnits READ pressureUnits NOTIFY unitsChanged)
    Q_PROPERTY(int pressRangeLow READ pressRangeLow NOTIFY unitsChanged)
    Q_PROPERTY(int pressRangeHigh READ pressRangeHigh NOTIFY unitsChanged)
    Q_PROPERTY(int pressTickSize READ pressTickSize NOTIFY unitsChanged)
    Q_PROPERTY(QString speedUnits READ speedUnits NOTIFY unitsChanged)
    Q_PROPERTY(int speedRangeHigh READ speedRangeHigh NOTIFY unitsChanged)
    Q_PROPERTY(QString distanceUnits READ distanceUnits NOTIFY unitsChanged)
    Q_PROPERTY(QString backgroundColor READ backgroundColor NOTIFY themeChanged)
    Q_PROPERTY(QString textColor READ textColor NOTIFY themeChanged)
    Q_PROPERTY(QString needleColor2 READ needleColor2 NOTIFY themeChanged)
    Q_PROPERTY(QString needleColor3 READ needleColor3 NOTIFY themeChanged)
    Q_PROPERTY(QString redColor READ redColor NOTIFY themeChanged)
    Q_PROPERTY(QString blueColor READ blueColor NOTIFY themeChanged)
    Q_PROPERTY(QString shadowColor READ shadowColor NOTIFY themeChanged)
    Q_PROPERTY(QStringList portsList READ portsList NOTIFY portsListChanged)
    Q_PROPERTY(int updateTime READ updateTime NOTIFY unitsChanged)
    Q_PROPERTY(QString logPath READ logPath WRITE setLogPath NOTIFY logPathChanged)
    Q_PROPERTY(QString logPrefix READ logPrefix WRITE setLogPrefix NOTIFY logPrefixChanged)
    Q_PROPERTY(int updateLogSeconds READ updateLogSeconds WRITE setUpdateLogSeconds NOTIFY
            updateLogSecondsChanged)
    Q_PROPERTY(bool logEnabled READ logEnabled WRITE setLogEnabled NOTIFY logEnabledChanged)
    Q_PROPERTY(QString version READ version NOTIFY versionChanged)
    // Write only in effect: reading gives an empty text, never the password.
    Q_PROPERTY(
        QString settingsLockPassword READ settingsLockPasswordText WRITE setSettingsLockPassword)
    Q_PROPERTY(bool settingsLocked READ settingsLocked NOTIFY settingsLockChanged)
    Q_PROPERTY(int baudRate READ baudRate WRITE setBaudRate NOTIFY baudRateChanged)
    Q_PROPERTY(int serialNumber READ serialNumber WRITE setSerialNumber NOTIFY serialNumberChanged)
    Q_PROPERTY(QString password READ password WRITE setPassword NOTIFY passwordChanged)
    Q_PROPERTY(int quorinLiveMinutes READ quorinLiveMinutes WRITE setQuorinLiveMinutes NOTIFY
            quorinLiveMinutesChanged)
    Q_PROPERTY(QString wuUsername READ wuUsername WRITE setWuUsername NOTIFY wuUsernameChanged)
    Q_PROPERTY(QString wuPassword READ wuPassword WRITE setWuPassword NOTIFY wuPasswordChanged)
    Q_PROPERTY(QString modbusIP READ modbusIP WRITE setModbusIP NOTIFY modbusIPChanged)
    Q_PROPERTY(int modbusPort READ modbusPort WRITE setModbusPort NOTIFY modbusPortChanged)
    Q_PROPERTY(int modbusID READ modbusID WRITE setModbusID NOTIFY modbusIDChanged)
    Q_PROPERTY(QString modbusServerIP READ modbusServerIP CONSTANT)
    Q_PROPERTY(int readMode READ readMode WRITE setReadMode NOTIFY readModeChanged)
    Q_PROPERTY(int viewMode READ viewMode WRITE setViewMode NOTIFY viewModeChanged)
    Q_PROPERTY(int runwayAngle READ runwayAngle WRITE setRunwayAngle NOTIFY runwayAngleChanged)
    Q_PROPERTY(bool debugLogEnabled READ debugLogEnabled WRITE setDebugLogEnabled NOTIFY
            debugLogEnableChanged)
    Q_PROPERTY(int gatewayPort READ gatewayPort WRITE setGatewayPort NOTIFY gatewayPortChanged)
    // MQTT publishing: each setter emits only on a real change, which reconnects.
    Q_PROPERTY(bool mqttEnabled READ mqttEnabled WRITE setMqttEnabled NOTIFY mqttEnabledChanged)
    Q_PROPERTY(QString mqttHost READ mqttHost WRITE setMqttHost NOTIFY mqttHostChanged)
    Q_PROPERTY(int mqttPort READ mqttPort WRITE setMqttPort NOTIFY mqttPortChanged)
    Q_PROPERTY(
        QString mqttUsername READ mqttUsername WRITE setMqttUsername NOTIFY mqttUsernameChanged)
    Q_PROPERTY(
        QString mqttPassword READ mqttPassword WRITE setMqttPassword NOTIFY mqttPasswordChanged)
    Q_PROPERTY(bool mqttTls READ mqttTls WRITE setMqttTls NOTIFY mqttTlsChanged)
    Q_PROPERTY(QString mqttCaFile READ mqttCaFile WRITE setMqttCaFile NOTIFY mqttCaFileChanged)
    Q_PROPERTY(
        QString mqttBaseTopic READ mqttBaseTopic WRITE setMqttBaseTopic NOTIFY mqttBaseTopicChanged)
    Q_PROPERTY(int mqttIntervalSeconds READ mqttIntervalSeconds WRITE setMqttIntervalSeconds NOTIFY
            mqttIntervalSecondsChanged)
    Q_PROPERTY(
        bool mqttDiscovery READ mqttDiscovery WRITE setMqttDiscovery NOTIFY mqttDiscoveryChanged)
    Q_PROPERTY(QString mqttDiscoveryPrefix READ mqttDiscoveryPrefix WRITE setMqttDiscoveryPrefix
            NOTIFY mqttDiscoveryPrefixChanged)
    // False where the console was built without its broker client (Windows):
    // the keys above are kept, but nothing is published.
    Q_PROPERTY(bool mqttAvailable READ mqttAvailable CONSTANT)
    Q_PROPERTY(bool archiveEnabled READ archiveEnabled WRITE setArchiveEnabled NOTIFY
            archiveEnabledChanged)
    // The weather networks: every key signals networksChanged, on a real change.
    Q_PROPERTY(
        double stationLatitude READ stationLatitude WRITE setStationLatitude NOTIFY networksChanged)
    Q_PROPERTY(double stationLongitude READ stationLongitude WRITE setStationLongitude NOTIFY
            networksChanged)
    Q_PROPERTY(bool cwopEnabled READ cwopEnabled WRITE setCwopEnabled NOTIFY networksChanged)
    Q_PROPERTY(
        QString cwopStationId READ cwopStationId WRITE setCwopStationId NOTIFY networksChanged)
    Q_PROPERTY(QString cwopPasscode READ cwopPasscode WRITE setCwopPasscode NOTIFY networksChanged)
    Q_PROPERTY(QString cwopServer READ cwopServer WRITE setCwopServer NOTIFY networksChanged)
    Q_PROPERTY(int cwopIntervalMinutes READ cwopIntervalMinutes WRITE setCwopIntervalMinutes NOTIFY
            networksChanged)
    Q_PROPERTY(bool windyEnabled READ windyEnabled WRITE setWindyEnabled NOTIFY networksChanged)
    Q_PROPERTY(
        QString windyStationId READ windyStationId WRITE setWindyStationId NOTIFY networksChanged)
    Q_PROPERTY(
        QString windyPassword READ windyPassword WRITE setWindyPassword NOTIFY networksChanged)
    Q_PROPERTY(QString windyUrl READ windyUrl WRITE setWindyUrl NOTIFY networksChanged)
    Q_PROPERTY(int windyIntervalMinutes READ windyIntervalMinutes WRITE setWindyIntervalMinutes
            NOTIFY networksChanged)
    Q_PROPERTY(bool pwsEnabled READ pwsEnabled WRITE setPwsEnabled NOTIFY networksChanged)
    Q_PROPERTY(QString pwsStationId READ pwsStationId WRITE setPwsStationId NOTIFY networksChanged)
    Q_PROPERTY(QString pwsPassword READ pwsPassword WRITE setPwsPassword NOTIFY networksChanged)
    Q_PROPERTY(QString pwsUrl READ pwsUrl WRITE setPwsUrl NOTIFY networksChanged)
    Q_PROPERTY(int pwsIntervalMinutes READ pwsIntervalMinutes WRITE setPwsIntervalMinutes NOTIFY
            networksChanged)
    Q_PROPERTY(bool wowEnabled READ wowEnabled WRITE setWowEnabled NOTIFY networksChanged)
    Q_PROPERTY(QString wowSiteId READ wowSiteId WRITE setWowSiteId NOTIFY networksChanged)
    Q_PROPERTY(QString wowAuthKey READ wowAuthKey WRITE setWowAuthKey NOTIFY networksChanged)
    Q_PROPERTY(QString wowUrl READ wowUrl WRITE setWowUrl NOTIFY networksChanged)
    Q_PROPERTY(int wowIntervalMinutes READ wowIntervalMinutes WRITE setWowIntervalMinutes NOTIFY
            networksChanged)
    // Data quality: calibration in base units, and the checks on or off.
    Q_PROPERTY(double calTemperatureOffset READ calTemperatureOffset WRITE setCalTemperatureOffset
            NOTIFY calTemperatureOffsetChanged)
    Q_PROPERTY(double calHumidityOffset READ calHumidityOffset WRITE setCalHumidityOffset NOTIFY
            calHumidityOffsetChanged)
    Q_PROPERTY(double calPressureOffset READ calPressureOffset WRITE setCalPressureOffset NOTIFY
            calPressureOffsetChanged)
    Q_PROPERTY(double calWindMultiplier READ calWindMultiplier WRITE setCalWindMultiplier NOTIFY
            calWindMultiplierChanged)
    Q_PROPERTY(double calRainMultiplier READ calRainMultiplier WRITE setCalRainMultiplier NOTIFY
            calRainMultiplierChanged)
    Q_PROPERTY(double calSolarMultiplier READ calSolarMultiplier WRITE setCalSolarMultiplier NOTIFY
            calSolarMultiplierChanged)
    Q_PROPERTY(
        bool qualityChecks READ qualityChecks WRITE setQualityChecks NOTIFY qualityChecksChanged)
    // Records and climate reports.
    Q_PROPERTY(bool recordsEnabled READ recordsEnabled WRITE setRecordsEnabled NOTIFY
            recordsEnabledChanged)
    Q_PROPERTY(
        double degreeDayBase READ degreeDayBase WRITE setDegreeDayBase NOTIFY degreeDayBaseChanged)
    // Alarms: a list of maps, one per alarm (Name, Quantity, Condition,
    // Threshold, Clear, Consecutive, LatchMinutes), values in base units.
    Q_PROPERTY(QVariantList alarms READ alarms WRITE setAlarms NOTIFY alarmsChanged)
    Q_PROPERTY(int dataStoppedAlarmSeconds READ dataStoppedAlarmSeconds WRITE
            setDataStoppedAlarmSeconds NOTIFY dataStoppedAlarmSecondsChanged)
    Q_PROPERTY(bool alarmEmailEnabled READ alarmEmailEnabled WRITE setAlarmEmailEnabled NOTIFY
            alarmEmailEnabledChanged)
    Q_PROPERTY(QString smtpHost READ smtpHost WRITE setSmtpHost NOTIFY smtpHostChanged)
    Q_PROPERTY(int smtpPort READ smtpPort WRITE setSmtpPort NOTIFY smtpPortChanged)
    Q_PROPERTY(
        QString smtpSecurity READ smtpSecurity WRITE setSmtpSecurity NOTIFY smtpSecurityChanged)
    Q_PROPERTY(
        QString smtpUsername READ smtpUsername WRITE setSmtpUsername NOTIFY smtpUsernameChanged)
    Q_PROPERTY(
        QString smtpPassword READ smtpPassword WRITE setSmtpPassword NOTIFY smtpPasswordChanged)
    Q_PROPERTY(QString smtpFrom READ smtpFrom WRITE setSmtpFrom NOTIFY smtpFromChanged)
    Q_PROPERTY(QString smtpTo READ smtpTo WRITE setSmtpTo NOTIFY smtpToChanged)
    Q_PROPERTY(bool alarmDesktopNotifications READ alarmDesktopNotifications WRITE
            setAlarmDesktopNotifications NOTIFY alarmDesktopNotificationsChanged)
    Q_PROPERTY(
        QString alarmCommand READ alarmCommand WRITE setAlarmCommand NOTIFY alarmCommandChanged)
    // False where the console was built without libcurl (Windows): the keys
    // are kept, but no mail goes out.
    Q_PROPERTY(bool emailAvailable READ emailAvailable CONSTANT)
    // The web server: each setter emits only on a real change, which restarts it.
    Q_PROPERTY(bool webEnabled READ webEnabled WRITE setWebEnabled NOTIFY webEnabledChanged)
    Q_PROPERTY(int webPort READ webPort WRITE setWebPort NOTIFY webPortChanged)
    Q_PROPERTY(QString webBindAddress READ webBindAddress WRITE setWebBindAddress NOTIFY
            webBindAddressChanged)

public:
    // An empty folder means the per-user data location + "/Quorin/Skyquill".
    // A folder given here is also the CSV log's default folder, so that
    // consoles with folders of their own never write to one file.
    explicit SysSettings(const QString &folder = QString(), QObject *parent = nullptr);
    // `scanner` lists the serial ports, for the first start's choice and the
    // port list; tests hand in a fixed list.
    SysSettings(const QString &folder, SerialPortScanner scanner, QObject *parent = nullptr);
    ~SysSettings() override;

    static QString defaultFolder();

    void setModbusObject(LinkRestarter *modbus) { modbusObject = modbus; }
    // Without one, a credential test fails at once.
    void setCredentialTester(CredentialTester *tester) { credentialTester = tester; }
    // Without one, an MQTT connection test fails at once.
    void setMqttTester(MqttTester *tester) { mqttTester = tester; }
    // Without one, "Send test notification" does nothing.
    void setAlarmTester(AlarmTester *tester) { alarmTester = tester; }

    // SettingsReader
    QVariant value(Setting setting) const override;
    QString folder() const override { return folderPath; }
    QString version() const override;

    // Writes a key through its row: refused values change nothing; an
    // accepted one is stored and signalled as the row says. True when accepted.
    bool set(Setting setting, const QVariant &value);

    QString settingsFilePath() const { return settingsPath; }
    QString lockFilePath() const { return lockPath; }

    Q_INVOKABLE QString getSerialPort() const { return text(Setting::SerialPort); }
    Q_INVOKABLE void setSerialPort(const QString &port);
    Q_INVOKABLE void getAvailablePorts();
    Q_INVOKABLE int getTemperatureUnits() const { return integer(Setting::TempUnits); }
    Q_INVOKABLE void setTemperatureUnits(int units) { set(Setting::TempUnits, units); }
    Q_INVOKABLE int getPressureUnits() const { return integer(Setting::PressUnits); }
    Q_INVOKABLE void setPressureUnits(int units) { set(Setting::PressUnits, units); }
    Q_INVOKABLE int getSpeedUnits() const { return integer(Setting::WindUnits); }
    Q_INVOKABLE void setSpeedUnits(int units) { set(Setting::WindUnits, units); }
    Q_INVOKABLE int getRainUnits() const { return integer(Setting::RainUnits); }
    Q_INVOKABLE void setRainUnits(int units) { set(Setting::RainUnits, units); }
    Q_INVOKABLE int getDistanceUnits() const { return integer(Setting::DistanceUnits); }
    Q_INVOKABLE void setDistanceUnits(int units) { set(Setting::DistanceUnits, units); }
    Q_INVOKABLE int getPressureAdjustment() const { return integer(Setting::PressureAdjustment); }
    Q_INVOKABLE void setPressureAdjustment(int adjustment)
    {
        set(Setting::PressureAdjustment, adjustment);
    }
    Q_INVOKABLE void changeTheme() { set(Setting::Theme, theme() ^ 1); }
    Q_INVOKABLE bool pathExists(const QString &path) const;
    // Whether the serial port `portName` is there, listed or not.
    Q_INVOKABLE bool portExists(const QString &portName) const;
    Q_INVOKABLE bool testSettingsLock(const QString &password) const;
    Q_INVOKABLE void clearSettingsLock();
    Q_INVOKABLE void testCredentials();
    Q_INVOKABLE void testMqttConnection();
    Q_INVOKABLE void sendTestNotification();

    // Labels and gauge scales of the display units.
    QString temperatureUnits() const { return units::temperatureLabel(displayUnits().temperature); }
    int tempRangeLow() const { return units::temperatureRangeLow(displayUnits().temperature); }
    int tempRangeHigh() const { return units::temperatureRangeHigh(displayUnits().temperature); }
    QString pressureUnits() const { return units::pressureLabel(displayUnits().pressure); }
    int pressRangeLow() const { return units::pressureRangeLow(displayUnits().pressure); }
    int pressRangeHigh() const { return units::pressureRangeHigh(displayUnits().pressure); }
    int pressTickSize() const { return units::pressureTickSize(displayUnits().pressure); }
    QString speedUnits() const { return units::speedLabel(displayUnits().speed); }
    int speedRangeHigh() const { return units::speedRangeHigh(displayUnits().speed); }
    QString distanceUnits() const { return units::distanceLabel(displayUnits().distance); }

    int theme() const { return integer(Setting::Theme); }
    QString backgroundColor() const { return colour(theme::Role::Background); }
    QString textColor() const { return colour(theme::Role::Text); }
    QString needleColor2() const { return colour(theme::Role::Needle2); }
    QString needleColor3() const { return colour(theme::Role::Needle3); }
    QString redColor() const { return colour(theme::Role::Red); }
    QString blueColor() const { return colour(theme::Role::Blue); }
    QString shadowColor() const { return colour(theme::Role::Shadow); }

    QStringList portsList() const;
    int updateTime() const { return 1000; }

    QString logPath() const { return text(Setting::LogPath); }
    void setLogPath(const QString &path);
    QString logPrefix() const { return text(Setting::LogPrefix); }
    void setLogPrefix(const QString &prefix) { set(Setting::LogPrefix, prefix); }
    int updateLogSeconds() const { return integer(Setting::UpdateLogSeconds); }
    void setUpdateLogSeconds(int seconds);
    bool logEnabled() const { return flag(Setting::LogEnabled); }
    void setLogEnabled(bool enabled) { set(Setting::LogEnabled, enabled); }

    void setSettingsLockPassword(const QString &password);
    QString settingsLockPasswordText() const { return QString(); }
    bool settingsLocked() const;

    int baudRate() const { return integer(Setting::BaudRate); }
    void setBaudRate(int rate) { set(Setting::BaudRate, rate); }
    int serialNumber() const { return integer(Setting::SerialNumber); }
    void setSerialNumber(int number);
    QString password() const { return text(Setting::Password); }
    void setPassword(const QString &password) { set(Setting::Password, password); }
    int quorinLiveMinutes() const { return integer(Setting::QuorinLiveMinutes); }
    void setQuorinLiveMinutes(int minutes) { set(Setting::QuorinLiveMinutes, minutes); }
    QString wuUsername() const { return text(Setting::WUUsername); }
    void setWuUsername(const QString &name) { set(Setting::WUUsername, name); }
    QString wuPassword() const { return text(Setting::WUPassword); }
    void setWuPassword(const QString &password) { set(Setting::WUPassword, password); }
    QString modbusIP() const { return text(Setting::ModbusIP); }
    void setModbusIP(const QString &ip) { set(Setting::ModbusIP, ip); }
    int modbusPort() const { return integer(Setting::ModbusPort); }
    void setModbusPort(int port) { set(Setting::ModbusPort, port); }
    int modbusID() const { return integer(Setting::ModbusID); }
    void setModbusID(int id) { set(Setting::ModbusID, id); }
    QString modbusServerIP() const;
    int readMode() const { return integer(Setting::ReadMode); }
    void setReadMode(int mode) { set(Setting::ReadMode, mode); }
    int viewMode() const { return integer(Setting::ViewMode); }
    void setViewMode(int mode) { set(Setting::ViewMode, mode); }
    int runwayAngle() const { return integer(Setting::RunwayAngle); }
    void setRunwayAngle(int angle);
    bool debugLogEnabled() const { return flag(Setting::DebugLog); }
    void setDebugLogEnabled(bool enabled) { set(Setting::DebugLog, enabled); }
    // The gateway's TCP port: below 1024 it needs privileges on Linux.
    int gatewayPort() const { return integer(Setting::GatewayPort); }
    void setGatewayPort(int port) { set(Setting::GatewayPort, port); }
    static constexpr int DefaultGatewayPort = 502;

    static bool mqttAvailable();
    bool mqttEnabled() const { return flag(Setting::MqttEnabled); }
    void setMqttEnabled(bool enabled) { set(Setting::MqttEnabled, enabled); }
    QString mqttHost() const { return text(Setting::MqttHost); }
    void setMqttHost(const QString &host) { set(Setting::MqttHost, host); }
    int mqttPort() const { return integer(Setting::MqttPort); }
    void setMqttPort(int port) { set(Setting::MqttPort, port); }
    QString mqttUsername() const { return text(Setting::MqttUsername); }
    void setMqttUsername(const QString &name) { set(Setting::MqttUsername, name); }
    QString mqttPassword() const { return text(Setting::MqttPassword); }
    void setMqttPassword(const QString &password) { set(Setting::MqttPassword, password); }
    bool mqttTls() const { return flag(Setting::MqttTls); }
    void setMqttTls(bool tls) { set(Setting::MqttTls, tls); }
    QString mqttCaFile() const { return text(Setting::MqttCaFile); }
    void setMqttCaFile(const QString &path) { set(Setting::MqttCaFile, path); }
    QString mqttBaseTopic() const { return text(Setting::MqttBaseTopic); }
    void setMqttBaseTopic(const QString &topic) { set(Setting::MqttBaseTopic, topic); }
    int mqttIntervalSeconds() const { return integer(Setting::MqttIntervalSeconds); }
    void setMqttIntervalSeconds(int seconds) { set(Setting::MqttIntervalSeconds, seconds); }
    bool mqttDiscovery() const { return flag(Setting::MqttDiscovery); }
    void setMqttDiscovery(bool discovery) { set(Setting::MqttDiscovery, discovery); }
    QString mqttDiscoveryPrefix() const { return text(Setting::MqttDiscoveryPrefix); }
    void setMqttDiscoveryPrefix(const QString &prefix)
    {
        set(Setting::MqttDiscoveryPrefix, prefix);
    }

    bool archiveEnabled() const { return flag(Setting::ArchiveEnabled); }
    void setArchiveEnabled(bool enabled) { set(Setting::ArchiveEnabled, enabled); }

    double stationLatitude() const { return value(Setting::StationLatitude).toDouble(); }
    void setStationLatitude(double degrees) { set(Setting::StationLatitude, degrees); }
    double stationLongitude() const { return value(Setting::StationLongitude).toDouble(); }
    void setStationLongitude(double degrees) { set(Setting::StationLongitude, degrees); }
    bool cwopEnabled() const { return flag(Setting::CwopEnabled); }
    void setCwopEnabled(bool enabled) { set(Setting::CwopEnabled, enabled); }
    QString cwopStationId() const { return text(Setting::CwopStationId); }
    void setCwopStationId(const QString &id) { set(Setting::CwopStationId, id); }
    QString cwopPasscode() const { return text(Setting::CwopPasscode); }
    void setCwopPasscode(const QString &secret) { set(Setting::CwopPasscode, secret); }
    QString cwopServer() const { return text(Setting::CwopServer); }
    void setCwopServer(const QString &endpoint) { set(Setting::CwopServer, endpoint); }
    int cwopIntervalMinutes() const { return integer(Setting::CwopIntervalMinutes); }
    void setCwopIntervalMinutes(int minutes) { set(Setting::CwopIntervalMinutes, minutes); }
    bool windyEnabled() const { return flag(Setting::WindyEnabled); }
    void setWindyEnabled(bool enabled) { set(Setting::WindyEnabled, enabled); }
    QString windyStationId() const { return text(Setting::WindyStationId); }
    void setWindyStationId(const QString &id) { set(Setting::WindyStationId, id); }
    QString windyPassword() const { return text(Setting::WindyPassword); }
    void setWindyPassword(const QString &secret) { set(Setting::WindyPassword, secret); }
    QString windyUrl() const { return text(Setting::WindyUrl); }
    void setWindyUrl(const QString &endpoint) { set(Setting::WindyUrl, endpoint); }
    int windyIntervalMinutes() const { return integer(Setting::WindyIntervalMinutes); }
    void setWindyIntervalMinutes(int minutes) { set(Setting::WindyIntervalMinutes, minutes); }
    bool pwsEnabled() const { return flag(Setting::PwsEnabled); }
    void setPwsEnabled(bool enabled) { set(Setting::PwsEnabled, enabled); }
    QString pwsStationId() const { return text(Setting::PwsStationId); }
    void setPwsStationId(const QString &id) { set(Setting::PwsStationId, id); }
    QString pwsPassword() const { return text(Setting::PwsPassword); }
    void setPwsPassword(const QString &secret) { set(Setting::PwsPassword, secret); }
    QString pwsUrl() const { return text(Setting::PwsUrl); }
    void setPwsUrl(const QString &endpoint) { set(Setting::PwsUrl, endpoint); }
    int pwsIntervalMinutes() const { return integer(Setting::PwsIntervalMinutes); }
    void setPwsIntervalMinutes(int minutes) { set(Setting::PwsIntervalMinutes, minutes); }
    bool wowEnabled() const { return flag(Setting::WowEnabled); }
    void setWowEnabled(bool enabled) { set(Setting::WowEnabled, enabled); }
    QString wowSiteId() const { return text(Setting::WowSiteId); }
    void setWowSiteId(const QString &id) { set(Setting::WowSiteId, id); }
    QString wowAuthKey() const { return text(Setting::WowAuthKey); }
    void setWowAuthKey(const QString &secret) { set(Setting::WowAuthKey, secret); }
    QString wowUrl() const { return text(Setting::WowUrl); }
    void setWowUrl(const QString &endpoint) { set(Setting::WowUrl, endpoint); }
    int wowIntervalMinutes() const { return integer(Setting::WowIntervalMinutes); }
    void setWowIntervalMinutes(int minutes) { set(Setting::WowIntervalMinutes, minutes); }
    double calTemperatureOffset() const { return number(Setting::CalTemperatureOffset); }
    void setCalTemperatureOffset(double c) { set(Setting::CalTemperatureOffset, c); }
    double calHumidityOffset() const { return number(Setting::CalHumidityOffset); }
    void setCalHumidityOffset(double pct) { set(Setting::CalHumidityOffset, pct); }
    double calPressureOffset() const { return number(Setting::CalPressureOffset); }
    void setCalPressureOffset(double hpa) { set(Setting::CalPressureOffset, hpa); }
    double calWindMultiplier() const { return number(Setting::CalWindMultiplier); }
    void setCalWindMultiplier(double m) { set(Setting::CalWindMultiplier, m); }
    double calRainMultiplier() const { return number(Setting::CalRainMultiplier); }
    void setCalRainMultiplier(double m) { set(Setting::CalRainMultiplier, m); }
    double calSolarMultiplier() const { return number(Setting::CalSolarMultiplier); }
    void setCalSolarMultiplier(double m) { set(Setting::CalSolarMultiplier, m); }
    bool qualityChecks() const { return flag(Setting::QualityChecks); }
    void setQualityChecks(bool on) { set(Setting::QualityChecks, on); }
    bool recordsEnabled() const { return flag(Setting::RecordsEnabled); }
    void setRecordsEnabled(bool enabled) { set(Setting::RecordsEnabled, enabled); }
    // °C
    double degreeDayBase() const { return number(Setting::DegreeDayBase); }
    void setDegreeDayBase(double celsius) { set(Setting::DegreeDayBase, celsius); }
    QVariantList alarms() const { return value(Setting::Alarms).toList(); }
    void setAlarms(const QVariantList &list) { set(Setting::Alarms, list); }
    int dataStoppedAlarmSeconds() const { return integer(Setting::DataStoppedAlarmSeconds); }
    void setDataStoppedAlarmSeconds(int seconds) { set(Setting::DataStoppedAlarmSeconds, seconds); }
    bool alarmEmailEnabled() const { return flag(Setting::AlarmEmailEnabled); }
    void setAlarmEmailEnabled(bool enabled) { set(Setting::AlarmEmailEnabled, enabled); }
    QString smtpHost() const { return text(Setting::SmtpHost); }
    void setSmtpHost(const QString &host) { set(Setting::SmtpHost, host); }
    int smtpPort() const { return integer(Setting::SmtpPort); }
    void setSmtpPort(int port) { set(Setting::SmtpPort, port); }
    QString smtpSecurity() const { return text(Setting::SmtpSecurity); }
    void setSmtpSecurity(const QString &security) { set(Setting::SmtpSecurity, security); }
    QString smtpUsername() const { return text(Setting::SmtpUsername); }
    void setSmtpUsername(const QString &name) { set(Setting::SmtpUsername, name); }
    QString smtpPassword() const { return text(Setting::SmtpPassword); }
    void setSmtpPassword(const QString &password) { set(Setting::SmtpPassword, password); }
    QString smtpFrom() const { return text(Setting::SmtpFrom); }
    void setSmtpFrom(const QString &from) { set(Setting::SmtpFrom, from); }
    QString smtpTo() const { return text(Setting::SmtpTo); }
    void setSmtpTo(const QString &to) { set(Setting::SmtpTo, to); }
    bool alarmDesktopNotifications() const { return flag(Setting::AlarmDesktopNotifications); }
    void setAlarmDesktopNotifications(bool on) { set(Setting::AlarmDesktopNotifications, on); }
    QString alarmCommand() const { return text(Setting::AlarmCommand); }
    void setAlarmCommand(const QString &command) { set(Setting::AlarmCommand, command); }
    static bool emailAvailable();
    bool webEnabled() const { return flag(Setting::WebEnabled); }
    void setWebEnabled(bool enabled) { set(Setting::WebEnabled, enabled); }
    int webPort() const { return integer(Setting::WebPort); }
    void setWebPort(int port) { set(Setting::WebPort, port); }
    static constexpr int DefaultWebPort = 8080;
    // Empty: every interface; otherwise one IP address of this machine.
    QString webBindAddress() const { return text(Setting::WebBindAddress); }
    void setWebBindAddress(const QString &address) { set(Setting::WebBindAddress, address); }

signals:
    // Beside the property's own signal, for every key written: what the
    // services' settings are rebuilt on.
    void settingChanged(const QString &key);
    void error(const QString &message);
    void settingsLockChanged();
    // A lock password that cannot be stored; the lock in place is kept.
    void settingsLockRefused(const QString &message);
    void unitsChanged();
    void themeChanged();
    void portsListChanged();
    void logPathChanged();
    void logPrefixChanged();
    void updateLogSecondsChanged();
    void logEnabledChanged();
    void baudRateChanged();
    void serialNumberChanged();
    void passwordChanged();
    void quorinLiveMinutesChanged();
    void testCredentialsResult(bool result);
    // The portal did not judge the credentials: `reason` says what happened
    // instead, as the page shows it. Comes just before
    // testCredentialsResult(false).
    void testCredentialsUnreachable(const QString &reason);
    void wuUsernameChanged();
    void wuPasswordChanged();
    void modbusIPChanged();
    void modbusPortChanged();
    void modbusIDChanged();
    void readModeChanged();
    void viewModeChanged();
    void runwayAngleChanged();
    void debugLogEnableChanged();
    void versionChanged();
    void gatewayPortChanged();
    void mqttEnabledChanged();
    void mqttHostChanged();
    void mqttPortChanged();
    void mqttUsernameChanged();
    void mqttPasswordChanged();
    void mqttTlsChanged();
    void mqttCaFileChanged();
    void mqttBaseTopicChanged();
    void mqttIntervalSecondsChanged();
    void mqttDiscoveryChanged();
    void mqttDiscoveryPrefixChanged();
    void testMqttConnectionResult(const QString &result);
    void archiveEnabledChanged();
    void networksChanged();
    void calTemperatureOffsetChanged();
    void calHumidityOffsetChanged();
    void calPressureOffsetChanged();
    void calWindMultiplierChanged();
    void calRainMultiplierChanged();
    void calSolarMultiplierChanged();
    void qualityChecksChanged();
    void recordsEnabledChanged();
    void degreeDayBaseChanged();
    void alarmsChanged();
    void dataStoppedAlarmSecondsChanged();
    void alarmEmailEnabledChanged();
    void smtpHostChanged();
    void smtpPortChanged();
    void smtpSecurityChanged();
    void smtpUsernameChanged();
    void smtpPasswordChanged();
    void smtpFromChanged();
    void smtpToChanged();
    void alarmDesktopNotificationsChanged();
    void alarmCommandChanged();
    void webEnabledChanged();
    void webPortChanged();
    void webBindAddressChanged();

private:
    QString colour(theme::Role role) const
    {
        return QString::fromLatin1(theme::colour(theme(), role));
    }
    // A key's value in the store, or its default; the caller holds the lock.
    QVariant stored(const SettingRow &row) const;
    void takePorts(const QList<SerialPortEntry> &entries);
    void writeLockFile(const QString &digest);
    void restartLink(const QString &line);

    QString lockHash;
    std::unique_ptr<QSettings> settingsStore;
    QString folderPath;
    bool folderGiven = false;
    QString settingsPath;
    QString lockPath;
    LinkRestarter *modbusObject = nullptr;
    CredentialTester *credentialTester = nullptr;
    MqttTester *mqttTester = nullptr;
    AlarmTester *alarmTester = nullptr;

    QStringList ports;
    // The list is made when first read: the dashboard never reads it, and a
    // scan costs tens of milliseconds of start-up.
    mutable std::atomic<bool> portsScanned { false };
    SerialPortScanner portScanner;

    // Guards the store, which the acquisition thread reads too. The store is
    // read at each call, so a key edited by hand in the file counts at once.
    mutable QMutex mutex;
};

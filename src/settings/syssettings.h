#pragma once

#include <QMutex>
#include <QObject>
#include <QSettings>
#include <QStringList>

#include "serialports.h"

#include <atomic>
#include <memory>

class CredentialTester;
class LinkRestarter;
class MqttTester;

// The console's configuration: persisted in settings.ini / settingslock.ini,
// published to QML as "Settings", read by the back end through plain getters.
// Getters are called from the acquisition thread too, so cached numbers are
// atomics and texts and the store sit behind a short lock.
class SysSettings : public QObject
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
    Q_PROPERTY(QString settingsLockPassword READ settingsLockPasswordText WRITE setSettingsLockPassword)
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
    Q_PROPERTY(QString mqttUsername READ mqttUsername WRITE setMqttUsername NOTIFY
                       mqttUsernameChanged)
    Q_PROPERTY(QString mqttPassword READ mqttPassword WRITE setMqttPassword NOTIFY
                       mqttPasswordChanged)
    Q_PROPERTY(bool mqttTls READ mqttTls WRITE setMqttTls NOTIFY mqttTlsChanged)
    Q_PROPERTY(QString mqttCaFile READ mqttCaFile WRITE setMqttCaFile NOTIFY mqttCaFileChanged)
    Q_PROPERTY(QString mqttBaseTopic READ mqttBaseTopic WRITE setMqttBaseTopic NOTIFY
                       mqttBaseTopicChanged)
    Q_PROPERTY(int mqttIntervalSeconds READ mqttIntervalSeconds WRITE setMqttIntervalSeconds
                       NOTIFY mqttIntervalSecondsChanged)
    Q_PROPERTY(bool mqttDiscovery READ mqttDiscovery WRITE setMqttDiscovery NOTIFY
                       mqttDiscoveryChanged)
    Q_PROPERTY(QString mqttDiscoveryPrefix READ mqttDiscoveryPrefix WRITE setMqttDiscoveryPrefix
                       NOTIFY mqttDiscoveryPrefixChanged)
    // False where the console was built without its broker client (Windows):
    // the keys above are kept, but nothing is published.
    Q_PROPERTY(bool mqttAvailable READ mqttAvailable CONSTANT)
    Q_PROPERTY(bool archiveEnabled READ archiveEnabled WRITE setArchiveEnabled NOTIFY
                       archiveEnabledChanged)

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

    QString folder() const { return folderPath; }
    QString settingsFilePath() const { return settingsPath; }
    QString lockFilePath() const { return lockPath; }

    Q_INVOKABLE QString getSerialPort() const;
    Q_INVOKABLE void setSerialPort(const QString &port);
    Q_INVOKABLE void getAvailablePorts();
    Q_INVOKABLE int getTemperatureUnits() const { return temperatureUnitsIndex; }
    Q_INVOKABLE void setTemperatureUnits(int units);
    Q_INVOKABLE int getPressureUnits() const { return pressureUnitsIndex; }
    Q_INVOKABLE void setPressureUnits(int units);
    Q_INVOKABLE int getSpeedUnits() const { return speedUnitsIndex; }
    Q_INVOKABLE void setSpeedUnits(int units);
    Q_INVOKABLE int getRainUnits() const { return rainUnitsIndex; }
    Q_INVOKABLE void setRainUnits(int units);
    Q_INVOKABLE int getDistanceUnits() const { return distanceUnitsIndex; }
    Q_INVOKABLE void setDistanceUnits(int units);
    Q_INVOKABLE int getPressureAdjustment() const { return pressureAdjustment; }
    Q_INVOKABLE void setPressureAdjustment(int adjustment);
    Q_INVOKABLE void changeTheme();
    Q_INVOKABLE bool pathExists(const QString &path) const;
    Q_INVOKABLE bool testSettingsLock(const QString &password) const;
    Q_INVOKABLE void clearSettingsLock();
    Q_INVOKABLE void testCredentials();
    Q_INVOKABLE void testMqttConnection();

    QString temperatureUnits() const;
    int tempRangeLow() const;
    int tempRangeHigh() const;
    QString pressureUnits() const;
    int pressRangeLow() const;
    int pressRangeHigh() const;
    int pressTickSize() const;
    QString speedUnits() const;
    int speedRangeHigh() const;
    QString distanceUnits() const;

    int theme() const { return themeIndex; }
    QString backgroundColor() const;
    QString textColor() const;
    QString needleColor2() const;
    QString needleColor3() const;
    QString redColor() const;
    QString blueColor() const;
    QString shadowColor() const;

    QStringList portsList() const;
    int updateTime() const { return 1000; }

    QString logPath() const;
    void setLogPath(const QString &path);
    QString logPrefix() const;
    void setLogPrefix(const QString &prefix);
    int updateLogSeconds() const;
    void setUpdateLogSeconds(int seconds);
    bool logEnabled() const;
    void setLogEnabled(bool enabled);
    QString version() const;

    void setSettingsLockPassword(const QString &password);
    QString settingsLockPasswordText() const { return QString(); }
    bool settingsLocked() const;

    int baudRate() const { return baudRateValue; }
    void setBaudRate(int rate);
    int serialNumber() const { return serialNumberValue; }
    void setSerialNumber(int number);
    QString password() const;
    void setPassword(const QString &password);
    int quorinLiveMinutes() const { return quorinLiveMinutesValue; }
    void setQuorinLiveMinutes(int minutes);
    QString wuUsername() const;
    void setWuUsername(const QString &name);
    QString wuPassword() const;
    void setWuPassword(const QString &password);
    QString modbusIP() const;
    void setModbusIP(const QString &ip);
    int modbusPort() const { return modbusPortValue; }
    void setModbusPort(int port);
    int modbusID() const { return modbusIDValue; }
    void setModbusID(int id);
    QString modbusServerIP() const;
    int readMode() const { return readModeValue; }
    void setReadMode(int mode);
    int viewMode() const { return viewModeValue; }
    void setViewMode(int mode);
    int runwayAngle() const { return runwayAngleValue; }
    void setRunwayAngle(int angle);
    bool debugLogEnabled() const { return debugLogValue; }
    void setDebugLogEnabled(bool enabled);
    // The gateway's TCP port: below 1024 it needs privileges on Linux.
    int gatewayPort() const { return gatewayPortValue; }
    void setGatewayPort(int port);
    static constexpr int DefaultGatewayPort = 502;

    static bool mqttAvailable();
    bool mqttEnabled() const { return mqttEnabledValue; }
    void setMqttEnabled(bool enabled);
    QString mqttHost() const;
    void setMqttHost(const QString &host);
    int mqttPort() const { return mqttPortValue; }
    void setMqttPort(int port);
    QString mqttUsername() const;
    void setMqttUsername(const QString &name);
    QString mqttPassword() const;
    void setMqttPassword(const QString &password);
    bool mqttTls() const { return mqttTlsValue; }
    void setMqttTls(bool tls);
    QString mqttCaFile() const;
    void setMqttCaFile(const QString &path);
    QString mqttBaseTopic() const;
    void setMqttBaseTopic(const QString &topic);
    int mqttIntervalSeconds() const { return mqttIntervalValue; }
    void setMqttIntervalSeconds(int seconds);
    bool mqttDiscovery() const { return mqttDiscoveryValue; }
    void setMqttDiscovery(bool discovery);
    QString mqttDiscoveryPrefix() const;
    void setMqttDiscoveryPrefix(const QString &prefix);

    bool archiveEnabled() const { return archiveValue; }
    void setArchiveEnabled(bool enabled);

signals:
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
    // The portal could not be reached, so the credentials were not judged;
    // comes just before testCredentialsResult(false).
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

private:
    QVariant storeValue(const QString &key, const QVariant &fallback) const;
    void takePorts(const QList<SerialPortEntry> &entries);
    void storeWrite(const QString &key, const QVariant &value);
    void writeLockFile(const QString &digest);
    void restartLink(const char *reason);
    QString lockedText(const QString &member) const;
    void setText(QString &member, const QString &value);
    void loadMqtt();
    bool setMqttText(QString &member, const QString &key, const QString &value);

    QString lockHash;
    std::unique_ptr<QSettings> settingsStore;
    QString folderPath;
    bool folderGiven = false;
    QString settingsPath;
    QString lockPath;
    LinkRestarter *modbusObject = nullptr;
    CredentialTester *credentialTester = nullptr;
    MqttTester *mqttTester = nullptr;

    std::atomic<int> temperatureUnitsIndex { 1 };
    std::atomic<int> pressureUnitsIndex { 2 };
    std::atomic<int> speedUnitsIndex { 0 };
    std::atomic<int> rainUnitsIndex { 1 };
    std::atomic<int> distanceUnitsIndex { 0 };
    std::atomic<int> themeIndex { 0 };
    std::atomic<int> pressureAdjustment { 0 };
    std::atomic<int> baudRateValue { 19200 };
    QStringList ports;
    // The list is made when first read: the dashboard never reads it, and a
    // scan costs tens of milliseconds of start-up.
    mutable std::atomic<bool> portsScanned { false };
    SerialPortScanner portScanner;
    std::atomic<int> serialNumberValue { 0 };
    QString portalPassword;
    std::atomic<int> quorinLiveMinutesValue { 10 };
    QString wuUser;
    QString wuPass;
    QString modbusIPValue;
    std::atomic<int> modbusPortValue { 502 };
    std::atomic<int> modbusIDValue { 1 };
    std::atomic<int> readModeValue { 0 };
    std::atomic<int> viewModeValue { 0 };
    std::atomic<int> runwayAngleValue { -99 };
    std::atomic<bool> debugLogValue { false };
    std::atomic<int> gatewayPortValue { DefaultGatewayPort };
    std::atomic<bool> mqttEnabledValue { false };
    QString mqttHostValue;
    std::atomic<int> mqttPortValue { 1883 };
    QString mqttUsernameValue;
    QString mqttPasswordValue;
    std::atomic<bool> mqttTlsValue { false };
    QString mqttCaFileValue;
    QString mqttBaseTopicValue;
    std::atomic<int> mqttIntervalValue { 10 };
    std::atomic<bool> mqttDiscoveryValue { true };
    QString mqttDiscoveryPrefixValue;
    std::atomic<bool> archiveValue { true };

    // Guards the store and the text members, which the acquisition thread reads.
    mutable QMutex mutex;
};

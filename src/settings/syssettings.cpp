#include "syssettings.h"

#include "credentialtester.h"
#include "linkrestarter.h"
#include "settingslock.h"
#include "units.h"

#include "skyquillversion.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QMutexLocker>
#include <QNetworkInterface>
#include <QStandardPaths>

namespace {

const QString keySerialPort = QStringLiteral("SerialPort");
const QString keyLogEnabled = QStringLiteral("LogEnabled");
const QString keyLogPath = QStringLiteral("LogPath");
const QString keyLogPrefix = QStringLiteral("LogPrefix");
const QString keyUpdateLogSeconds = QStringLiteral("UpdateLogSeconds");
const QString keyLock = QStringLiteral("settingslock");
const QString keyGatewayPort = QStringLiteral("GatewayPort");

bool validGatewayPort(int port)
{
    return port >= 1 && port <= 65535;
}

#ifdef Q_OS_WIN
constexpr auto defaultLogLocation = QStandardPaths::AppLocalDataLocation;
#else
constexpr auto defaultLogLocation = QStandardPaths::AppDataLocation;
#endif

} // namespace

QString SysSettings::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/Quorin/Skyquill");
}

SysSettings::SysSettings(const QString &folder, QObject *parent)
    : SysSettings(folder, [] { return serialports::scan(); }, parent)
{
}

SysSettings::SysSettings(const QString &folder, SerialPortScanner scanner, QObject *parent)
    : QObject(parent)
    , folderPath(folder.isEmpty() ? defaultFolder() : folder)
    , folderGiven(!folder.isEmpty())
    , portScanner(std::move(scanner))
{
    qDebug() << "configuring system";
    QDir().mkpath(folderPath);
    lockPath = folderPath + QStringLiteral("/settingslock.ini");
    settingsPath = folderPath + QStringLiteral("/settings.ini");
    qDebug() << "Location:" << settingsPath;

    if (!QFileInfo::exists(settingsPath)) {
#ifdef Q_OS_WIN
        const serialports::FirstRunChoice choice { QStringLiteral("COM1"),
            QStringLiteral("the Windows default") };
#else
        // COM1 means nothing here; an adapter that is plainly the station's is.
        const QList<SerialPortEntry> found = portScanner();
        takePorts(found);
        const serialports::FirstRunChoice choice = serialports::chooseFirstRunPort(found);
#endif
        qDebug().noquote()
            << QStringLiteral("First start: serial port %1 (%2)").arg(choice.port, choice.reason);
        QSettings seed(settingsPath, QSettings::IniFormat);
        seed.setValue(keySerialPort, choice.port);
        seed.sync();
    }

    settingsStore = std::make_unique<QSettings>(settingsPath, QSettings::IniFormat);
    QSettings &s = *settingsStore;
    themeIndex = s.value(QStringLiteral("Theme"), 0).toInt();
    temperatureUnitsIndex = s.value(QStringLiteral("TempUnits"), 1).toInt();
    pressureUnitsIndex = s.value(QStringLiteral("PressUnits"), 2).toInt();
    speedUnitsIndex = s.value(QStringLiteral("WindUnits"), 0).toInt();
    rainUnitsIndex = s.value(QStringLiteral("RainUnits"), 1).toInt();
    distanceUnitsIndex = s.value(QStringLiteral("DistanceUnits"), 0).toInt();
    pressureAdjustment = s.value(QStringLiteral("PressureAdjustment"), 0).toInt();
    baudRateValue = s.value(QStringLiteral("BaudRate"), 19200).toInt();
    serialNumberValue = s.value(QStringLiteral("SerialNumber"), 0).toInt();
    portalPassword = s.value(QStringLiteral("Password"), QString()).toString();
    quorinLiveMinutesValue = s.value(QStringLiteral("QuorinLiveMinutes"), 10).toInt();
    wuUser = s.value(QStringLiteral("WUUsername"), QString()).toString();
    wuPass = s.value(QStringLiteral("WUPassword"), QString()).toString();
    modbusIPValue = s.value(QStringLiteral("ModbusIP"), QString()).toString();
    modbusPortValue = s.value(QStringLiteral("ModbusPort"), 502).toInt();
    modbusIDValue = s.value(QStringLiteral("ModbusID"), 1).toInt();
    readModeValue = s.value(QStringLiteral("ReadMode"), 0).toInt();
    viewModeValue = s.value(QStringLiteral("ViewMode"), 0).toInt();
    runwayAngleValue = s.value(QStringLiteral("RunwayAngle"), -99).toInt();
    debugLogValue = s.value(QStringLiteral("DebugLog"), false).toBool();
    // A hand-edited port out of range serves on the usual one.
    const int port = s.value(keyGatewayPort, DefaultGatewayPort).toInt();
    gatewayPortValue = validGatewayPort(port) ? port : DefaultGatewayPort;
    loadMqtt();
    archiveValue = s.value(QStringLiteral("ArchiveEnabled"), true).toBool();

    {
        QSettings lock(lockPath, QSettings::IniFormat);
        lockHash = lock.value(keyLock, QString()).toString();
    }
}

SysSettings::~SysSettings() = default;

QVariant SysSettings::storeValue(const QString &key, const QVariant &fallback) const
{
    QMutexLocker locker(&mutex);
    return settingsStore->value(key, fallback);
}

void SysSettings::storeWrite(const QString &key, const QVariant &value)
{
    QMutexLocker locker(&mutex);
    settingsStore->setValue(key, value);
}

QString SysSettings::lockedText(const QString &member) const
{
    QMutexLocker locker(&mutex);
    return member;
}

void SysSettings::setText(QString &member, const QString &value)
{
    QMutexLocker locker(&mutex);
    member = value;
}

void SysSettings::restartLink(const char *reason)
{
    if (!modbusObject)
        return;
    qDebug() << reason;
    modbusObject->restart();
}

// --- serial ports -----------------------------------------------------------

QString SysSettings::getSerialPort() const
{
    return storeValue(keySerialPort, QStringLiteral("COM5")).toString();
}

void SysSettings::setSerialPort(const QString &port)
{
    if (getSerialPort() != port) {
        qDebug() << "Port changed to" << port;
        QMutexLocker locker(&mutex);
        settingsStore->setValue(keySerialPort, port);
        settingsStore->sync();
    }
    restartLink("Restarting modbus object because serial port changed");
}

void SysSettings::getAvailablePorts()
{
    takePorts(portScanner());
    emit portsListChanged();
}

void SysSettings::takePorts(const QList<SerialPortEntry> &entries)
{
    QStringList found;
    for (const SerialPortEntry &entry : entries) {
        qDebug() << "serial port " << entry.portName << " with description: " << entry.description
                 << " and vendorIdentifier: " << entry.vendorId;
        found.append(entry.portName);
        // Offered too, since it still names the adapter after a replug.
        if (!entry.byIdAlias.isEmpty() && !found.contains(entry.byIdAlias)) {
            qDebug() << "serial port " << entry.portName << " also named " << entry.byIdAlias;
            found.append(entry.byIdAlias);
        }
    }
    found.sort(Qt::CaseSensitive);
    QMutexLocker locker(&mutex);
    ports = found;
    portsScanned = true;
}

QStringList SysSettings::portsList() const
{
    if (!portsScanned)
        const_cast<SysSettings *>(this)->takePorts(portScanner());
    QMutexLocker locker(&mutex);
    return ports;
}

// --- units --------------------------------------------------------------------

void SysSettings::setTemperatureUnits(int units)
{
    temperatureUnitsIndex = units;
    storeWrite(QStringLiteral("TempUnits"), units);
    emit unitsChanged();
}

void SysSettings::setPressureUnits(int units)
{
    pressureUnitsIndex = units;
    storeWrite(QStringLiteral("PressUnits"), units);
    emit unitsChanged();
}

void SysSettings::setSpeedUnits(int units)
{
    speedUnitsIndex = units;
    storeWrite(QStringLiteral("WindUnits"), units);
    emit unitsChanged();
}

void SysSettings::setRainUnits(int units)
{
    rainUnitsIndex = units;
    storeWrite(QStringLiteral("RainUnits"), units);
    emit unitsChanged();
}

void SysSettings::setDistanceUnits(int units)
{
    distanceUnitsIndex = units;
    storeWrite(QStringLiteral("DistanceUnits"), units);
    emit unitsChanged();
}

void SysSettings::setPressureAdjustment(int adjustment)
{
    if (adjustment != 0 && adjustment != 1)
        return;
    pressureAdjustment = adjustment;
    storeWrite(QStringLiteral("PressureAdjustment"), adjustment);
    emit unitsChanged();
}

QString SysSettings::temperatureUnits() const
{
    return units::temperatureLabel(temperatureUnitsIndex);
}

int SysSettings::tempRangeLow() const
{
    return units::temperatureRangeLow(temperatureUnitsIndex);
}

int SysSettings::tempRangeHigh() const
{
    return units::temperatureRangeHigh(temperatureUnitsIndex);
}

QString SysSettings::pressureUnits() const
{
    return units::pressureLabel(pressureUnitsIndex);
}

int SysSettings::pressRangeLow() const
{
    return units::pressureRangeLow(pressureUnitsIndex);
}

int SysSettings::pressRangeHigh() const
{
    return units::pressureRangeHigh(pressureUnitsIndex);
}

int SysSettings::pressTickSize() const
{
    return units::pressureTickSize(pressureUnitsIndex);
}

QString SysSettings::speedUnits() const
{
    return units::speedLabel(speedUnitsIndex);
}

int SysSettings::speedRangeHigh() const
{
    return units::speedRangeHigh(speedUnitsIndex);
}

QString SysSettings::distanceUnits() const
{
    return units::distanceLabel(distanceUnitsIndex);
}

// --- theme --------------------------------------------------------------------

void SysSettings::changeTheme()
{
    themeIndex = themeIndex ^ 1;
    storeWrite(QStringLiteral("Theme"), int(themeIndex));
    emit themeChanged();
}

QString SysSettings::backgroundColor() const
{
    return QString::fromLatin1(theme::palette(themeIndex).background);
}

QString SysSettings::textColor() const
{
    return QString::fromLatin1(theme::palette(themeIndex).text);
}

QString SysSettings::needleColor2() const
{
    return QString::fromLatin1(theme::palette(themeIndex).needle2);
}

QString SysSettings::needleColor3() const
{
    return QString::fromLatin1(theme::palette(themeIndex).needle3);
}

QString SysSettings::redColor() const
{
    return QString::fromLatin1(theme::palette(themeIndex).red);
}

QString SysSettings::blueColor() const
{
    return QString::fromLatin1(theme::palette(themeIndex).blue);
}

QString SysSettings::shadowColor() const
{
    return QString::fromLatin1(theme::palette(themeIndex).shadow);
}

// --- settings lock ------------------------------------------------------------

void SysSettings::writeLockFile(const QString &digest)
{
    QSettings lock(lockPath, QSettings::IniFormat);
    lock.setValue(keyLock, digest);
    emit settingsLockChanged();
}

void SysSettings::setSettingsLockPassword(const QString &password)
{
    if (password.isEmpty())
        return;
    const QString digest = settingsLockDigest(password);
    // The stored text ends at the digest's first zero byte: with a zero first
    // byte nothing would be stored and the settings would stay open.
    if (digest.isEmpty()) {
        emit settingsLockRefused(QStringLiteral("Choose another password"));
        return;
    }
    lockHash = digest;
    writeLockFile(lockHash);
}

bool SysSettings::settingsLocked() const
{
    return !lockHash.isEmpty();
}

bool SysSettings::testSettingsLock(const QString &password) const
{
    return settingsLockDigest(password) == lockHash;
}

void SysSettings::clearSettingsLock()
{
    lockHash.clear();
    writeLockFile(QString());
}

// --- portal credential test ------------------------------------------------------

void SysSettings::testCredentials()
{
    if (credentialTester)
        credentialTester->testCredentials(serialNumber(), password());
    else
        emit testCredentialsResult(false);
}

// --- data log -----------------------------------------------------------------

QString SysSettings::logPath() const
{
    // DataLocation: the local profile on Windows, not the roaming one a
    // growing log has no place in; elsewhere the same folder as before.
    const QString fallback = folderGiven
            ? folderPath
            : QStandardPaths::writableLocation(defaultLogLocation);
    return storeValue(keyLogPath, fallback).toString();
}

void SysSettings::setLogPath(const QString &path)
{
    QDir dir(path);
    if (path.isEmpty() || !(dir.exists() || dir.mkpath(QStringLiteral(".")))) {
        emit error(QStringLiteral("Unable to write to or create log path"));
        return;
    }
    storeWrite(keyLogPath, path);
    emit logPathChanged();
}

QString SysSettings::logPrefix() const
{
    return storeValue(keyLogPrefix, QStringLiteral("logfile-")).toString();
}

void SysSettings::setLogPrefix(const QString &prefix)
{
    storeWrite(keyLogPrefix, prefix);
    emit logPrefixChanged();
}

int SysSettings::updateLogSeconds() const
{
    return storeValue(keyUpdateLogSeconds, 600).toInt();
}

void SysSettings::setUpdateLogSeconds(int seconds)
{
    qDebug() << "Setting update log seconds to " << seconds;
    if (seconds < 2 || seconds > 3600)
        return;
    storeWrite(keyUpdateLogSeconds, seconds);
    emit updateLogSecondsChanged();
}

bool SysSettings::logEnabled() const
{
    return storeValue(keyLogEnabled, false).toBool();
}

void SysSettings::setLogEnabled(bool enabled)
{
    storeWrite(keyLogEnabled, enabled);
    emit logEnabledChanged();
}

bool SysSettings::pathExists(const QString &path) const
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isDir() && info.isReadable();
}

QString SysSettings::version() const
{
    return QStringLiteral(SKYQUILL_VERSION);
}

// --- station link and portal ----------------------------------------------

void SysSettings::setBaudRate(int rate)
{
    if (rate != 9600 && rate != 19200 && rate != 38400)
        return;
    baudRateValue = rate;
    storeWrite(QStringLiteral("BaudRate"), rate);
    emit baudRateChanged();
    restartLink("Restarting modbus object because baud rate changed");
}

void SysSettings::setSerialNumber(int number)
{
    if (number < 0 || number > 200000)
        return;
    qDebug() << "Setting serial number to " << number;
    serialNumberValue = number;
    storeWrite(QStringLiteral("SerialNumber"), number);
    emit serialNumberChanged();
}

QString SysSettings::password() const
{
    return lockedText(portalPassword);
}

void SysSettings::setPassword(const QString &password)
{
    if (password == this->password())
        return;
    setText(portalPassword, password);
    storeWrite(QStringLiteral("Password"), password);
    emit passwordChanged();
}

void SysSettings::setQuorinLiveMinutes(int minutes)
{
    if (minutes < 1 || minutes > 60)
        return;
    quorinLiveMinutesValue = minutes;
    storeWrite(QStringLiteral("QuorinLiveMinutes"), minutes);
    emit quorinLiveMinutesChanged();
}

QString SysSettings::wuUsername() const
{
    return lockedText(wuUser);
}

void SysSettings::setWuUsername(const QString &name)
{
    setText(wuUser, name);
    storeWrite(QStringLiteral("WUUsername"), name);
    emit wuUsernameChanged();
}

QString SysSettings::wuPassword() const
{
    return lockedText(wuPass);
}

void SysSettings::setWuPassword(const QString &password)
{
    setText(wuPass, password);
    storeWrite(QStringLiteral("WUPassword"), password);
    emit wuPasswordChanged();
}

QString SysSettings::modbusIP() const
{
    return lockedText(modbusIPValue);
}

void SysSettings::setModbusIP(const QString &ip)
{
    setText(modbusIPValue, ip);
    storeWrite(QStringLiteral("ModbusIP"), ip);
    emit modbusIPChanged();
    restartLink("Restarting modbus object because ip changed");
}

void SysSettings::setModbusPort(int port)
{
    modbusPortValue = port;
    storeWrite(QStringLiteral("ModbusPort"), port);
    emit modbusPortChanged();
    restartLink("Restarting modbus object because port changed");
}

void SysSettings::setModbusID(int id)
{
    modbusIDValue = id;
    storeWrite(QStringLiteral("ModbusID"), id);
    emit modbusIDChanged();
    restartLink("Restarting modbus object because modbus id changed");
}

QString SysSettings::modbusServerIP() const
{
    QStringList addresses;
    const auto all = QNetworkInterface::allAddresses();
    for (const QHostAddress &address : all) {
        if (address.isLoopback() || address.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        addresses.append(address.toString());
    }
    return addresses.join(QStringLiteral(", "));
}

void SysSettings::setReadMode(int mode)
{
    if (mode != 0 && mode != 1)
        return;
    readModeValue = mode;
    storeWrite(QStringLiteral("ReadMode"), mode);
    emit readModeChanged();
    if (modbusObject) {
        qDebug() << "Restarting modbus object because read mode changed mode is now " << mode;
        modbusObject->restart();
    }
}

void SysSettings::setViewMode(int mode)
{
    if (mode != 0 && mode != 1)
        return;
    viewModeValue = mode;
    storeWrite(QStringLiteral("ViewMode"), mode);
    emit viewModeChanged();
}

void SysSettings::setRunwayAngle(int angle)
{
    if (angle != -99 && (angle < 0 || angle > 36)) {
        qDebug() << "Invalid angle, ignoring";
        return;
    }
    runwayAngleValue = angle;
    storeWrite(QStringLiteral("RunwayAngle"), angle);
    emit runwayAngleChanged();
}

void SysSettings::setDebugLogEnabled(bool enabled)
{
    if (enabled == debugLogValue)
        return;
    debugLogValue = enabled;
    storeWrite(QStringLiteral("DebugLog"), enabled);
    emit debugLogEnableChanged();
}

void SysSettings::setGatewayPort(int port)
{
    if (!validGatewayPort(port) || port == gatewayPortValue)
        return;
    gatewayPortValue = port;
    storeWrite(keyGatewayPort, port);
    emit gatewayPortChanged();
}

void SysSettings::setArchiveEnabled(bool enabled)
{
    if (enabled == archiveValue)
        return;
    archiveValue = enabled;
    storeWrite(QStringLiteral("ArchiveEnabled"), enabled);
    emit archiveEnabledChanged();
}

#include "syssettings.h"

#include "alarmtester.h"
#include "credentialtester.h"
#include "linkrestarter.h"
#include "mqtttester.h"
#include "privatefiles.h"
#include "settingslock.h"
#include "settingtable.h"
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

const QString keyLock = QStringLiteral("settingslock");

#ifdef Q_OS_WIN
constexpr auto defaultLogLocation = QStandardPaths::AppLocalDataLocation;
#else
constexpr auto defaultLogLocation = QStandardPaths::AppDataLocation;
#endif

// An array key, as QSettings stores one ([Key] 1\Field=..., size=N): a list
// of maps whose fields read back as texts. A value to be written is brought
// to the same form, so that comparing it with the stored one means something.
QVariantList readArray(QSettings &store, const QString &key)
{
    QVariantList list;
    const int size = store.beginReadArray(key);
    for (int i = 0; i < size; ++i) {
        store.setArrayIndex(i);
        QVariantMap map;
        const QStringList fields = store.childKeys();
        for (const QString &field : fields)
            map.insert(field, store.value(field).toString());
        list.append(map);
    }
    store.endArray();
    return list;
}

QVariantList arrayForm(const QVariant &value)
{
    QVariantList list;
    const QVariantList given = value.toList();
    for (const QVariant &element : given) {
        QVariantMap map = element.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            it.value() = it.value().toString();
        list.append(map);
    }
    return list;
}

void writeArray(QSettings &store, const QString &key, const QVariantList &list)
{
    store.remove(key);
    store.beginWriteArray(key, list.size());
    for (int i = 0; i < list.size(); ++i) {
        store.setArrayIndex(i);
        const QVariantMap map = list.at(i).toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            store.setValue(it.key(), it.value());
    }
    store.endArray();
}

} // namespace

QString SysSettings::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Quorin/Skyquill");
}

SysSettings::SysSettings(const QString &folder, QObject *parent)
    : SysSettings(
        folder, [] { return serialports::scan(); }, parent)
{
}

SysSettings::SysSettings(const QString &folder, SerialPortScanner scanner, QObject *parent)
    : QObject(parent)
    , folderPath(folder.isEmpty() ? defaultFolder() : folder)
    , folderGiven(!folder.isEmpty())
    , portScanner(std::move(scanner))
{
    qDebug() << "configuring system";
    privatefiles::makeFolder(folderPath);
    lockPath = folderPath + QStringLiteral("/settingslock.ini");
    settingsPath = folderPath + QStringLiteral("/settings.ini");
    qDebug() << "Location:" << settingsPath;
    privatefiles::tighten(lockPath);

    const bool firstStart = !QFileInfo::exists(settingsPath);
    // QSettings keeps the mode of the file it rewrites: the passwords in it
    // are never readable by others, not even for the first write.
    privatefiles::prepareFile(settingsPath);
    if (firstStart) {
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
        seed.setValue(QLatin1String(settingRow(Setting::SerialPort).key), choice.port);
        seed.sync();
    }

    settingsStore = std::make_unique<QSettings>(settingsPath, QSettings::IniFormat);

    {
        QSettings lock(lockPath, QSettings::IniFormat);
        lockHash = lock.value(keyLock, QString()).toString();
    }
}

SysSettings::~SysSettings() = default;

QVariant SysSettings::stored(const SettingRow &row) const
{
    QVariant fallback = row.fallback;
    // The CSV log goes beside settings given a folder of their own. The local
    // profile on Windows, not the roaming one a growing log has no place in;
    // elsewhere the same folder as before.
    if (row.setting == Setting::LogPath)
        fallback = folderGiven ? folderPath : QStandardPaths::writableLocation(defaultLogLocation);
    if (row.fallback.userType() == QMetaType::QVariantList)
        return readArray(*settingsStore, QLatin1String(row.key));
    QVariant value = settingsStore->value(QLatin1String(row.key), fallback);
    // Numbers and flags as the type of the default: a text that is no number
    // reads as 0.
    switch (row.fallback.userType()) {
    case QMetaType::Int:
        value = value.toInt();
        break;
    case QMetaType::Bool:
        value = value.toBool();
        break;
    case QMetaType::Double: {
        // A text that is no number reads as the default, not as 0.
        bool number = false;
        const double read = value.toDouble(&number);
        value = number ? QVariant(read) : fallback;
        break;
    }
    default:
        value = value.toString();
    }
    if (row.checkedOnLoad && !row.accepts(value))
        return fallback;
    return value;
}

QVariant SysSettings::value(Setting setting) const
{
    QMutexLocker locker(&mutex);
    return stored(settingRow(setting));
}

bool SysSettings::set(Setting setting, const QVariant &given)
{
    const SettingRow &row = settingRow(setting);
    if (!row.accepts(given))
        return false;
    const bool array = row.fallback.userType() == QMetaType::QVariantList;
    const QVariant value = array ? QVariant(arrayForm(given)) : given;
    bool changed = false;
    {
        QMutexLocker locker(&mutex);
        changed = stored(row) != value;
        if (array && (changed || row.emits == SettingRow::Emits::Always))
            writeArray(*settingsStore, QLatin1String(row.key), value.toList());
        else if (changed || row.emits == SettingRow::Emits::Always)
            settingsStore->setValue(QLatin1String(row.key), value);
    }
    if (changed || row.emits == SettingRow::Emits::Always) {
        // The services first, so a binding that the property's own signal
        // wakes finds them up to date.
        emit settingChanged(QLatin1String(row.key));
        if (row.changed)
            emit(this->*row.changed)();
    }
    if (row.restartLine) {
        QString line = QLatin1String(row.restartLine);
        if (line.contains(QLatin1String("%1")))
            line = line.arg(value.toString());
        restartLink(line);
    }
    return true;
}

void SysSettings::restartLink(const QString &line)
{
    if (!modbusObject)
        return;
    qDebug().noquote() << line;
    modbusObject->restart();
}

// --- serial ports -----------------------------------------------------------

void SysSettings::setSerialPort(const QString &port)
{
    if (getSerialPort() != port)
        qDebug() << "Port changed to" << port;
    set(Setting::SerialPort, port);
    // Read again at once by a console started on the same folder.
    QMutexLocker locker(&mutex);
    settingsStore->sync();
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

bool SysSettings::portExists(const QString &portName) const
{
    return serialports::portExists(portName, portsList());
}

// --- units --------------------------------------------------------------------

// --- settings lock ------------------------------------------------------------

void SysSettings::writeLockFile(const QString &digest)
{
    privatefiles::prepareFile(lockPath);
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

void SysSettings::setLogPath(const QString &path)
{
    QDir dir(path);
    if (path.isEmpty() || !(dir.exists() || dir.mkpath(QStringLiteral(".")))) {
        emit error(QStringLiteral("Unable to write to or create log path"));
        return;
    }
    set(Setting::LogPath, path);
}

void SysSettings::setUpdateLogSeconds(int seconds)
{
    qDebug() << "Setting update log seconds to " << seconds;
    set(Setting::UpdateLogSeconds, seconds);
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

void SysSettings::setSerialNumber(int number)
{
    if (settingRow(Setting::SerialNumber).accepts(number))
        qDebug() << "Setting serial number to " << number;
    set(Setting::SerialNumber, number);
}

void SysSettings::setRunwayAngle(int angle)
{
    if (!set(Setting::RunwayAngle, angle))
        qDebug() << "Invalid angle, ignoring";
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

bool SysSettings::mqttAvailable()
{
#ifdef SKYQUILL_HAVE_MQTT
    return true;
#else
    return false;
#endif
}

bool SysSettings::emailAvailable()
{
#ifdef SKYQUILL_HAVE_CURL
    return true;
#else
    return false;
#endif
}

void SysSettings::sendTestNotification()
{
    if (alarmTester)
        alarmTester->sendTestNotification();
}

void SysSettings::testMqttConnection()
{
    if (mqttTester)
        mqttTester->testMqttConnection();
    else
        emit testMqttConnectionResult(QStringLiteral("MQTT is not available"));
}

// The MQTT keys of SysSettings.
#include "syssettings.h"

#include "mqtttester.h"

#include <QMutexLocker>

namespace {

const QString keyEnabled = QStringLiteral("MqttEnabled");
const QString keyHost = QStringLiteral("MqttHost");
const QString keyPort = QStringLiteral("MqttPort");
const QString keyUsername = QStringLiteral("MqttUsername");
const QString keyPassword = QStringLiteral("MqttPassword");
const QString keyTls = QStringLiteral("MqttTls");
const QString keyCaFile = QStringLiteral("MqttCaFile");
const QString keyBaseTopic = QStringLiteral("MqttBaseTopic");
const QString keyInterval = QStringLiteral("MqttIntervalSeconds");
const QString keyDiscovery = QStringLiteral("MqttDiscovery");
const QString keyDiscoveryPrefix = QStringLiteral("MqttDiscoveryPrefix");

// Brokers refuse to take a publication under a wildcard or an empty level.
bool usableTopicPrefix(const QString &text)
{
    return !text.isEmpty() && !text.contains(QLatin1Char('+')) && !text.contains(QLatin1Char('#'))
            && !text.contains(QChar(0));
}

} // namespace

void SysSettings::loadMqtt()
{
    QSettings &s = *settingsStore;
    mqttEnabledValue = s.value(keyEnabled, false).toBool();
    mqttHostValue = s.value(keyHost, QString()).toString();
    mqttPortValue = s.value(keyPort, 1883).toInt();
    mqttUsernameValue = s.value(keyUsername, QString()).toString();
    mqttPasswordValue = s.value(keyPassword, QString()).toString();
    mqttTlsValue = s.value(keyTls, false).toBool();
    mqttCaFileValue = s.value(keyCaFile, QString()).toString();
    mqttBaseTopicValue = s.value(keyBaseTopic, QStringLiteral("skyquill")).toString();
    mqttIntervalValue = s.value(keyInterval, 10).toInt();
    mqttDiscoveryValue = s.value(keyDiscovery, true).toBool();
    mqttDiscoveryPrefixValue = s.value(keyDiscoveryPrefix, QStringLiteral("homeassistant")).toString();
}

bool SysSettings::setMqttText(QString &member, const QString &key, const QString &value)
{
    QMutexLocker locker(&mutex);
    if (member == value)
        return false;
    member = value;
    settingsStore->setValue(key, value);
    return true;
}

bool SysSettings::mqttAvailable()
{
#ifdef SKYQUILL_HAVE_MQTT
    return true;
#else
    return false;
#endif
}

void SysSettings::testMqttConnection()
{
    if (mqttTester)
        mqttTester->testMqttConnection();
    else
        emit testMqttConnectionResult(QStringLiteral("MQTT is not available"));
}

void SysSettings::setMqttEnabled(bool enabled)
{
    if (enabled == mqttEnabledValue)
        return;
    mqttEnabledValue = enabled;
    storeWrite(keyEnabled, enabled);
    emit mqttEnabledChanged();
}

QString SysSettings::mqttHost() const
{
    return lockedText(mqttHostValue);
}

void SysSettings::setMqttHost(const QString &host)
{
    if (setMqttText(mqttHostValue, keyHost, host))
        emit mqttHostChanged();
}

void SysSettings::setMqttPort(int port)
{
    if (port < 1 || port > 65535 || port == mqttPortValue)
        return;
    mqttPortValue = port;
    storeWrite(keyPort, port);
    emit mqttPortChanged();
}

QString SysSettings::mqttUsername() const
{
    return lockedText(mqttUsernameValue);
}

void SysSettings::setMqttUsername(const QString &name)
{
    if (setMqttText(mqttUsernameValue, keyUsername, name))
        emit mqttUsernameChanged();
}

QString SysSettings::mqttPassword() const
{
    return lockedText(mqttPasswordValue);
}

void SysSettings::setMqttPassword(const QString &password)
{
    if (setMqttText(mqttPasswordValue, keyPassword, password))
        emit mqttPasswordChanged();
}

void SysSettings::setMqttTls(bool tls)
{
    if (tls == mqttTlsValue)
        return;
    mqttTlsValue = tls;
    storeWrite(keyTls, tls);
    emit mqttTlsChanged();
}

QString SysSettings::mqttCaFile() const
{
    return lockedText(mqttCaFileValue);
}

void SysSettings::setMqttCaFile(const QString &path)
{
    if (setMqttText(mqttCaFileValue, keyCaFile, path))
        emit mqttCaFileChanged();
}

QString SysSettings::mqttBaseTopic() const
{
    return lockedText(mqttBaseTopicValue);
}

void SysSettings::setMqttBaseTopic(const QString &topic)
{
    if (!usableTopicPrefix(topic))
        return;
    if (setMqttText(mqttBaseTopicValue, keyBaseTopic, topic))
        emit mqttBaseTopicChanged();
}

void SysSettings::setMqttIntervalSeconds(int seconds)
{
    if (seconds < 1 || seconds > 3600 || seconds == mqttIntervalValue)
        return;
    mqttIntervalValue = seconds;
    storeWrite(keyInterval, seconds);
    emit mqttIntervalSecondsChanged();
}

void SysSettings::setMqttDiscovery(bool discovery)
{
    if (discovery == mqttDiscoveryValue)
        return;
    mqttDiscoveryValue = discovery;
    storeWrite(keyDiscovery, discovery);
    emit mqttDiscoveryChanged();
}

QString SysSettings::mqttDiscoveryPrefix() const
{
    return lockedText(mqttDiscoveryPrefixValue);
}

void SysSettings::setMqttDiscoveryPrefix(const QString &prefix)
{
    if (!usableTopicPrefix(prefix))
        return;
    if (setMqttText(mqttDiscoveryPrefixValue, keyDiscoveryPrefix, prefix))
        emit mqttDiscoveryPrefixChanged();
}

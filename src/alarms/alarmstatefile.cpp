#include "alarmstatefile.h"

#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

namespace alarms {

namespace {

const QString keyAlarms = QStringLiteral("alarms");

} // namespace

QJsonObject loadStates(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        qInfo().noquote() << QStringLiteral(
            "Alarms: cannot read %1 (%2): starting with every alarm clear")
                                 .arg(path, file.errorString());
        return {};
    }
    // A state file is a few hundred bytes; anything far larger is not one.
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(1 << 20), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()
        || !doc.object().value(keyAlarms).isObject()) {
        qInfo().noquote() << QStringLiteral(
            "Alarms: %1 is not an alarm state file: starting with every alarm clear")
                                 .arg(path);
        return {};
    }
    return doc.object().value(keyAlarms).toObject();
}

bool saveStates(const QString &path, const QJsonObject &states)
{
    QSaveFile file(path);
    const QByteArray bytes = QJsonDocument(QJsonObject { { keyAlarms, states } }).toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        qInfo().noquote() << QStringLiteral("Alarms: cannot save their states to %1 (%2)")
                                 .arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace alarms

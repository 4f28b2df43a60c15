#pragma once

#include <QJsonObject>
#include <QString>

namespace alarms {

// The alarms' states as last saved at `path`: empty when there is none yet,
// and, with a log line, when it cannot be read as one.
QJsonObject loadStates(const QString &path);

// Replaces the file whole or not at all, so a crash or a full disk midway
// leaves the last good one. False, with a log line, on failure.
bool saveStates(const QString &path, const QJsonObject &states);

} // namespace alarms

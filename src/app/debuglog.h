#pragma once

#include <QString>
#include <QtGlobal>

class SysSettings;

// The one Qt message handler: appends each line, with its severity prefix, to
// the debug-log file while the DebugLog setting is on, and drops it otherwise.
// Every line is flushed so the last words before a crash reach the disk.
namespace debuglog {

// The settings object consulted on every message, and the file to write
// (empty: the desktop folder + "/quorindebuglog.txt").
void configure(const SysSettings *settings, const QString &filePath = QString());
QString defaultFilePath();

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// Closes the file; a later message opens it again behind a new separator.
void close();

} // namespace debuglog

#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

class SysSettings;

// The one Qt message handler: appends each line, with its severity prefix, to
// the debug-log file while the DebugLog setting is on, and drops it otherwise.
// Every line is flushed so the last words before a crash reach the disk.
// Info lines (what an operator must see: the gateway's listen result, the
// headless status) and errors also go to stderr whatever the setting, so the
// journal or the terminal has them while the debug log is off.
namespace debuglog {

// The settings object consulted on every message, and the file to write
// (empty: the desktop folder + "/quorindebuglog.txt").
void configure(const SysSettings *settings, const QString &filePath = QString());
QString defaultFilePath();

// Where the stderr lines go, one call per line with its newline; tests catch
// them here. An empty writer restores stderr.
void setConsoleWriter(std::function<void(const QByteArray &line)> writer);

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// Closes the file; a later message opens it again behind a new separator.
void close();

} // namespace debuglog

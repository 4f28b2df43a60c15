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
// journal or the terminal has them while the debug log is off. So does the
// first message of each logging category named "skyquill.alert.<kind>" (the
// archive or the data log cannot be written, the broker or the portal fails,
// the station link is down): once per run and kind, with its cause, however
// often the failure recurs. In the file those lines read "Alert: ", not
// "Warning: ", which is left for faults of the program itself.
namespace debuglog {

// The settings object consulted on every message, and the file to write
// (empty: the desktop folder + "/quorindebuglog.txt").
void configure(const SysSettings *settings, const QString &filePath = QString());
QString defaultFilePath();

// Where the stderr lines go, one call per line with its newline; tests catch
// them here. An empty writer restores stderr.
void setConsoleWriter(std::function<void(const QByteArray &line)> writer);

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// Past this size the file is renamed to its name + ".1", replacing the one
// there, and the next line starts a new file: whatever floods the log (the
// gateway's per-request lines, say), it takes at most twice this on disk.
constexpr qint64 DefaultMaxBytes = 10 * 1024 * 1024;
void setMaxBytes(qint64 bytes);

// Closes the file; a later message opens it again behind a new separator.
void close();

} // namespace debuglog

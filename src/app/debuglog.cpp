#include "debuglog.h"

#include "settings/syssettings.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

#include <atomic>
#include <cstdio>

namespace debuglog {

namespace {

QMutex logMutex;
std::atomic<const SysSettings *> currentSettings { nullptr };
QString configuredPath;
QFile *debugLogStream = nullptr;
// A message raised while a line is being written (by the file layer, say)
// must not re-enter the handler and deadlock on the lock.
thread_local bool inHandler = false;
std::function<void(const QByteArray &)> consoleWriter;

const char *prefixFor(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "Debug: ";
    case QtInfoMsg:
        return "Info: ";
    case QtWarningMsg:
        return "Warning: ";
    case QtCriticalMsg:
        return "Critical: ";
    case QtFatalMsg:
        return "Fatal: ";
    }
    return "";
}

void writeToConsole(QtMsgType type, const QString &message)
{
    QByteArray line = type == QtInfoMsg ? QByteArray() : QByteArray(prefixFor(type));
    line += message.toLocal8Bit();
    line += '\n';
    QMutexLocker locker(&logMutex);
    if (consoleWriter) {
        consoleWriter(line);
        return;
    }
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

QString defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)
            + QStringLiteral("/quorindebuglog.txt");
}

void configure(const SysSettings *settings, const QString &filePath)
{
    QMutexLocker locker(&logMutex);
    currentSettings = settings;
    configuredPath = filePath;
}

void setConsoleWriter(std::function<void(const QByteArray &line)> writer)
{
    QMutexLocker locker(&logMutex);
    consoleWriter = std::move(writer);
}

void messageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (inHandler)
        return;
    if (type == QtInfoMsg || type == QtCriticalMsg || type == QtFatalMsg) {
        inHandler = true;
        writeToConsole(type, message);
        inHandler = false;
    }
    const SysSettings *settings = currentSettings;
    if (!settings || !settings->debugLogEnabled())
        return;
    inHandler = true;
    struct Reset
    {
        ~Reset() { inHandler = false; }
    } reset;

    QByteArray line;
    QMutexLocker locker(&logMutex);
    if (!debugLogStream) {
        auto *file = new QFile(configuredPath.isEmpty() ? defaultFilePath() : configuredPath);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) {
            delete file;
            return;
        }
        debugLogStream = file;
        line += "\n\n";
    }
    line += prefixFor(type);
    const QByteArray local = message.toLocal8Bit();
    line += QByteArray(local.constData()); // up to the first NUL, like the stream did
    line += '\n';
    debugLogStream->write(line);
    debugLogStream->flush();
}

void close()
{
    QMutexLocker locker(&logMutex);
    if (debugLogStream) {
        debugLogStream->close();
        delete debugLogStream;
        debugLogStream = nullptr;
    }
}

} // namespace debuglog

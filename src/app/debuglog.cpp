#include "debuglog.h"

#include "settings/syssettings.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

#include <atomic>

namespace debuglog {

namespace {

QMutex logMutex;
std::atomic<const SysSettings *> currentSettings { nullptr };
QString configuredPath;
QFile *debugLogStream = nullptr;
// A message raised while a line is being written (by the file layer, say)
// must not re-enter the handler and deadlock on the lock.
thread_local bool inHandler = false;

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

void messageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    const SysSettings *settings = currentSettings;
    if (inHandler || !settings || !settings->debugLogEnabled())
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

#include "debuglog.h"

#include "settings/privatefiles.h"
#include "settings/syssettings.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QStandardPaths>

#include <atomic>
#include <cstdio>
#include <iterator>

namespace debuglog {

namespace {

QMutex logMutex;
std::atomic<const SysSettings *> currentSettings { nullptr };
QString configuredPath;
QFile *debugLogStream = nullptr;
qint64 streamBytes = 0;
qint64 maxBytes = DefaultMaxBytes;
// A message raised while a line is being written (by the file layer, say)
// must not re-enter the handler and deadlock on the lock.
thread_local bool inHandler = false;
std::function<void(const QByteArray &)> consoleWriter;
QSet<QByteArray> alertsTold;

const char *prefixFor(QtMsgType type)
{
    // In the order of QtMsgType.
    static const char *const prefixes[]
        = { "Debug: ", "Warning: ", "Critical: ", "Fatal: ", "Info: " };
    return type >= 0 && type < int(std::size(prefixes)) ? prefixes[type] : "";
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

bool isAlert(const char *category)
{
    return category && qstrncmp(category, "skyquill.alert.", 15) == 0;
}

// The first message of an alert category this run.
bool firstAlert(const char *category)
{
    if (!isAlert(category))
        return false;
    const QByteArray name(category);
    QMutexLocker locker(&logMutex);
    if (alertsTold.contains(name))
        return false;
    alertsTold.insert(name);
    return true;
}

} // namespace

QString defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)
        + QStringLiteral("/quorindebuglog.txt");
}

void configure(const SysSettings *settings, const QString &filePath)
{
    // Here rather than in the handler, whose own messages would be dropped.
    if (settings)
        privatefiles::tighten(filePath.isEmpty() ? defaultFilePath() : filePath);
    QMutexLocker locker(&logMutex);
    currentSettings = settings;
    configuredPath = filePath;
}

void setConsoleWriter(std::function<void(const QByteArray &line)> writer)
{
    QMutexLocker locker(&logMutex);
    consoleWriter = std::move(writer);
}

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (inHandler)
        return;
    if (type == QtInfoMsg || type == QtCriticalMsg || type == QtFatalMsg) {
        inHandler = true;
        writeToConsole(type, message);
        inHandler = false;
    } else if (firstAlert(context.category)) {
        inHandler = true;
        writeToConsole(QtInfoMsg, message);
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
        const QString path = configuredPath.isEmpty() ? defaultFilePath() : configuredPath;
        privatefiles::prepareFile(path);
        auto *file = new QFile(path);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) {
            delete file;
            return;
        }
        debugLogStream = file;
        streamBytes = file->size();
        line += "\n\n";
    }
    // An operator's failure report, not a fault of the program.
    line += isAlert(context.category) ? "Alert: " : prefixFor(type);
    const QByteArray local = message.toLocal8Bit();
    line += QByteArray(local.constData()); // up to the first NUL, like the stream did
    line += '\n';
    debugLogStream->write(line);
    debugLogStream->flush();
    streamBytes += line.size();
    if (streamBytes >= maxBytes) {
        // One old file is kept; the next line starts a new one.
        const QString path = debugLogStream->fileName();
        delete debugLogStream;
        debugLogStream = nullptr;
        QFile::remove(path + QStringLiteral(".1"));
        QFile::rename(path, path + QStringLiteral(".1"));
    }
}

void setMaxBytes(qint64 bytes)
{
    QMutexLocker locker(&logMutex);
    maxBytes = bytes > 0 ? bytes : DefaultMaxBytes;
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

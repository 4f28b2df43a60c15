#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

// Collects every log line of the process (from any thread) while alive.
class LogCapture
{
public:
    LogCapture()
    {
        instance() = this;
        previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(previous);
        instance() = nullptr;
    }

    QStringList lines() const
    {
        QMutexLocker locker(&mutex);
        return captured;
    }
    int count(const QString &line) const { return lines().count(line); }
    bool contains(const QString &line) const { return lines().contains(line); }
    int countStartingWith(const QString &prefix) const
    {
        int n = 0;
        for (const QString &line : lines())
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }
    void clear()
    {
        QMutexLocker locker(&mutex);
        captured.clear();
    }

private:
    static LogCapture *&instance()
    {
        static LogCapture *current = nullptr;
        return current;
    }
    static void handler(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        if (LogCapture *self = instance()) {
            QMutexLocker locker(&self->mutex);
            self->captured.append(message);
        }
    }

    mutable QMutex mutex;
    QStringList captured;
    QtMessageHandler previous = nullptr;
};

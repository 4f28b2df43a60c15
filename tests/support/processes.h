#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <memory>
#include <optional>

// Helper processes for integration tests: ended with SIGTERM, then killed
// (on Windows, where a console program has no SIGTERM, killed at once).
struct TestProcess
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();

    ~TestProcess() { stop(); }

    void stop()
    {
        if (process->state() == QProcess::NotRunning)
            return;
#ifdef Q_OS_UNIX
        ::kill(pid_t(process->processId()), SIGTERM);
        if (process->waitForFinished(3000))
            return;
#endif
        process->kill();
        process->waitForFinished(3000);
    }

    // Waits until the process printed a line starting with `prefix`; returns
    // the rest of that line, or nothing when it never came.
    std::optional<QString> waitForLine(const QByteArray &prefix, int timeoutMs = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            while (process->canReadLine()) {
                const QByteArray line = process->readLine().trimmed();
                if (line.startsWith(prefix))
                    return QString::fromUtf8(line.mid(prefix.size()).trimmed());
            }
            if (process->state() == QProcess::NotRunning)
                return std::nullopt;
            process->waitForReadyRead(100);
        }
        return std::nullopt;
    }
};

// A linked pair of pseudo-terminals made by socat, reachable as `a` and `b`.
struct SocatPair
{
    TestProcess socat;
    QString a, b;

    bool start(const QString &folder)
    {
        a = folder + "/ttyA";
        b = folder + "/ttyB";
        socat.process->start("socat", { "pty,raw,echo=0,link=" + a, "pty,raw,echo=0,link=" + b });
        if (!socat.process->waitForStarted())
            return false;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 5000) {
            if (QFileInfo::exists(a) && QFileInfo::exists(b))
                return true;
            QThread::msleep(10);
        }
        return false;
    }
};

#pragma once

#include <QProcess>
#include <QString>

#include <csignal>

// The station simulator on a pseudo-terminal, for the benchmarks that need a
// live station; ended with SIGTERM when it goes out of scope.
struct SimulatedStation
{
    QProcess process;
    QString path;

    bool start(const QString &binary)
    {
        process.start(binary, { QStringLiteral("--pty") });
        if (!process.waitForStarted())
            return false;
        while (process.waitForReadyRead(5000)) {
            while (process.canReadLine()) {
                const QByteArray line = process.readLine().trimmed();
                if (line.startsWith("PTY ")) {
                    path = QString::fromUtf8(line.mid(4));
                    return true;
                }
            }
        }
        return false;
    }

    // Sends one control line and waits for its confirmation ("hold" answers
    // "WEATHER hold").
    bool command(const QByteArray &line, const QByteArray &answer)
    {
        process.write(line + '\n');
        while (process.canReadLine() || process.waitForReadyRead(5000)) {
            while (process.canReadLine()) {
                if (process.readLine().trimmed() == answer)
                    return true;
            }
        }
        return false;
    }

    ~SimulatedStation()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(process.processId()), SIGTERM);
        process.waitForFinished(3000);
    }
};

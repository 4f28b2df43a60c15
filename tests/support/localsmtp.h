#pragma once

#include "support/freeport.h"
#include "support/processes.h"

#include <QDir>
#include <QTcpSocket>
#include <QTemporaryDir>

// Debian's aiosmtpd on a free loopback port, keeping every message it takes
// in a Maildir that the test reads.
class LocalSmtp
{
public:
    // False when it did not come up within 10 s.
    bool start()
    {
        port = freeTcpPort();
        server.process->start(QStringLiteral("/usr/bin/python3"),
            { "-m", "aiosmtpd", "-n", "-l", QStringLiteral("127.0.0.1:%1").arg(port), "-c",
                "aiosmtpd.handlers.Mailbox", dir.filePath("mail") });
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 10000 && server.process->state() != QProcess::NotRunning) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            if (probe.waitForConnected(200))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    // Every message taken so far, whole, oldest first.
    QList<QByteArray> messages() const
    {
        QList<QByteArray> all;
        QDir folder(dir.filePath("mail/new"));
        for (const QFileInfo &f : folder.entryInfoList(QDir::Files, QDir::Time | QDir::Reversed)) {
            QFile file(f.filePath());
            if (file.open(QIODevice::ReadOnly))
                all.append(file.readAll());
        }
        return all;
    }

    quint16 port = 0;

private:
    QTemporaryDir dir;
    TestProcess server;
};

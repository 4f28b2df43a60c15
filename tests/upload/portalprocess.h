#pragma once

#include "support/processes.h"

#include <QUrl>

// The real portal stand-in, run as a child process on a free port.
struct PortalProcess
{
    TestProcess child;
    quint16 port = 0;

    // PORTAL_BINARY is defined by the test's CMakeLists.txt.
    // `extra`: more options, such as --reply trickle.
    bool start(const QString &id, const QString &key, const QStringList &extra = {})
    {
        child.process->setProcessChannelMode(QProcess::SeparateChannels);
        child.process->start(QStringLiteral(PORTAL_BINARY),
            QStringList { QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--id"), id,
                QStringLiteral("--key"), key }
                + extra);
        if (!child.process->waitForStarted(10000))
            return false;
        const auto line = child.waitForLine("PORTAL ");
        port = line ? quint16(line->toUInt()) : 0;
        return port != 0;
    }

    QUrl url(const QString &path = QStringLiteral("/quorinconnect")) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path));
    }

    // The body of the next form the stand-in recorded.
    QString nextForm() { return child.waitForLine("FORM ").value_or(QStringLiteral("<none>")); }
};

#pragma once

#include "support/freeport.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// A home folder of the test's own for the real program: its usual settings
// folder, desktop and runtime folder, and the environment that points there,
// so a run never reads or writes the user's files.
struct PrivateHome
{
    QTemporaryDir dir;

    QString path() const { return dir.path(); }
    QString dataFolder() const { return path() + "/data"; }
    QString settingsFolder() const { return dataFolder() + "/Quorin/Skyquill"; }

    // Makes the folders and writes settings.ini ("[General]" and `keys`),
    // with a free port for the web server unless `keys` name one.
    bool make(QByteArray keys)
    {
        if (!keys.contains("WebPort="))
            keys += "\nWebPort=" + QByteArray::number(freeTcpPort()) + '\n';
        if (!dir.isValid())
            return false;
        for (const QString &folder :
            { settingsFolder(), path() + "/Desktop", path() + "/config", path() + "/runtime" })
            if (!QDir().mkpath(folder))
                return false;
        QFile::setPermissions(
            path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile ini(settingsFolder() + "/settings.ini");
        return ini.open(QIODevice::WriteOnly) && ini.write("[General]\n" + keys) > 0;
    }

    // Headless Qt Quick, in this home.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", path());
        env.insert("XDG_DATA_HOME", dataFolder());
        env.insert("XDG_CONFIG_HOME", path() + "/config");
        env.insert("XDG_RUNTIME_DIR", path() + "/runtime");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_QUICK_BACKEND", "software");
        return env;
    }
};

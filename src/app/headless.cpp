#include "headless.h"

#include "acquisition/heartbeat.h"
#include "console.h"
#include "debuglog.h"
#include "quitonsignal.h"
#include "servicenotify.h"
#include "settings/syssettings.h"
#include "statuslines.h"

#include <QCoreApplication>
#include <QDebug>

int runHeadless(SysSettings &settings)
{
    QCoreApplication *app = QCoreApplication::instance();
    quitOnTerminationSignals(app);
    qInfo().noquote() << "Skyquill" << settings.version() << "running without a window; settings in"
                      << settings.folder();

    int exitCode = 0;
    {
        Console console(settings);
        StatusLines status;
        QObject::connect(&console.modbus(), &QModbus::cyclePublished, app,
            [&status, &settings](const CyclePtr &cycle) {
                if (!cycle)
                    return;
                const auto link = [&settings] { return linkDescription(settings); };
                for (const QString &line : status.take(*cycle, link))
                    qInfo().noquote() << line;
            });
        // Ready before the polling thread starts: its first heartbeat must not
        // reach systemd ahead of READY=1.
        servicenotify::ready();
        // A polling thread that stops beating gets the service restarted.
        heartbeat::setBeat(servicenotify::watchdog);
        // With a window, the dashboard starts the acquisition when it appears.
        console.modbus().start();
        exitCode = app->exec();
        servicenotify::stopping();
        console.stop();
        heartbeat::setBeat(nullptr);
        qInfo("Skyquill stopped");
        debuglog::close();
    }
    return exitCode;
}

#include "app/console.h"
#include "app/debuglog.h"
#include "app/quitonsignal.h"
#include "app/winconsole.h"
#include "settings/syssettings.h"

#include <QDebug>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>

int main(int argc, char *argv[])
{
    attachParentConsole();
    // The settings exist, loaded, before the first message reaches the handler.
    SysSettings settings;
    debuglog::configure(&settings);
    qInstallMessageHandler(debuglog::messageHandler);
    qDebug() << "Application starting";

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quorin"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("quorin.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Skyquill"));
    quitOnTerminationSignals(&app);

    int exitCode = 0;
    {
        Console console(settings);
        QModbus &modbus = console.modbus();
        {
            QQmlApplicationEngine engine;
            engine.rootContext()->setContextProperty(QStringLiteral("Settings"), &settings);
            engine.rootContext()->setContextProperty(QStringLiteral("ModbusPort"), &modbus);
            engine.load(QUrl(QStringLiteral("qrc:/qml/main.qml")));
            if (!engine.rootObjects().isEmpty())
                qDebug() << "Main window loaded";
            exitCode = app.exec();
            // Stop polling and hand the bindings what the last cycle queued
            // for them while they still exist.
            console.stop();
            debuglog::close();
        }
    }
    return exitCode;
}

#include "app/commandline.h"
#include "app/console.h"
#include "app/csvimport.h"
#include "app/debuglog.h"
#include "app/headless.h"
#include "app/leanstartup.h"
#include "app/qmlfaces.h"
#include "app/quitonsignal.h"
#include "app/scenegraph.h"
#include "app/traynotifier.h"
#include "app/winconsole.h"
#include "archive/archivesettings.h"
#include "history/historymodel.h"
#include "records/recordssettings.h"
#include "settings/privatefiles.h"
#include "settings/syssettings.h"

#include <QApplication>
#include <QDebug>
#include <QFileInfo>
#include <QQmlApplicationEngine>
#include <QTextStream>

#include <clocale>
#include <cstdio>

namespace {

int runWithWindow(SysSettings &settings)
{
    auto *app = QCoreApplication::instance();
    quitOnTerminationSignals(app);

    int exitCode = 0;
    {
        // A service the console is given, so it outlives the console.
        HistoryModel history(settings, archivePath(settings));
        Console console(settings);
        console.plug(history);
        // Only a console with a window tells the desktop of its alarms.
#ifdef SKYQUILL_HAVE_DBUS
        console.alarms().setDesktopNotifier(std::make_unique<alarms::DBusNotifier>());
#else
        console.alarms().setDesktopNotifier(std::make_unique<TrayNotifier>());
#endif
        QModbus &modbus = console.modbus();
        history.setClock([&modbus] { return modbus.now(); });
        QObject::connect(
            &console.archive(), &Archive::minutesWritten, &history, &HistoryModel::archiveChanged);
        {
            QQmlApplicationEngine engine;
            publishFaces(
                engine.rootContext(), settings, console.display(), &history, &console.records());
            engine.load(QUrl(QStringLiteral("qrc:/qml/main.qml")));
            if (!engine.rootObjects().isEmpty())
                qDebug() << "Main window loaded";
            exitCode = app->exec();
            // Stop polling and hand the bindings what the last cycle queued
            // for them while they still exist.
            console.stop();
            debuglog::close();
        }
    }
    return exitCode;
}

} // namespace

int main(int argc, char *argv[])
{
    attachParentConsole();
    // The arguments are decoded before the application object exists, which
    // would set the locale only then.
    std::setlocale(LC_ALL, "");
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = parseCommandLine(arguments);
    switch (commandLine.action) {
    case CommandLine::Action::ShowHelp:
    case CommandLine::Action::ShowVersion:
        std::fputs(commandLine.text.toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::Fail:
        std::fputs(commandLine.text.toLocal8Bit().constData(), stderr);
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    // Settings that cannot be kept would be lost without a word, and the CSV
    // log goes there by default.
    const QString &folder = commandLine.settingsDir;
    if (!folder.isEmpty()
        && (!privatefiles::makeFolder(folder) || !QFileInfo(folder).isWritable())) {
        std::fprintf(stderr, "skyquill: cannot write to the settings folder %s\n",
            folder.toLocal8Bit().constData());
        return 1;
    }

    QCoreApplication::setOrganizationName(QStringLiteral("Quorin"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("quorin.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Skyquill"));

    // Until the settings are loaded the handler only passes info lines and
    // errors to stderr, so loading them leaves no debug lines in a journal.
    qInstallMessageHandler(debuglog::messageHandler);
    SysSettings settings(commandLine.settingsDir);
    if (!commandLine.importCsvDir.isEmpty()) {
        QCoreApplication app(argc, argv);
        return runCsvImport(commandLine.importCsvDir, settings, commandLine.solarInput);
    }
    if (commandLine.report) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        records::ReportOptions options;
        options.units = settings.displayUnits();
        return records::printReport(*commandLine.report, archivePath(settings), options, out, err);
    }
    debuglog::configure(&settings);
    qDebug() << "Application starting";

    if (commandLine.headless) {
        QCoreApplication app(argc, argv);
        return runHeadless(settings);
    }
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    leanstartup::setAtlasSize();
    // Qt Charts draws through QGraphicsView, which wants the widgets' application.
    QApplication app(argc, argv);
    scenegraph::choose();
    leanstartup::trimHeapSoon();
    // Lets the desktop match the window with its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quorin.Skyquill"));
    return runWithWindow(settings);
}

#include "app/console.h"
#include "app/consumersettings.h"
#include "app/csvimport.h"
#include "app/debuglog.h"
#include "app/historymodel.h"
#include "app/quitonsignal.h"
#include "settings/syssettings.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDebug>
#include <QQmlApplicationEngine>
#include <QQmlContext>

#include <cstdio>
#include <optional>

namespace {

// The options that run instead of the console, without a display; nothing
// when the console is to start. Options it does not know are Qt's own.
std::optional<int> runCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Skyquill weather station console."));
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") },
        QStringLiteral("Show this help and exit."));
    const QCommandLineOption importCsv(QStringLiteral("import-csv"),
        QStringLiteral("Read the data log's daily CSV files in DIR into the archive, then exit. "
                       "The files name no units: they are read in the units the current "
                       "settings hold (temperature, pressure and its adjustment, wind speed, "
                       "distance, rain). Minutes already archived are kept."),
        QStringLiteral("DIR"));
    const QCommandLineOption solarInput(QStringLiteral("solar-input"),
        QStringLiteral("With --import-csv: the analog input (1 or 2) wired to a solar sensor; "
                       "the files do not say. Without it no solar radiation is imported."),
        QStringLiteral("N"));
    parser.addOptions({ help, importCsv, solarInput });
    parser.parse(arguments);
    if (!parser.isSet(help) && !parser.isSet(importCsv))
        return std::nullopt;

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Skyquill"));
    if (parser.isSet(help)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    const int solar = parser.value(solarInput).toInt();
    if (parser.isSet(solarInput) && solar != 1 && solar != 2) {
        std::fputs("skyquill: --solar-input wants 1 or 2\n", stderr);
        return 2;
    }
    // The settings' start-up chatter has no place in the import's output.
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &, const QString &message) {
            if (type != QtDebugMsg)
                std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        });
    SysSettings settings;
    qInstallMessageHandler(previous);
    return runCsvImport(parser.value(importCsv), settings, solar);
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> exitCode = runCommandLine(argc, argv))
        return *exitCode;

    // The settings exist, loaded, before the first message reaches the handler.
    SysSettings settings;
    debuglog::configure(&settings);
    qInstallMessageHandler(debuglog::messageHandler);
    qDebug() << "Application starting";

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    // Qt Charts draws through QGraphicsView, which wants the widgets' application.
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quorin"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("quorin.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Skyquill"));
    quitOnTerminationSignals(&app);

    int exitCode = 0;
    {
        Console console(settings);
        QModbus &modbus = console.modbus();
        HistoryModel history(settings, archivePath(settings));
        history.setClock([&modbus] { return modbus.now(); });
        QObject::connect(
            &console.archive(), &Archive::minutesWritten, &history, &HistoryModel::archiveChanged);
        {
            QQmlApplicationEngine engine;
            engine.rootContext()->setContextProperty(QStringLiteral("Settings"), &settings);
            engine.rootContext()->setContextProperty(QStringLiteral("ModbusPort"), &modbus);
            engine.rootContext()->setContextProperty(QStringLiteral("History"), &history);
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

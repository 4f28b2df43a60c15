#include "app/quitonsignal.h"
#include "historywriter.h"
#include "stationhost.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

#include <csignal>
#include <cstdio>

namespace {

// Exit code 2 for a wrong command line, 1 for a link that cannot be opened.
int complain(const QString &message, int exitCode = 2)
{
    std::fprintf(stderr, "skyquill-station: %s\n", message.toLocal8Bit().constData());
    return exitCode;
}

bool toNumber(const QString &text, qint64 low, qint64 high, qint64 *value)
{
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok || number < low || number > high)
        return false;
    *value = number;
    return true;
}

// --history: the past as data-log files, then exit.
int writeHistoryFiles(const QCommandLineParser &parser, const QCommandLineOption &history,
    const QCommandLineOption &days, const QCommandLineOption &logSeconds,
    const QCommandLineOption &csvUnits, const StationHost::Options &station)
{
    station::HistoryOptions options;
    options.folder = parser.value(history);
    options.seed = station.seed;
    options.site = station.site;
    qint64 number = 0;
    if (!toNumber(parser.value(days), 1, 3660, &number))
        return complain(QStringLiteral("--days wants a number from 1 to 3660"));
    options.days = int(number);
    if (!toNumber(parser.value(logSeconds), 2, 3600, &number))
        return complain(QStringLiteral("--log-seconds wants a number from 2 to 3600"));
    options.logSeconds = int(number);
    if (!station::parseUnits(parser.value(csvUnits), &options))
        return complain(QStringLiteral("--csv-units wants five unit indexes, such as 1,2,0,0,0"));
    if (!QDir().mkpath(options.folder))
        return complain(QStringLiteral("cannot create %1").arg(options.folder), 1);
    // The whole minute before now, so the live data takes over where it ends.
    const QDateTime now = QDateTime::currentDateTime();
    options.end = now.addSecs(-now.time().second());
    // The data log reports every file's running index; nobody reads it here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg)
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    const int rows = station::writeHistory(options);
    StationHost::announce(QStringLiteral("HISTORY %1 rows").arg(rows));
    return rows > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("skyquill-station"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated weather station: a Modbus RTU/TCP server for unit 1 serving the "
                       "station's register map with weather that changes every second."));
    parser.addHelpOption();
    const QCommandLineOption pty(
        QStringLiteral("pty"), QStringLiteral("Serve RTU on a new pseudo-terminal (the default)."));
    const QCommandLineOption device(QStringLiteral("device"),
        QStringLiteral("Serve RTU on this serial device."), QStringLiteral("path"));
    const QCommandLineOption baud(QStringLiteral("baud"),
        QStringLiteral("Baud rate for --device (default 9600)."), QStringLiteral("rate"),
        QStringLiteral("9600"));
    const QCommandLineOption tcp(QStringLiteral("tcp"),
        QStringLiteral("Serve Modbus TCP on this port (0: any free port)."),
        QStringLiteral("port"));
    const QCommandLineOption listen(QStringLiteral("listen"),
        QStringLiteral("Address for --tcp (default 127.0.0.1)."), QStringLiteral("address"),
        QStringLiteral("127.0.0.1"));
    const QCommandLineOption seed(QStringLiteral("seed"),
        QStringLiteral("Seed of the weather (default 1)."), QStringLiteral("n"),
        QStringLiteral("1"));
    const QCommandLineOption fault(QStringLiteral("fault"),
        QStringLiteral("Fault to inject: %1.").arg(station::faultNames()), QStringLiteral("name"),
        QStringLiteral("none"));
    const QCommandLineOption faultAfter(QStringLiteral("fault-after"),
        QStringLiteral("Normal replies before the fault starts (default 0)."), QStringLiteral("n"),
        QStringLiteral("0"));
    const QCommandLineOption inches(
        QStringLiteral("inches"), QStringLiteral("Rain gauge in inches instead of millimetres."));
    const QCommandLineOption elevation(QStringLiteral("elevation"),
        QStringLiteral("Station elevation in metres (default 120)."), QStringLiteral("metres"),
        QStringLiteral("120"));
    const QCommandLineOption latitude(QStringLiteral("latitude"),
        QStringLiteral("Latitude in degrees (default 47)."), QStringLiteral("degrees"),
        QStringLiteral("47"));
    const QCommandLineOption serial(QStringLiteral("serial"),
        QStringLiteral("Station serial number (default 100234)."), QStringLiteral("n"),
        QStringLiteral("100234"));
    const QCommandLineOption verbose(
        QStringLiteral("verbose"), QStringLiteral("Log every request on stderr."));
    parser.addOptions({ pty, device, baud, tcp, listen, seed, fault, faultAfter, inches, elevation,
        latitude, serial, verbose });
    const QCommandLineOption history(QStringLiteral("history"),
        QStringLiteral("Write the weather of the days before now as the console's data-log CSV "
                       "files into this folder, then exit."),
        QStringLiteral("folder"));
    const QCommandLineOption days(QStringLiteral("days"),
        QStringLiteral("Days of --history (default 30)."), QStringLiteral("n"),
        QStringLiteral("30"));
    const QCommandLineOption logSeconds(QStringLiteral("log-seconds"),
        QStringLiteral("Seconds between the rows of --history (default 60)."), QStringLiteral("n"),
        QStringLiteral("60"));
    const QCommandLineOption csvUnits(QStringLiteral("csv-units"),
        QStringLiteral("The display units of the --history rows, as the console's settings "
                       "number them: temperature, pressure, speed and distance units and the "
                       "pressure adjustment (default 1,2,0,0,0, the console's defaults)."),
        QStringLiteral("T,P,S,D,A"), QStringLiteral("1,2,0,0,0"));
    parser.addOptions({ history, days, logSeconds, csvUnits });
    if (!parser.parse(QCoreApplication::arguments()))
        return complain(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return complain(
            QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    StationHost::Options options;
    qint64 number = 0;
    if (!toNumber(parser.value(seed), 0, 0xFFFFFFFFll, &number))
        return complain(QStringLiteral("--seed wants a number from 0 to 4294967295"));
    options.seed = quint32(number);
    if (!station::faultFromName(parser.value(fault), &options.fault))
        return complain(QStringLiteral("unknown fault %1 (one of %2)")
                            .arg(parser.value(fault), station::faultNames()));
    if (!toNumber(parser.value(faultAfter), 0, 1 << 30, &number))
        return complain(QStringLiteral("--fault-after wants a number of replies"));
    options.faultAfter = int(number);
    if (!toNumber(parser.value(elevation), -500, 9000, &number))
        return complain(QStringLiteral("--elevation wants metres from -500 to 9000"));
    options.site.elevation = int(number);
    bool ok = false;
    options.site.latitude = parser.value(latitude).toDouble(&ok);
    if (!ok || options.site.latitude < -90 || options.site.latitude > 90)
        return complain(QStringLiteral("--latitude wants degrees from -90 to 90"));
    if (!toNumber(parser.value(serial), 0, 0xFFFFFFFFll, &number))
        return complain(QStringLiteral("--serial wants a number from 0 to 4294967295"));
    options.site.serialNumber = quint32(number);
    options.site.rainInInches = parser.isSet(inches);
    options.verbose = parser.isSet(verbose);
    if (parser.isSet(history))
        return writeHistoryFiles(parser, history, days, logSeconds, csvUnits, options);

    if (parser.isSet(pty) && parser.isSet(device))
        return complain(QStringLiteral("--pty and --device exclude each other"));
    qint64 baudRate = 0;
    if (!toNumber(parser.value(baud), 1, 4000000, &baudRate))
        return complain(QStringLiteral("--baud wants a rate"));
    qint64 port = -1;
    if (parser.isSet(tcp) && !toNumber(parser.value(tcp), 0, 65535, &port))
        return complain(QStringLiteral("--tcp wants a port from 0 to 65535"));
    const QHostAddress address(parser.value(listen));
    if (address.isNull())
        return complain(QStringLiteral("--listen wants an IP address"));
    const bool wantPty = parser.isSet(pty) || (!parser.isSet(device) && !parser.isSet(tcp));

    quitOnTerminationSignals(&app);
    // A client that vanishes mid-write must not kill us, and reading the
    // control channel from a background job must fail rather than stop us.
#ifdef Q_OS_UNIX
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGTTIN, SIG_IGN);
#endif

    StationHost host(options);
    QString error;
    if (wantPty) {
        QString path;
        if (!host.openPty(&path, &error))
            return complain(QStringLiteral("cannot create a pseudo-terminal: %1").arg(error), 1);
        StationHost::announce(QStringLiteral("PTY %1").arg(path));
    } else if (parser.isSet(device)) {
        if (!host.openDevice(parser.value(device), int(baudRate), &error))
            return complain(
                QStringLiteral("cannot open %1: %2").arg(parser.value(device), error), 1);
        StationHost::announce(QStringLiteral("DEVICE %1").arg(parser.value(device)));
    }
    if (port >= 0) {
        quint16 actual = 0;
        if (!host.listenTcp(address, quint16(port), &actual, &error))
            return complain(QStringLiteral("cannot listen on %1:%2: %3")
                                .arg(address.toString())
                                .arg(port)
                                .arg(error),
                1);
        StationHost::announce(QStringLiteral("TCP %1").arg(actual));
    }
    host.watchStdin();
    return app.exec();
}

#include "app/quitonsignal.h"
#include "portalhost.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

// Exit code 2 for a wrong command line, 1 for a port or file that cannot be used.
int complain(const QString &message, int exitCode = 2)
{
    std::fprintf(stderr, "skyquill-portal: %s\n", message.toLocal8Bit().constData());
    return exitCode;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("skyquill-portal"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Stand-in for the live portal: takes the console's form posts on /quorinconnect, "
        "answers \"success\" for the configured id and key and \"invaliduser\" otherwise, "
        "and prints each form as a line \"FORM <body>\" in arrival order."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"),
        QStringLiteral("Port to listen on (0, the default: any free port; printed as "
                       "\"PORTAL <port>\")."),
        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption listen(QStringLiteral("listen"),
        QStringLiteral("Address to listen on (default 127.0.0.1)."), QStringLiteral("address"),
        QStringLiteral("127.0.0.1"));
    const QCommandLineOption id(QStringLiteral("id"),
        QStringLiteral("Station id that is accepted (default 100234)."), QStringLiteral("id"),
        QStringLiteral("100234"));
    const QCommandLineOption key(QStringLiteral("key"),
        QStringLiteral("Portal password that is accepted (default skyquill)."),
        QStringLiteral("key"), QStringLiteral("skyquill"));
    const QCommandLineOption recordTo(QStringLiteral("record"),
        QStringLiteral("Also append each form's body, one per line, to this file."),
        QStringLiteral("file"));
    const QCommandLineOption verbose(
        QStringLiteral("verbose"), QStringLiteral("Log every request and answer on stderr."));
    const QCommandLineOption reply(QStringLiteral("reply"),
        QStringLiteral("How answers are sent: normal (the default); trickle (no length, then "
                       "two bytes every second, for ever); huge (a 10 MiB body that starts "
                       "with the answer)."),
        QStringLiteral("mode"), QStringLiteral("normal"));
    parser.addOptions({ port, listen, id, key, recordTo, verbose, reply });
    if (!parser.parse(QCoreApplication::arguments()))
        return complain(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return complain(
            QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    bool ok = false;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535)
        return complain(QStringLiteral("--port wants a port from 0 to 65535"));
    const QHostAddress address(parser.value(listen));
    if (address.isNull())
        return complain(QStringLiteral("--listen wants an IP address"));

    PortalHost::Options options;
    options.account.id = parser.value(id);
    options.account.key = parser.value(key);
    options.recordPath = parser.value(recordTo);
    options.verbose = parser.isSet(verbose);
    const QString mode = parser.value(reply);
    if (mode == QLatin1String("trickle"))
        options.reply = PortalHost::Reply::Trickle;
    else if (mode == QLatin1String("huge"))
        options.reply = PortalHost::Reply::Huge;
    else if (mode != QLatin1String("normal"))
        return complain(QStringLiteral("--reply wants normal, trickle or huge"));

    quitOnTerminationSignals(&app);
    // A client that hangs up before reading its answer must not kill us.
#ifdef Q_OS_UNIX
    std::signal(SIGPIPE, SIG_IGN);
#endif

    PortalHost host(options);
    QString error;
    if (!host.openRecord(&error))
        return complain(QStringLiteral("cannot open %1: %2").arg(options.recordPath, error), 1);
    quint16 actual = 0;
    if (!host.listen(address, quint16(portNumber), &actual, &error))
        return complain(QStringLiteral("cannot listen on %1:%2: %3")
                            .arg(address.toString())
                            .arg(portNumber)
                            .arg(error),
            1);
    PortalHost::announce("PORTAL " + QByteArray::number(actual));
    return app.exec();
}

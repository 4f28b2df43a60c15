#include "commandline.h"

#include "skyquillversion.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>

namespace {

const QCommandLineOption helpOption(
    { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show this help and exit."));
const QCommandLineOption versionOption({ QStringLiteral("v"), QStringLiteral("version") },
    QStringLiteral("Show the version and exit."));
const QCommandLineOption headlessOption(QStringLiteral("headless"),
    QStringLiteral("Run without a window, as a service. Status lines go to stderr."));
const QCommandLineOption settingsDirOption(QStringLiteral("settings-dir"),
    QStringLiteral("Keep the settings, and unless set otherwise the CSV log, in DIR."),
    QStringLiteral("DIR"));

const QCommandLineOption importCsvOption(QStringLiteral("import-csv"),
    QStringLiteral("Read the data log's daily CSV files in DIR into the archive, then exit. "
                   "The files name no units: they are read in the units the current "
                   "settings hold (temperature, pressure and its adjustment, wind speed, "
                   "distance, rain). Minutes already archived are kept."),
    QStringLiteral("DIR"));
const QCommandLineOption solarInputOption(QStringLiteral("solar-input"),
    QStringLiteral("With --import-csv: the analog input (1 or 2) wired to a solar sensor; "
                   "the files do not say. Without it no solar radiation is imported."),
    QStringLiteral("N"));
const QCommandLineOption reportOption(QStringLiteral("report"),
    QStringLiteral("Print a climate report from the archive, then exit: --report month "
                   "YYYY-MM or --report year YYYY, in the display units of the settings."),
    QStringLiteral("month|year"));

QList<QCommandLineOption> allOptions()
{
    return { helpOption, versionOption, headlessOption, settingsDirOption, importCsvOption,
        solarInputOption, reportOption };
}

// QCommandLineParser::helpText() needs an application object, which does not
// exist yet, so the text is made from the same options here.
QString usage()
{
    QString text = QStringLiteral("Usage: skyquill [options]\n"
                                  "A console for one automatic weather station.\n\nOptions:\n");
    for (const QCommandLineOption &option : allOptions()) {
        QStringList names;
        for (const QString &name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString left = QStringLiteral("  ") + names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            left += QStringLiteral(" <%1>").arg(option.valueName());
        text
            += left.leftJustified(26) + QLatin1Char(' ') + option.description() + QLatin1Char('\n');
    }
    return text;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine result;
    QCommandLineParser parser;
    parser.addOptions(allOptions());
    QString error;
    // A report names its period after the option: the one word allowed.
    const QStringList words
        = parser.parse(arguments) ? parser.positionalArguments() : QStringList();
    const int periods = parser.isSet(reportOption) ? 1 : 0;
    if (!parser.errorText().isEmpty())
        error = parser.errorText();
    else if (words.size() > periods)
        error = QStringLiteral("Unexpected argument '%1'.").arg(words.at(periods));
    else if (periods && words.isEmpty())
        error = QStringLiteral("--report wants month YYYY-MM or year YYYY.");
    else if (periods && parser.isSet(importCsvOption))
        error = QStringLiteral("--report and --import-csv go one at a time.");
    else if (parser.isSet(settingsDirOption) && parser.value(settingsDirOption).isEmpty())
        error = QStringLiteral("The settings folder must not be empty.");
    else if (parser.isSet(importCsvOption) && parser.value(importCsvOption).isEmpty())
        error = QStringLiteral("The folder to import must not be empty.");
    else if (parser.isSet(solarInputOption) && parser.value(solarInputOption) != QLatin1String("1")
        && parser.value(solarInputOption) != QLatin1String("2"))
        error = QStringLiteral("--solar-input wants 1 or 2.");
    else if (parser.isSet(solarInputOption) && !parser.isSet(importCsvOption))
        error = QStringLiteral("--solar-input goes with --import-csv.");
    else if (periods)
        result.report
            = records::parseReportRequest(parser.value(reportOption), words.first(), &error);
    if (!error.isEmpty()) {
        result.action = CommandLine::Action::Fail;
        result.text = QStringLiteral("skyquill: ") + error + QLatin1Char('\n') + usage();
        return result;
    }

    if (parser.isSet(helpOption)) {
        result.action = CommandLine::Action::ShowHelp;
        result.text = usage();
        return result;
    }
    if (parser.isSet(versionOption)) {
        result.action = CommandLine::Action::ShowVersion;
        result.text = QStringLiteral("skyquill " SKYQUILL_VERSION "\n");
        return result;
    }
    result.headless = parser.isSet(headlessOption);
    result.importCsvDir = parser.value(importCsvOption);
    result.solarInput = parser.value(solarInputOption).toInt();
    // Absolute, so that the settings say where they are whatever the
    // working folder was.
    if (parser.isSet(settingsDirOption))
        result.settingsDir = QDir::cleanPath(QDir(parser.value(settingsDirOption)).absolutePath());
    return result;
}

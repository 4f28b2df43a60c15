#pragma once

#include "records/reportcommand.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for. Parsed before any application object
// exists, since --headless decides which kind to make, and --help and
// --version must work without a display.
struct CommandLine
{
    enum class Action
    {
        Run,
        ShowHelp, // `text` goes to stdout, exit 0
        ShowVersion, // the same
        Fail, // `text` (the error, then the usage) goes to stderr, exit 2
    };

    Action action = Action::Run;
    bool headless = false;
    // Not empty: fold the data log's CSV files in this folder into the
    // archive, then exit.
    QString importCsvDir;
    // With an import: the analog input (1 or 2) wired to a solar sensor; 0
    // for none, since the files do not say.
    int solarInput = 0;
    // Set: print this climate report from the archive, then exit.
    std::optional<records::ReportRequest> report;
    // Empty: the usual settings folder.
    QString settingsDir;
    QString text;
};

// `arguments` as the program got them, its own path first.
CommandLine parseCommandLine(const QStringList &arguments);

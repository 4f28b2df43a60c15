#include "app/commandline.h"

#include <QDir>
#include <QtTest>

// The command line, parsed before any application object exists.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void runOptions()
    {
        CommandLine plain = parseCommandLine({ "skyquill" });
        QCOMPARE(plain.action, CommandLine::Action::Run);
        QVERIFY(!plain.headless);
        QVERIFY(plain.settingsDir.isEmpty());

        CommandLine service = parseCommandLine(
            { "/usr/bin/skyquill", "--headless", "--settings-dir", "/var/lib/skyquill/" });
        QCOMPARE(service.action, CommandLine::Action::Run);
        QVERIFY(service.headless);
        QCOMPARE(service.settingsDir, QStringLiteral("/var/lib/skyquill"));

        // A relative folder is taken from where the program was started.
        CommandLine relative = parseCommandLine({ "skyquill", "--settings-dir=here/../there" });
        QCOMPARE(relative.settingsDir, QDir::currentPath() + "/there");
    }

    void helpAndVersionWinOverRunning()
    {
        const CommandLine help = parseCommandLine({ "skyquill", "--headless", "-h" });
        QCOMPARE(help.action, CommandLine::Action::ShowHelp);
        QVERIFY(help.text.startsWith("Usage: skyquill [options]\n"));
        for (const char *option : { "--help", "--version", "--headless", "--settings-dir <DIR>" })
            QVERIFY2(help.text.contains(option), option);

        const CommandLine version = parseCommandLine({ "skyquill", "--version" });
        QCOMPARE(version.action, CommandLine::Action::ShowVersion);
        QCOMPARE(version.text, QStringLiteral("skyquill " PROJECT_VERSION "\n"));
    }

    void reportsNameTheirPeriod()
    {
        const CommandLine month = parseCommandLine({ "skyquill", "--report", "month", "2026-11" });
        QCOMPARE(month.action, CommandLine::Action::Run);
        QVERIFY(month.report && month.report->year == 2026 && month.report->month == 11);
        const CommandLine year = parseCommandLine({ "skyquill", "--report=year", "2026" });
        QVERIFY(year.report && year.report->year == 2026 && year.report->month == 0);
    }

    void mistakesFailWithTheUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown") << QStringList { "skyquill", "--bogus" }
                                 << "skyquill: Unknown option 'bogus'.";
        QTest::newRow("single dash") << QStringList { "skyquill", "-headless" }
                                     << "skyquill: Unknown option"; // -h -e -a ... compacted
        QTest::newRow("no folder") << QStringList { "skyquill", "--settings-dir" }
                                   << "skyquill: Missing value after '--settings-dir'.";
        QTest::newRow("empty folder") << QStringList { "skyquill", "--settings-dir=" }
                                      << "skyquill: The settings folder must not be empty.";
        QTest::newRow("stray word") << QStringList { "skyquill", "headless" }
                                    << "skyquill: Unexpected argument 'headless'.";
        QTest::newRow("report month") << QStringList { "skyquill", "--report", "month", "2026-13" }
                                      << "skyquill: --report month wants YYYY-MM";
        QTest::newRow("report kind") << QStringList { "skyquill", "--report", "week", "2026" }
                                     << "skyquill: --report wants month YYYY-MM or year YYYY.";
        QTest::newRow("report period") << QStringList { "skyquill", "--report", "year" }
                                       << "skyquill: --report wants month YYYY-MM or year YYYY.";
        QTest::newRow("report extra") << QStringList { "skyquill", "--report", "year", "2026", "x" }
                                      << "skyquill: Unexpected argument 'x'.";
    }

    void mistakesFailWithTheUsage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const CommandLine result = parseCommandLine(arguments);
        QCOMPARE(result.action, CommandLine::Action::Fail);
        QVERIFY2(result.text.section('\n', 0, 0).startsWith(error), qPrintable(result.text));
        QVERIFY(result.text.contains("\nUsage: skyquill [options]\n"));
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"

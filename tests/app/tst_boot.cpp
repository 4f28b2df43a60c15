#include "support/freeport.h"
#include "support/privatehome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// Runs the real program headless in a private home folder, with the debug log
// on, so every QML warning it raises lands in the log file where we can see it.
class TestBoot : public QObject
{
    Q_OBJECT

private slots:
    void bootsCleanlyAndQuitsOnSigterm()
    {
        PrivateHome home;
        QVERIFY(home.make("DebugLog=true\nSerialPort=/nonexistent/tty\nGatewayPort="
            + QByteArray::number(freeTcpPort()) + "\n"));

        QProcess program;
        program.setProcessEnvironment(home.environment());
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(SKYQUILL_BINARY), QStringList());
        QVERIFY(program.waitForStarted());

        const QString logPath = home.path() + "/Desktop/quorindebuglog.txt";
        QTRY_VERIFY_WITH_TIMEOUT(readLog(logPath).contains("Debug: Application starting\n"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(readLog(logPath).contains(windowShownLine()), 20000);

        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        const QByteArray log = readLog(logPath);
        QVERIFY(log.startsWith("\n\nDebug: Application starting\n"));
        for (const QByteArray &line : log.split('\n')) {
            // The port's error dialog is a widget message box (the console
            // runs a widgets application for its charts), whose size limits
            // the offscreen platform says it cannot pass on.
            if (line == "Warning: This plugin does not support propagateSizeHints()")
                continue;
            QVERIFY2(
                !line.startsWith("Warning: ") && !line.startsWith("Critical: "), line.constData());
        }
    }

private:
    static QByteArray windowShownLine() { return "Debug: Main window loaded\n"; }

    static QByteArray readLog(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

QTEST_GUILESS_MAIN(TestBoot)
#include "tst_boot.moc"

#include "commandrunner.h"

#include <QDebug>
#include <QProcess>
#include <QTimer>

namespace alarms {

namespace {

constexpr const char *KilledProperty = "killedAtDeadline";

} // namespace

CommandRunner::CommandRunner(QObject *parent)
    : QObject(parent)
{
}

CommandRunner::~CommandRunner()
{
    for (QProcess *p : findChildren<QProcess *>()) {
        p->disconnect(this);
        p->kill();
        p->waitForFinished(1000);
    }
}

void CommandRunner::run(const QString &command, const QStringList &arguments)
{
    QStringList words = QProcess::splitCommand(command);
    if (words.isEmpty())
        return;
    const QString program = words.takeFirst();
    auto *process = new QProcess(this);
    // Nobody reads what it prints; a full pipe must not stall it.
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto *deadline = new QTimer(process);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, process, [process] {
        process->setProperty(KilledProperty, true);
        process->kill();
    });
    const auto end = [this, process, program](const QString &problem) {
        if (!problem.isEmpty())
            qInfo().noquote() << QStringLiteral("Alarm command %1 %2").arg(program, problem);
        process->deleteLater();
        emit finished(problem);
    };
    connect(process, &QProcess::errorOccurred, this, [process, end](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end(QStringLiteral("did not start: ") + process->errorString());
    });
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
        [this, process, end](int code, QProcess::ExitStatus status) {
            if (process->property(KilledProperty).toBool())
                end(QStringLiteral("was killed after %1 s").arg(timeoutMs / 1000.0));
            else if (status != QProcess::NormalExit)
                end(QStringLiteral("crashed"));
            else if (code != 0)
                end(QStringLiteral("exited with %1").arg(code));
            else
                end(QString());
        });
    deadline->start(timeoutMs);
    process->start(program, words + arguments);
}

} // namespace alarms

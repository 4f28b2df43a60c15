#pragma once

#include <QObject>
#include <QStringList>

namespace alarms {

// Runs the alarm command: a program and its own arguments, split as a shell
// would split words but run without one, followed by the alarm's arguments.
// A run that outlasts the deadline is killed; a failure is logged.
class CommandRunner : public QObject
{
    Q_OBJECT

public:
    explicit CommandRunner(QObject *parent = nullptr);
    // Kills what still runs.
    ~CommandRunner() override;

    void setTimeout(int ms) { timeoutMs = ms; }
    void run(const QString &command, const QStringList &arguments);

signals:
    // Once the run ended: "" when it exited with 0, else what went wrong.
    void finished(const QString &problem);

private:
    int timeoutMs = 30000;
};

} // namespace alarms

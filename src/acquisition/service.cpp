#include "service.h"

#include <QElapsedTimer>

qint64 steadyClockMs()
{
    static QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
}

QString listenFailureWords(bool accessDenied, const QString &systemWords)
{
    if (accessDenied)
        return QStringLiteral("permission denied");
    QString why = systemWords.isEmpty() ? QStringLiteral("unknown error") : systemWords;
    // The system's sentences start with a capital; here they follow a colon.
    if (why.size() > 1 && why.at(0).isUpper() && why.at(1).isLower())
        why[0] = why.at(0).toLower();
    return why;
}

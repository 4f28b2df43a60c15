#pragma once

#include <QStringList>
#include <QtGlobal>

// Records what the program and Qt log while a UI test runs: QML warnings fail
// the test, debug lines are there to be checked.
namespace qmlmessages {

inline QStringList warnings;
inline QStringList debugLines;
inline QtMessageHandler previousHandler = nullptr;

inline void record(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // The program's own failure reports for the journal (a portal that the
    // test environment cannot reach, say) are lines to check, not faults.
    const bool alert = context.category
        && QLatin1String(context.category).startsWith(QLatin1String("skyquill.alert."));
    if ((type == QtWarningMsg || type == QtCriticalMsg) && !alert) {
        // The test environment's runtime folder, not the program.
        if (!message.startsWith(QLatin1String("QStandardPaths: ")))
            warnings.append(message);
    } else {
        debugLines.append(message);
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace qmlmessages

#include "reportcommand.h"

#include "minutescan.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QTextStream>

namespace records {

std::optional<ReportRequest> parseReportRequest(
    const QString &kind, const QString &period, QString *error)
{
    static const QRegularExpression monthPattern(QStringLiteral("^(\\d{4})-(\\d{2})$"));
    static const QRegularExpression yearPattern(QStringLiteral("^(\\d{4})$"));
    ReportRequest request;
    if (kind == QLatin1String("month")) {
        const QRegularExpressionMatch m = monthPattern.match(period);
        request.month = m.hasMatch() ? m.captured(2).toInt() : 0;
        if (request.month >= 1 && request.month <= 12) {
            request.year = m.captured(1).toInt();
            return request;
        }
        *error = QStringLiteral("--report month wants YYYY-MM, as in 2026-11.");
    } else if (kind == QLatin1String("year")) {
        const QRegularExpressionMatch m = yearPattern.match(period);
        if (m.hasMatch()) {
            request.year = m.captured(1).toInt();
            return request;
        }
        *error = QStringLiteral("--report year wants YYYY, as in 2026.");
    } else {
        *error = QStringLiteral("--report wants month YYYY-MM or year YYYY.");
    }
    return std::nullopt;
}

int printReport(const ReportRequest &request, const QString &archiveFile,
    const ReportOptions &options, QTextStream &out, QTextStream &err)
{
    const QDate first(request.year, request.month ? request.month : 1, 1);
    const QDate last = request.month ? first.addMonths(1).addDays(-1) : QDate(request.year, 12, 31);
    const QString connection = QStringLiteral("skyquill-report");
    QString error;
    QVector<ClimateDay> days;
    bool ok = openReadOnly(connection, archiveFile, &error);
    if (ok) {
        LocalCalendar calendar(options.zone);
        ok = queryDays(
            QSqlDatabase::database(connection, false), first, last, calendar, &days, &error);
    }
    QSqlDatabase::removeDatabase(connection);
    if (!ok) {
        err << "skyquill: the archive cannot be read: " << error << '\n';
        err.flush();
        return 1;
    }
    out << (request.month ? monthReport(request.year, request.month, days, options)
                          : yearReport(request.year, days, options));
    out.flush();
    return 0;
}

} // namespace records

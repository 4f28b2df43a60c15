#pragma once

#include "climatereport.h"

#include <QString>

#include <optional>

class QTextStream;

// `skyquill --report month YYYY-MM` and `--report year YYYY`.
namespace records {

struct ReportRequest
{
    int year = 0;
    int month = 0; // 0: the year's report
};

// Reads "month" with "2026-11", or "year" with "2026"; nothing, with
// `error` set, for anything else.
std::optional<ReportRequest> parseReportRequest(
    const QString &kind, const QString &period, QString *error);

// Folds the period's local days from the archive and prints its report to
// `out`, or why it cannot to `err`. Returns the exit status: 0, or 1 when
// the archive cannot be read.
int printReport(const ReportRequest &request, const QString &archiveFile,
    const ReportOptions &options, QTextStream &out, QTextStream &err);

} // namespace records

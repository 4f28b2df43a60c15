#pragma once

#include "record/units.h"

#include <QByteArray>
#include <QString>

namespace archive {
struct HistoryData;
}

namespace web {

// At most about this many points per series, whatever the range.
constexpr int HistoryPoints = 1000;

// The period of a history request: a range of the history view ("24h",
// "7d", "30d", "1y") ending at `end` (ISO 8601, empty for now), in buckets
// of the archive's lengths.
struct HistoryWindow
{
    int range = 0;
    qint64 from = 0;
    qint64 to = 0;
    int bucket = 60;
};

// False with `error` set for a range or end that is not one of those.
bool historyWindow(const QString &range, const QString &end, qint64 nowSecs, HistoryWindow *window,
    QString *error);

// The series the history view draws for the period, in the display units:
// {"range","from","to","bucket_s","daily","pressure","units":{...},
//  "series":{name:[[ms,value],...]},"rain":[[startMs,endMs,amount,total],...]}
QByteArray historyJson(const HistoryWindow &window, const archive::HistoryData &data,
    const DisplayUnits &units, const QString &error = QString());

} // namespace web

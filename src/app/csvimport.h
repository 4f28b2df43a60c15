#pragma once

#include <QString>

class QTextStream;
class SysSettings;

// `skyquill --import-csv DIR`: reads the data log's daily CSV files (*.csv in
// DIR) into the archive beside the settings, in the display units the
// settings hold now, since the files name none. Minutes already archived are
// kept as they are. A value outside physical bounds (meteo/physicalbounds.h)
// is left out of its row and counted. Prints each unreadable line and a
// summary to `out` (stdout when null). Returns 0, or 1 when no row could be
// read.
int runCsvImport(
    const QString &dir, SysSettings &settings, int solarInput = 0, QTextStream *out = nullptr);

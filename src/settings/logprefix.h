#pragma once

#include <QString>

// The data log's files are named prefix + date + ".csv" inside LogPath: a
// prefix with a path separator or ".." could name a file anywhere else.
inline bool safeLogPrefix(const QString &prefix)
{
    return !prefix.contains(QLatin1Char('/')) && !prefix.contains(QLatin1Char('\\'))
        && !prefix.contains(QLatin1String(".."));
}

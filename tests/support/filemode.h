#pragma once

#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>

// The permission bits of `path` (07777), or -1 when it is not there.
inline int fileMode(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}
#endif

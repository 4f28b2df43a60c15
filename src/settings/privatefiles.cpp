#include "privatefiles.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace privatefiles {

#ifdef Q_OS_UNIX

namespace {

// Changes the mode of a `type` (S_IFDIR, S_IFREG) when `extra` bits are
// set, and says what it did.
void narrow(const QString &path, mode_t type, mode_t extra, mode_t wanted)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(name.constData(), &info) != 0 || (info.st_mode & S_IFMT) != type
        || (info.st_mode & extra) == 0)
        return;
    const mode_t was = info.st_mode & 07777;
    if (::chmod(name.constData(), wanted) != 0) {
        qInfo().noquote() << QStringLiteral("%1 is open to other users (%2) and cannot be "
                                            "made private: %3")
                                 .arg(path, QString::number(was, 8), qt_error_string(errno));
        return;
    }
    qInfo().noquote() << QStringLiteral("%1 was open to other users (%2): now %3")
                             .arg(path, QString::number(was, 8), QString::number(wanted, 8));
}

} // namespace

bool makeFolder(const QString &folder)
{
    if (QFileInfo::exists(folder)) {
        narrow(folder, S_IFDIR, S_IRWXO, 0700);
        return true;
    }
    // Empty until the mode is set; the parents made on the way hold nothing.
    return QDir().mkpath(folder) && ::chmod(QFile::encodeName(folder).constData(), 0700) == 0;
}

void prepareFile(const QString &file)
{
    const QByteArray name = QFile::encodeName(file);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    tighten(file);
}

void tighten(const QString &file)
{
    narrow(file, S_IFREG, S_IRWXG | S_IRWXO, 0600);
}

#else

bool makeFolder(const QString &folder)
{
    return QDir().mkpath(folder);
}

void prepareFile(const QString &) { }

void tighten(const QString &) { }

#endif

} // namespace privatefiles

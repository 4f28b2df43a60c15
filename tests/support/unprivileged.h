#pragma once

#include <QFile>

#include <sys/fsuid.h>
#include <unistd.h>

// File permissions as an ordinary user sees them, for the calling thread only:
// tests run as root in CI, where a mode-000 file would open all the same.
// Dropping the file-system uid drops the capabilities that override modes.
namespace unprivileged {

constexpr uid_t nobody = 65534;

// Returns false when there was nothing to drop (not root).
inline bool dropFileAccess()
{
    if (::geteuid() != 0)
        return false;
    ::setfsuid(nobody);
    return ::setfsuid(uid_t(-1)) == nobody;
}

inline void restoreFileAccess()
{
    if (::geteuid() == 0)
        ::setfsuid(0);
}

// Lets the ordinary user search `folder` (mode 0755), so that only the modes
// of the files in it deny. Root's group still matches a root-owned folder's
// group bits after the drop, so those are opened too.
inline bool letIn(const QString &folder)
{
    return QFile::setPermissions(folder,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
            | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
            | QFileDevice::ExeOther);
}

struct Scope
{
    Scope() { dropFileAccess(); }
    ~Scope() { restoreFileAccess(); }
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;
};

} // namespace unprivileged

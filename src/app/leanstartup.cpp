#include "leanstartup.h"

#include <QByteArray>
#include <QTimer>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace leanstartup {

void setAtlasSize()
{
    for (const char *name : { "QSG_ATLAS_WIDTH", "QSG_ATLAS_HEIGHT" })
        if (!qEnvironmentVariableIsSet(name))
            qputenv(name, QByteArrayLiteral("512"));
}

void trimHeapSoon(int delayMs)
{
#if defined(__GLIBC__)
    QTimer::singleShot(delayMs, [] { malloc_trim(0); });
#else
    Q_UNUSED(delayMs)
#endif
}

} // namespace leanstartup

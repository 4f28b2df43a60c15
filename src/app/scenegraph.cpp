#include "scenegraph.h"

#include <QDebug>
#include <QDir>
#include <QQuickWindow>
#include <QSGRendererInterface>

#if defined(Q_OS_LINUX)
#include <unistd.h>
#endif

namespace scenegraph {

bool softwareWanted(const QString &driFolder)
{
#if defined(Q_OS_LINUX)
    if (!qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")
        || !qEnvironmentVariableIsEmpty("QMLSCENE_DEVICE"))
        return false;
    const QByteArray forced = qgetenv("LIBGL_ALWAYS_SOFTWARE");
    if (!forced.isEmpty() && forced != "0" && forced.compare("false", Qt::CaseInsensitive) != 0)
        return true;
    const QDir dri(driFolder);
    const QStringList devices = dri.entryList(
        { QStringLiteral("renderD*"), QStringLiteral("card*") }, QDir::System | QDir::Files);
    for (const QString &device : devices)
        if (::access(QFile::encodeName(dri.filePath(device)).constData(), R_OK | W_OK) == 0)
            return false;
    return true;
#else
    Q_UNUSED(driFolder)
    return false;
#endif
}

void choose()
{
    // "opengl" is no backend Qt knows: it warns and draws with OpenGL. Asked
    // for by name, OpenGL comes without the warning.
    if (qgetenv("QT_QUICK_BACKEND") == "opengl") {
        qunsetenv("QT_QUICK_BACKEND");
        return;
    }
    if (!softwareWanted())
        return;
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    qDebug() << "No GPU to draw with: using Qt Quick's software renderer";
}

} // namespace scenegraph

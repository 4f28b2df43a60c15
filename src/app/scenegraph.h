#pragma once

#include <QString>

// Where no GPU can be opened, Mesa's OpenGL rasterises on the CPU (llvmpipe)
// and compiles every shader with LLVM: the dashboard then costs about three
// times the memory and five times the CPU of Qt Quick's own software
// renderer, which draws just the changed parts with QPainter. The small
// always-on computers beside a station are often such machines.
namespace scenegraph {

// True when the console should draw with the software renderer: nobody chose
// a backend (QT_QUICK_BACKEND), and OpenGL would be software anyway, because
// it is asked to be (LIBGL_ALWAYS_SOFTWARE) or because `driFolder` holds no
// GPU device this user may open. Linux only; elsewhere the platform decides.
bool softwareWanted(const QString &driFolder = QStringLiteral("/dev/dri"));

// Before the first window: chooses the software renderer when it is wanted,
// and says so in the debug log. QT_QUICK_BACKEND=opengl asks for OpenGL.
void choose();

} // namespace scenegraph

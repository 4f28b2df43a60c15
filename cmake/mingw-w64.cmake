# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (posix threads, to
# match the prebuilt Qt). Qt's prefix comes in as CMAKE_PREFIX_PATH.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${CMAKE_PREFIX_PATH})
# Qt's host tools (moc, rcc, qmlcachegen) are Linux programs.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Debian's cross wrapper: pkg-config finds Windows libraries only, never the
# host's (a Linux libmosquitto would otherwise be taken).
set(PKG_CONFIG_EXECUTABLE x86_64-w64-mingw32-pkg-config CACHE FILEPATH "")

#pragma once

#include <QString>

// The settings folder and the files that hold passwords or the station's
// history are the console user's alone: on Unix a folder is 0700 when made
// here and a file 0600, and an existing one open to others is tightened, with
// one log line saying so. A folder's group bits are left as they are: the
// service's state folder is its own group's on purpose. Elsewhere nothing
// happens.
namespace privatefiles {

// Makes `folder` (and its parents) if missing. False when it cannot be made.
bool makeFolder(const QString &folder);

// Creates `file` empty and 0600 if missing, so that whatever writes it next
// (QSettings, SQLite) keeps that mode; tightens it if it exists.
void prepareFile(const QString &file);

// Tightens `file` if it exists and allows more than its owner's reading and
// writing; creates nothing.
void tighten(const QString &file);

} // namespace privatefiles

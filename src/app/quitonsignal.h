#pragma once

class QCoreApplication;

// Turns SIGINT and SIGTERM into a normal quit of the event loop (exit code 0),
// so the shut-down path runs and deferred settings writes reach the disk.
// On Windows the console's Ctrl+C, Ctrl+Break and close events do the same.
void quitOnTerminationSignals(QCoreApplication *app);

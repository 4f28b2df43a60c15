#pragma once

class SysSettings;

// The console without a window or a QML engine, for a service: polls the
// station and feeds every consumer as usual, writes its status lines to
// stderr, and returns 0 when SIGTERM or SIGINT ends it. Needs a
// QCoreApplication; `settings` must outlive the call.
int runHeadless(SysSettings &settings);

#pragma once

// What the console tells systemd when it runs as a Type=notify service with
// a watchdog: that it is up, that its polling thread lives, that it is
// stopping. Outside systemd (no NOTIFY_SOCKET), and where the console is
// built without libsystemd, every call does nothing.
namespace servicenotify {

void ready();
// Called on every heartbeat of the acquisition thread; passes at most one
// ping a second on.
void watchdog();
void stopping();

} // namespace servicenotify

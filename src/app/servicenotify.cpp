#include "servicenotify.h"

#include <QElapsedTimer>

#include <atomic>

#ifdef SKYQUILL_HAVE_SYSTEMD
#include <systemd/sd-daemon.h>
#endif

namespace servicenotify {

namespace {

void send(const char *state)
{
#ifdef SKYQUILL_HAVE_SYSTEMD
    sd_notify(0, state);
#else
    (void)state;
#endif
}

qint64 monotonicMs()
{
    static const QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
}

} // namespace

void ready()
{
    send("READY=1\nSTATUS=Polling the station");
}

void watchdog()
{
    // The watchdog allows tens of seconds; a datagram per heartbeat (twenty
    // a second while the thread naps) would only be noise.
    static std::atomic<qint64> last { -1000 };
    const qint64 now = monotonicMs();
    qint64 before = last.load();
    if (now - before < 1000 || !last.compare_exchange_strong(before, now))
        return;
    send("WATCHDOG=1");
}

void stopping()
{
    send("STOPPING=1");
}

} // namespace servicenotify

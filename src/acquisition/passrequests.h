#pragma once

#include <QMutex>

#include <atomic>

// What the main thread asks of the acquisition thread (stop, or end the pass
// and reopen the link), and the interrupt that makes a transaction in
// progress give up. A stop counts only for a run that is starting or
// running, so one that lands while a finished run winds down cannot stop the
// next start.
class PassRequests
{
public:
    // Main thread.
    // Before the thread is started. False while a run is still starting or
    // running, which the new start then joins.
    bool starting();
    // The interrupt goes up before the request: a pass that sees the request
    // and clears the interrupt as it begins can never find it raised after.
    void requestRestart();
    // False when no run is starting or running. The request goes up before
    // the interrupt, so a pass that begins meanwhile keeps the interrupt.
    bool requestStop();
    // A run ended and the thread is winding down, or nothing was started.
    bool idle() const;

    // Acquisition thread.
    void runBegins();
    // At the top of each pass: takes a pending restart (returned) and clears
    // the interrupt.
    bool beginPass();
    // Forgets every request; later stops are for no run.
    void runEnds();

    bool stopRequested() const { return stop.load(); }
    bool restartRequested() const { return restart.load(); }
    const std::atomic<bool> *interrupt() const { return &interruptFlag; }

private:
    enum class Run
    {
        Idle,
        Starting,
        Running
    };

    std::atomic<bool> stop { false };
    std::atomic<bool> restart { false };
    std::atomic<bool> interruptFlag { false };
    mutable QMutex mutex;
    Run run = Run::Idle;
};

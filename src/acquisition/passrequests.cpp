#include "passrequests.h"

#include <QMutexLocker>

bool PassRequests::starting()
{
    QMutexLocker locker(&mutex);
    if (run != Run::Idle)
        return false;
    stop = false;
    run = Run::Starting;
    return true;
}

void PassRequests::requestRestart()
{
    interruptFlag = true;
    restart = true;
}

bool PassRequests::requestStop()
{
    QMutexLocker locker(&mutex);
    if (run == Run::Idle)
        return false;
    stop = true;
    interruptFlag = true;
    return true;
}

bool PassRequests::idle() const
{
    QMutexLocker locker(&mutex);
    return run == Run::Idle;
}

void PassRequests::runBegins()
{
    QMutexLocker locker(&mutex);
    run = Run::Running;
}

bool PassRequests::beginPass()
{
    const bool restarted = restart.exchange(false);
    interruptFlag = false;
    // A stop raised meanwhile keeps its interrupt: stop is set before it.
    if (stop)
        interruptFlag = true;
    return restarted;
}

void PassRequests::runEnds()
{
    QMutexLocker locker(&mutex);
    stop = false;
    run = Run::Idle;
}

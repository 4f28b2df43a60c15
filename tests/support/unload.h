#pragma once

#include "acquisition/qmodbus.h"

#include <QCoreApplication>

// Before a test tears down its QML engine: stop the acquisition thread and
// deliver the change notifications it queued for the bindings, while their
// objects still exist. Undelivered, each holds a small QML proxy object that
// would read as a leak at exit.
inline void stopAcquisitionAndDrain(QModbus *modbus)
{
    if (modbus) {
        modbus->quit();
        modbus->wait();
    }
    QCoreApplication::sendPostedEvents();
}

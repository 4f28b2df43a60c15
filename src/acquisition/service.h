#pragma once

#include "record/stationcycle.h"

#include <QString>
#include <QVariantMap>

#include <functional>

class SettingsReader;

// What the console plugs in beside the acquisition: a service takes every
// published cycle and its own settings struct, which it reads from the store,
// and knows neither the acquisition object nor the other services. Adding one
// is a folder of its own and one line where the console lists its services.
class Service
{
public:
    using StatusSink = std::function<void(const QVariantMap &status)>;

    virtual ~Service() = default;

    // Each published cycle, good or failed, on the main thread, queued from
    // the acquisition thread.
    virtual void takeCycle(const CyclePtr &cycle) = 0;
    // Reads the service's settings struct, at start and after every change of
    // any key; a struct equal to the one it has changes nothing.
    virtual void readSettings(const SettingsReader &settings) = 0;

    // Where the service reports its status for the interface to show (what it
    // is doing, when it last succeeded, why it failed); set by the console.
    void setStatusSink(StatusSink sink) { statusSink = std::move(sink); }

protected:
    void reportStatus(const QVariantMap &status) const
    {
        if (statusSink)
            statusSink(status);
    }

private:
    StatusSink statusSink;
};

// Milliseconds on a steady clock, the default of the services' timeouts.
qint64 steadyClockMs();

// Why a server could not listen, to follow "Not ... on port N: ":
// "permission denied", or the system's words with a lower-case start.
QString listenFailureWords(bool accessDenied, const QString &systemWords);

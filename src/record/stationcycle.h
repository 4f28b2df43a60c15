#pragma once

#include "stationvalues.h"

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QVariantMap>

#include <memory>

// One poll cycle as the acquisition saw it. This is all that the consumers of
// the station's data (data log, portal upload, gateway, archive, MQTT) take:
// never the acquisition object itself. Immutable once published, so it may be
// read on any thread.
struct StationCycle
{
    enum class Kind
    {
        Good, // both blocks read, values fresh
        Failed, // the data read failed: values are the last good ones
        NoLink, // the link would not open: nothing was read
    };

    Kind kind = Kind::NoLink;
    // The first cycle published in a link pass.
    bool firstOfPass = false;
    // The first cycle published since the acquisition started or the user
    // restarted it (a settings change); the link's own reopens do not count.
    bool firstSinceStart = false;
    // Base units. The lightning counts are running totals since the console
    // started, so a consumer takes the difference to its last look; the day's
    // rain is the station's own total, which it resets at its day start.
    StationValues values;
    // The wire bytes of the last good read of each block (RegisterImage::Size).
    QByteArray registers;
    bool dataMissing = true;
    QDateTime local;
    QDateTime utc;
    // How many values of each checked quantity (by state key) the data checks
    // refused since the console started.
    QVariantMap rejectedTotals;

    bool good() const { return kind == Kind::Good; }
};

using CyclePtr = std::shared_ptr<const StationCycle>;
Q_DECLARE_METATYPE(CyclePtr)

// A consumer that takes every cycle on the acquisition thread, in order,
// before the next one is read: one that must see each cycle and may block on
// its disk (the data log) without holding up the GUI.
class CycleSink
{
public:
    virtual ~CycleSink() = default;
    virtual void takeCycle(const StationCycle &cycle) = 0;
};

#pragma once

// When the poll loop writes a data-log row: on the first cycle after a start
// or a restart by the user, then every `interval` cycles. Cycles while logging
// is off do not count.
class LogTrigger
{
public:
    // At a start, or a restart the user asked for.
    void reset() { counter = 0; }

    // Once per poll cycle, after the data read, whether it succeeded or not.
    bool due(bool enabled, int interval)
    {
        if (!enabled)
            return false;
        // Only a hand-edited settings file can hold less than 1: log every cycle.
        if (interval < 1)
            interval = 1;
        const bool write = counter % interval == 0;
        if (write)
            counter = 0;
        ++counter;
        return write;
    }

private:
    int counter = 0;
};

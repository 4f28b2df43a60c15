#pragma once

#include <QString>

class SysSettings;

// One way of reaching the station (serial RTU or Modbus TCP), owned and used
// only by the acquisition thread for one link pass.
class StationLink
{
public:
    virtual ~StationLink() = default;

    // Opens the link with the current settings, logging each step.
    virtual bool open(const SysSettings &settings) = 0;
    // After a failed open(): why, as one or two sentences for the user.
    virtual QString openFailure() const { return QString(); }
    // A read transaction: the count on success, 0 or a negative code otherwise.
    virtual int readRegisters(
        quint8 unit, quint8 function, int firstRegister, int count, quint16 *destination)
        = 0;
    virtual void close() = 0;
    // The device or peer went away: the pass ends and the link is reopened.
    virtual bool isLost() const = 0;
};

// `text` as a sentence for the error dialog: trimmed, with a full stop at its end.
QString asSentence(const QString &text);

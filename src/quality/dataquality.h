#pragma once

#include "calibration.h"
#include "spikefilter.h"

#include <QString>
#include <QVariantMap>

#include <array>

class SettingsReader;

namespace quality {

struct QualitySettings
{
    Calibration calibration;
    bool checks = true; // limits and the spike filter, together

    bool operator==(const QualitySettings &o) const
    {
        return calibration == o.calibration && checks == o.checks;
    }
    bool operator!=(const QualitySettings &o) const { return !(*this == o); }
};

// The settings of the group "Quality".
QualitySettings qualitySettingsFrom(const SettingsReader &settings);

// How many values of each quantity were rejected since the start.
class RejectionCounts
{
public:
    void add(QuantitySet rejected);
    quint64 total(Quantity q) const { return totals[std::size_t(q)]; }

    // Every quantity's total by its state key, as a cycle carries them, and
    // back (a key it does not know is ignored).
    QVariantMap byKey() const;
    void take(const QVariantMap &byKey);

    // "Temperature 2, Wind gust 1", or "None" while nothing was rejected.
    QString summary() const;

    // The line for stderr: once an hour, and only when values were rejected
    // since the last one; empty otherwise. The first call starts the hour.
    QString hourlyLine(qint64 nowMs);

private:
    using Counts = std::array<quint64, QuantityCount>;
    static QString listOf(const Counts &counts);

    Counts totals {};
    Counts atLastLine {};
    bool started = false;
    qint64 lineAt = 0;
};

// The data checks the acquisition runs on each good read, between decoding
// and deriving: calibration, then the bounds and the spike filter. A value
// that fails becomes NaN for that cycle and is counted.
class DataQuality
{
public:
    // Ignored when equal to the current settings. Checks that come back on
    // start afresh: the last good values may be from long ago.
    void setSettings(const QualitySettings &s);
    const QualitySettings &settings() const { return current; }

    void calibrate(Readings &r) const;

    // Checks calibrated readings taken at `atMs`; `rainScale` turns the
    // station's rain unit into millimetres. Returns the quantities rejected.
    QuantitySet check(Readings &r, qint64 atMs, double rainScale = 1);

    // What the gateway serves after `check` rejected `rejected`: for each
    // quantity in `which`, a value that is not the station's own, corrected,
    // or the last good one of a rejected quantity (NaN before there was one).
    struct Served
    {
        Readings values;
        QuantitySet which;
    };
    Served served(const Readings &checked, QuantitySet rejected) const;

    RejectionCounts &rejections() { return counts; }
    const RejectionCounts &rejections() const { return counts; }

private:
    QualitySettings current;
    std::array<SpikeFilter, QuantityCount> filters;
    Readings lastGood;
    RejectionCounts counts;
};

} // namespace quality

#pragma once

#include "quality/dataquality.h"
#include "service.h"

#include <functional>
#include <optional>

// The console's side of the data checks, which run on the acquisition
// thread: hands them their settings after every change, and reports the
// counts of refused values that each cycle carries, on the Advanced page and
// once an hour on stderr.
class QualityService : public Service
{
public:
    using Handover = std::function<void(const quality::QualitySettings &settings)>;

    explicit QualityService(Handover handover)
        : handOver(std::move(handover))
    {
    }

    void takeCycle(const CyclePtr &cycle) override;
    void readSettings(const SettingsReader &settings) override;

private:
    void report();

    Handover handOver;
    std::optional<quality::QualitySettings> current;
    quality::RejectionCounts counts;
    QVariantMap lastTotals;
    bool reported = false;
};

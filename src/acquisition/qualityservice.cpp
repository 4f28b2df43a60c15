#include "qualityservice.h"

#include <QDebug>

void QualityService::readSettings(const SettingsReader &settings)
{
    const quality::QualitySettings s = quality::qualitySettingsFrom(settings);
    if (current == s)
        return;
    current = s;
    handOver(s);
    report();
}

void QualityService::takeCycle(const CyclePtr &cycle)
{
    if (!cycle->rejectedTotals.isEmpty() && cycle->rejectedTotals != lastTotals) {
        lastTotals = cycle->rejectedTotals;
        counts.take(lastTotals);
        report();
    } else if (!reported) {
        report();
    }
    const QString line = counts.hourlyLine(cycle->utc.toMSecsSinceEpoch());
    if (!line.isEmpty())
        qInfo().noquote() << line;
}

void QualityService::report()
{
    reported = true;
    reportStatus({
        { QStringLiteral("checks"), current ? current->checks : true },
        { QStringLiteral("rejected"), counts.summary() },
        { QStringLiteral("totals"), lastTotals },
    });
}

#pragma once

#include <QByteArray>
#include <QVariantMap>

struct StationValues;

namespace web {

// The Prometheus gauges of the state object: one per numeric key, named in
// the base units Prometheus asks for, a quantity the station does not
// deliver (null in the state object) left out; then the counter
// `skyquill_rejected_total` with a sample per quantity (state key) the data
// checks refused values of. Made once per cycle.
QByteArray metricGauges(const StationValues &values, const QVariantMap &rejectedTotals = {});

// The whole exposition: the gauges of the last good read (empty before the
// first), then `skyquill_up` and, once there is one,
// `skyquill_last_update_timestamp_seconds` (`lastUpdate` in UTC epoch
// seconds, below 0 for none).
QByteArray metricsText(const QByteArray &gauges, bool up, qint64 lastUpdate);

} // namespace web

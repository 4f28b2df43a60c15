#pragma once

#include "state/publication.h"

#include <QString>

namespace alarms {

// An alarm on MQTT: "ON" or "OFF", retained, at BASE/ID/alarm/SLUG, shown in
// Home Assistant as a binary sensor of device class `problem`, named after
// the alarm. Data stopped does not follow the station's availability: it is
// on exactly while the station is unavailable.
state::Publication alarmPublication(const QString &slug, const QString &name, bool raised);

// What takes an alarm off the broker and out of Home Assistant: both emptied.
state::Publication alarmRemoval(const QString &slug);

} // namespace alarms

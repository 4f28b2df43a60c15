#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QMetaType>
#include <QString>

namespace state {

// A message a service other than the MQTT publisher has published under the
// console's topics: BASE/ID/<suffix>, and, when it names one, the Home
// Assistant entity that shows it. The publisher fills in what only it knows
// (the base topic, the station's id, the discovery prefix and flag, the
// device block), so such a service never follows the MQTT settings.
struct Publication
{
    QString suffix;
    // An empty retained payload clears the topic.
    QByteArray payload;
    // A retained message is kept and sent again on every connect, whatever
    // the settings were when it came.
    bool retained = true;

    // "binary_sensor", "sensor", ...; empty for a message without an entity.
    QString component;
    // Unique within the console: the config goes to
    // PREFIX/<component>/skyquill_ID/<objectId>/config.
    QString objectId;
    // The entity's own fields (name, device_class, payload_on, ...); the
    // publisher adds the unique id, the state topic and the device. Empty:
    // the entity is removed.
    QJsonObject entity;
    // Whether the entity shows as unavailable while the station is.
    bool followsAvailability = true;
};

} // namespace state

Q_DECLARE_METATYPE(state::Publication)

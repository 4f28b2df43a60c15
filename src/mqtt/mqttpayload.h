#pragma once

#include "settings/topicprefix.h"
#include "state/publication.h"
#include "state/stateobject.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

struct StationCycle;

// What the console publishes to MQTT, as pure functions of the station's
// values and the settings: topics, availability and the discovery configs of
// the quantities of the state object (src/state).
namespace mqtt {

extern const QByteArray Online;
extern const QByteArray Offline;

// The console's identity in the discovery configs.
struct Device
{
    QString id; // the station's serial number
    QString swVersion;
};

QByteArray availabilityTopic(const QString &base, const QString &id);
QByteArray stateTopic(const QString &base, const QString &id);
QByteArray discoveryTopic(const QString &prefix, const QString &id, const char *key);
// BASE/ID/<suffix>: where another service's message goes.
QByteArray serviceTopic(const QString &base, const QString &id, const QString &suffix);
// PREFIX/<component>/skyquill_ID/<objectId>/config
QByteArray entityTopic(const QString &prefix, const QString &id, const state::Publication &p);

// Station data flows: a good read, nothing missing.
bool available(const StationCycle &cycle);

// The retained discovery config of one quantity.
QByteArray discoveryConfig(
    const state::Quantity &quantity, const Device &device, const QString &base);
// The retained discovery config of another service's entity: its own fields,
// the unique id, its state topic and the device, as the sensors have them.
// Empty when the publication removes the entity.
QByteArray entityConfig(const state::Publication &p, const Device &device, const QString &base);

// True when a state is due: none yet, or `intervalSeconds` since the last. A
// clock set back also counts, or the state would stop until it caught up.
bool stateDue(const QDateTime &last, const QDateTime &now, int intervalSeconds);

// The waits between attempts to reach a broker: the first, doubling up to
// the longest, back to the first after a success.
class Backoff
{
public:
    explicit Backoff(int firstMs = 1000, int longestMs = 60000);
    int next();
    void reset() { upcoming = first; }

private:
    int first;
    int longest;
    int upcoming;
};

} // namespace mqtt

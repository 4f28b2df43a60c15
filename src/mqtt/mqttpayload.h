#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

struct StationCycle;
struct StationValues;

// What the console publishes to MQTT, as pure functions of the station's
// values and the settings: topics, the state object, the discovery configs.
namespace mqtt {

extern const QByteArray Online;
extern const QByteArray Offline;

// One quantity of the state object, as Home Assistant is told about it. An
// empty unit, class or state class is left out of the config.
struct Quantity
{
    const char *key;
    const char *name;
    const char *unit;
    const char *deviceClass;
    const char *stateClass;
};

// Every key of the state object but `time`, in the order they are documented.
const std::vector<Quantity> &quantities();

// The console's identity in the discovery configs.
struct Device
{
    QString id; // the station's serial number
    QString swVersion;
};

QByteArray availabilityTopic(const QString &base, const QString &id);
QByteArray stateTopic(const QString &base, const QString &id);
QByteArray discoveryTopic(const QString &prefix, const QString &id, const char *key);

// Whether a text can stand at the front of a topic we publish to: not empty,
// and free of wildcards and the zero character, which brokers refuse.
bool validTopicPrefix(const QString &text);

// Station data flows: a good read, nothing missing.
bool available(const StationCycle &cycle);

// The state object: base units whatever the display units, C-locale numbers,
// null for a quantity the station does not deliver.
QByteArray stateJson(const StationValues &values, const QDateTime &utc);

// The retained discovery config of one quantity.
QByteArray discoveryConfig(const Quantity &quantity, const Device &device, const QString &base);

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

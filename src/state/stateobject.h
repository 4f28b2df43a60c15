#pragma once

#include "record/stationvalues.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QVariantMap>

#include <optional>
#include <vector>

// The station's state as one object, the same wherever it goes out (MQTT,
// the web, alarms, weather networks): base units whatever the display units,
// C-locale numbers, and null for a quantity the station does not deliver.
namespace state {

// The sensors whose fault (a negative status word, or no rain gauge) makes a
// quantity null.
enum Fault
{
    NoFault = 0,
    WindFault = 1,
    TphFault = 2, // temperature, humidity, pressure
    RainFault = 4,
    LightningFault = 8,
};

// A value the station marks as not there, which goes out as null.
enum class Absent
{
    Never,
    NotAvailable, // -999, a derived index
    NoSolarSensor,
    NotPositive, // lightning distance while there is no storm
};

// Decimals of the rain keys: 2 from a millimetre gauge, 3 from an inch gauge,
// whose hundredths of an inch are a few thousandths of a millimetre off.
constexpr int RainDecimals = -1;

// One key of the state object, declared once: how Home Assistant is told
// about it (an empty unit, class or state class is left out of a discovery
// config), which faults make it null, its decimals, and its value in base
// units, or its text.
struct Quantity
{
    const char *key;
    const char *name;
    const char *unit;
    const char *deviceClass;
    const char *stateClass;
    int faults;
    int decimals;
    double (*value)(const StationValues &values);
    Absent absent = Absent::Never;
    QJsonValue (*text)(const StationValues &values) = nullptr; // the texts (trend, METAR)

    bool numeric() const { return !text; }
};

// Every key of the state object but `time`, in the order they are documented.
const std::vector<Quantity> &quantities();

// The dashboard's METAR line without its markup, trimmed.
QString plainMetarText(const QString &line);

// One key's value: a number rounded to its decimals, a text, or null.
QJsonValue stateValue(const Quantity &quantity, const StationValues &values);
// A numeric key's number; none when it is null or not a numeric key.
std::optional<double> stateNumber(const char *key, const StationValues &values);

// Every key with its value, and `time`.
QJsonObject stateObject(const StationValues &values, const QDateTime &utc);

// The object as compact JSON, as MQTT publishes it; with the counts of the
// values the data checks refused, by key, as `rejected_total` when given.
QByteArray stateJson(
    const StationValues &values, const QDateTime &utc, const QVariantMap &rejectedTotals = {});

} // namespace state

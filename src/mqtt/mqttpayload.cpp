#include "mqttpayload.h"

#include "record/stationcycle.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace mqtt {

const QByteArray Online = QByteArrayLiteral("online");
const QByteArray Offline = QByteArrayLiteral("offline");

namespace {

QString text(const char *latin1)
{
    return QString::fromUtf8(latin1);
}

// What every entity of the console shares: its id, the availability it
// follows, if any, and the device it belongs to.
QByteArray completed(QJsonObject o, const QString &uniqueSuffix, const QByteArray &stateTopic,
    bool followsAvailability, const Device &device, const QString &base)
{
    o.insert(QStringLiteral("unique_id"),
        QStringLiteral("skyquill_") + device.id + QLatin1Char('_') + uniqueSuffix);
    o.insert(QStringLiteral("state_topic"), QString::fromUtf8(stateTopic));
    if (followsAvailability) {
        o.insert(QStringLiteral("availability_topic"),
            QString::fromUtf8(availabilityTopic(base, device.id)));
        o.insert(QStringLiteral("payload_available"), QString::fromLatin1(Online));
        o.insert(QStringLiteral("payload_not_available"), QString::fromLatin1(Offline));
    }
    QJsonObject d;
    d.insert(QStringLiteral("identifiers"), QJsonArray { QStringLiteral("skyquill_") + device.id });
    d.insert(QStringLiteral("name"), QStringLiteral("Skyquill ") + device.id);
    d.insert(QStringLiteral("model"), QStringLiteral("Automatic weather station"));
    d.insert(QStringLiteral("manufacturer"), QStringLiteral("Quorin"));
    d.insert(QStringLiteral("sw_version"), device.swVersion);
    o.insert(QStringLiteral("device"), d);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

} // namespace

QByteArray availabilityTopic(const QString &base, const QString &id)
{
    return (base + QLatin1Char('/') + id + QStringLiteral("/availability")).toUtf8();
}

QByteArray stateTopic(const QString &base, const QString &id)
{
    return (base + QLatin1Char('/') + id + QStringLiteral("/state")).toUtf8();
}

QByteArray discoveryTopic(const QString &prefix, const QString &id, const char *key)
{
    return (prefix + QStringLiteral("/sensor/skyquill_") + id + QLatin1Char('/') + text(key)
        + QStringLiteral("/config"))
        .toUtf8();
}

QByteArray serviceTopic(const QString &base, const QString &id, const QString &suffix)
{
    return (base + QLatin1Char('/') + id + QLatin1Char('/') + suffix).toUtf8();
}

QByteArray entityTopic(const QString &prefix, const QString &id, const state::Publication &p)
{
    return (prefix + QLatin1Char('/') + p.component + QStringLiteral("/skyquill_") + id
        + QLatin1Char('/') + p.objectId + QStringLiteral("/config"))
        .toUtf8();
}

bool available(const StationCycle &cycle)
{
    return cycle.good() && !cycle.dataMissing;
}

QByteArray discoveryConfig(const state::Quantity &q, const Device &device, const QString &base)
{
    const QString key = text(q.key);
    QJsonObject o;
    o.insert(QStringLiteral("name"), text(q.name));
    o.insert(QStringLiteral("value_template"),
        QStringLiteral("{{ value_json.") + key + QStringLiteral(" }}"));
    if (*q.unit)
        o.insert(QStringLiteral("unit_of_measurement"), text(q.unit));
    if (*q.deviceClass)
        o.insert(QStringLiteral("device_class"), text(q.deviceClass));
    if (*q.stateClass)
        o.insert(QStringLiteral("state_class"), text(q.stateClass));
    return completed(o, key, stateTopic(base, device.id), true, device, base);
}

QByteArray entityConfig(const state::Publication &p, const Device &device, const QString &base)
{
    if (p.entity.isEmpty())
        return QByteArray();
    return completed(p.entity, p.objectId, serviceTopic(base, device.id, p.suffix),
        p.followsAvailability, device, base);
}

bool stateDue(const QDateTime &last, const QDateTime &now, int intervalSeconds)
{
    if (last.isNull())
        return true;
    const qint64 elapsed = last.secsTo(now);
    return elapsed < 0 || elapsed >= qBound(1, intervalSeconds, 3600);
}

Backoff::Backoff(int firstMs, int longestMs)
    : first(qMax(1, firstMs))
    , longest(qMax(first, longestMs))
    , upcoming(first)
{
}

int Backoff::next()
{
    const int wait = upcoming;
    upcoming = int(qMin<qint64>(longest, 2 * qint64(upcoming)));
    return wait;
}

} // namespace mqtt

#include "freshness.h"

#include <cmath>

namespace web {

Freshness freshness(qint64 startedMs, qint64 lastGoodMs, qint64 nowMs)
{
    Freshness f;
    const qint64 since = lastGoodMs >= 0 ? lastGoodMs : startedMs;
    f.stale = nowMs - since >= StaleAfterMs;
    if (lastGoodMs >= 0)
        f.ageSeconds = double(qMax<qint64>(0, nowMs - lastGoodMs)) / 1000;
    return f;
}

QByteArray withFreshness(const QByteArray &object, const Freshness &fresh)
{
    // Appended to the object as it stands, so it stays byte for byte the
    // object the other consumers get.
    const int close = object.lastIndexOf('}');
    QByteArray out;
    out.reserve(object.size() + 32);
    if (close > 0)
        out.append(object.constData(), close);
    else
        out = "{";
    if (out.size() > 1)
        out += ',';
    out += "\"age_s\":";
    out += fresh.ageSeconds < 0 ? QByteArray("null")
                                : QByteArray::number(std::round(fresh.ageSeconds * 10) / 10);
    out += fresh.stale ? ",\"stale\":true}" : ",\"stale\":false}";
    return out;
}

QByteArray event(const char *name, const QByteArray &data)
{
    return "event: " + QByteArray(name) + "\ndata: " + data + "\n\n";
}

} // namespace web

#include "historyjson.h"

#include "archive/historyseries.h"
#include "meteo/conversion.h"
#include "settings/units.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>

namespace web {

namespace {

const char *const rangeNames[] = { "24h", "7d", "30d", "1y" };

// The series in the order the pages draw them; solarZero only serves Qt's
// area charts.
const char *const seriesNames[]
    = { "temp", "tempLow", "tempHigh", "dew", "dayLow", "dayHigh", "hum", "humLow", "humHigh",
          "press", "pressLow", "pressHigh", "wind", "gust", "solar", "solarMax" };

// Thousandths are finer than any display shows; the text stays short.
QByteArray number(double value)
{
    return QByteArray::number(std::round(value * 1000) / 1000, 'g', 12);
}

// A JSON string: Qt 5 writes no bare values, so one is cut out of an object.
QByteArray text(const QString &s)
{
    return QJsonDocument(QJsonObject { { QStringLiteral("s"), s } })
        .toJson(QJsonDocument::Compact)
        .mid(5)
        .chopped(1);
}

} // namespace

bool historyWindow(
    const QString &range, const QString &end, qint64 nowSecs, HistoryWindow *window, QString *error)
{
    int index = -1;
    for (int i = 0; i < 4; ++i)
        if (range == QLatin1String(rangeNames[i]))
            index = i;
    if (index < 0) {
        *error = QStringLiteral("range must be 24h, 7d, 30d or 1y");
        return false;
    }
    qint64 last = nowSecs;
    if (!end.isEmpty()) {
        const QDateTime at = QDateTime::fromString(end, Qt::ISODate);
        if (!at.isValid()) {
            *error = QStringLiteral("end must be an ISO 8601 date and time");
            return false;
        }
        last = at.toSecsSinceEpoch();
    }
    window->range = index;
    const qint64 span = archive::rangeSeconds(index);
    window->bucket = archive::bucketSeconds(span, HistoryPoints);
    // The latest period takes in the bucket in progress, as the history view's does.
    window->to = end.isEmpty() ? (last / window->bucket + 1) * window->bucket
                               : (last + window->bucket - 1) / window->bucket * window->bucket;
    window->from = window->to - span;
    return true;
}

QByteArray historyJson(const HistoryWindow &w, const archive::HistoryData &data,
    const DisplayUnits &units, const QString &error)
{
    const archive::SeriesMap series = archive::historySeries(data, w.range, units);
    const bool inches = units.rain == RainGauge::Inches;

    QByteArray out;
    out.reserve(64 * 1024);
    out += "{\"range\":\"" + QByteArray(rangeNames[w.range]) + "\",\"from\":"
        + QByteArray::number(w.from * 1000) + ",\"to\":" + QByteArray::number(w.to * 1000)
        + ",\"bucket_s\":" + QByteArray::number(w.bucket)
        + ",\"daily\":" + (archive::dailyRange(w.range) ? "true" : "false") + ",\"pressure\":"
        + (units.pressureReading == PressureReading::Station ? "\"station\"" : "\"sea-level\"");
    out += ",\"units\":{\"temperature\":" + text(units::temperatureLabel(units.temperature))
        + ",\"pressure\":" + text(units::pressureLabel(units.pressure))
        + ",\"speed\":" + text(units::speedLabel(units.speed))
        + ",\"rain\":" + (inches ? "\"in\"" : "\"mm\"") + "}";
    if (!error.isEmpty())
        out += ",\"error\":" + text(error);

    out += ",\"series\":{";
    bool firstSeries = true;
    for (const char *name : seriesNames) {
        const auto found = series.constFind(QLatin1String(name));
        if (found == series.constEnd())
            continue;
        out += (firstSeries ? "\"" : ",\"") + QByteArray(name) + "\":[";
        firstSeries = false;
        bool first = true;
        for (const QPointF &p : *found) {
            out += (first ? "[" : ",[") + QByteArray::number(qint64(p.x())) + ',' + number(p.y())
                + ']';
            first = false;
        }
        out += ']';
    }
    // Rain as bars, one per hour or local day, with the total so far.
    out += "},\"rain\":[";
    bool first = true;
    for (const archive::Period &p : data.periods) {
        if (std::isnan(p.rain))
            continue;
        out += (first ? "[" : ",[") + QByteArray::number(qMax(p.start, w.from) * 1000) + ','
            + QByteArray::number(qMin(p.end, w.to) * 1000) + ','
            + number(meteo::convertRain(p.rain, units.rain)) + ','
            + number(meteo::convertRain(p.runningRain, units.rain)) + ']';
        first = false;
    }
    out += "]}";
    return out;
}

} // namespace web

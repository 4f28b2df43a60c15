#include "recordtext.h"

#include "meteo/conversion.h"
#include "settings/units.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace records {

namespace {

QString fixed(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double shown = std::round(value * scale) / scale;
    return QString::number(shown == 0 ? 0.0 : shown, 'f', decimals);
}

QString local(qint64 utc, const QTimeZone &zone, const QString &format)
{
    return QDateTime::fromSecsSinceEpoch(utc, zone).toString(format);
}

QString isoUtc(qint64 utc)
{
    return QDateTime::fromSecsSinceEpoch(utc, Qt::UTC).toString(Qt::ISODate);
}

} // namespace

QString valueText(Quantity quantity, double value, const DisplayUnits &u)
{
    const bool inches = u.rain == RainGauge::Inches;
    const QString rainUnit = inches ? QStringLiteral("in") : QStringLiteral("mm");
    const double rain = inches ? value / factor::MillimetresPerInch : value;
    switch (info(quantity).kind) {
    case Kind::Temperature:
        return fixed(meteo::convertTemperature(value, u.temperature), 1) + QLatin1Char(' ')
            + units::temperatureLabel(u.temperature);
    case Kind::Humidity:
        return fixed(value, 0) + QStringLiteral(" %");
    case Kind::Pressure: {
        // As the dashboard shows them: millibar to a tenth, the rest to a hundredth.
        const int decimals
            = units::pressureLabel(u.pressure) == units::pressureLabel(PressureUnit::Millibar) ? 1
                                                                                               : 2;
        return fixed(meteo::convertPressure(value, u.pressure), decimals) + QLatin1Char(' ')
            + units::pressureLabel(u.pressure);
    }
    case Kind::Speed:
        return fixed(meteo::convertSpeed(value, u.speed), 1) + QLatin1Char(' ')
            + units::speedLabel(u.speed);
    case Kind::Rain:
        return fixed(rain, inches ? 2 : 1) + QLatin1Char(' ') + rainUnit;
    case Kind::RainRate:
        return fixed(rain, inches ? 2 : 1) + QLatin1Char(' ') + rainUnit + QStringLiteral("/h");
    case Kind::Solar:
        return fixed(value, 0) + QStringLiteral(" W/m²");
    case Kind::Days:
        return QString::number(qint64(value))
            + (value == 1 ? QStringLiteral(" day") : QStringLiteral(" days"));
    }
    return QString();
}

QString timeText(Quantity quantity, const Record &r, const QTimeZone &zone)
{
    if (!r.known())
        return QString();
    const QString day = QStringLiteral("yyyy-MM-dd");
    switch (quantity) {
    case Quantity::RainDay:
        return local(r.when, zone, day);
    case Quantity::RainMonth:
        return local(r.when, zone, QStringLiteral("yyyy-MM"));
    case Quantity::DrySpell:
    case Quantity::WetSpell:
        return local(r.since, zone, day) + QStringLiteral(" to ") + local(r.when, zone, day);
    default:
        return local(r.when, zone, QStringLiteral("yyyy-MM-dd HH:mm"));
    }
}

QString eventText(const RecordEvent &e, const DisplayUnits &units, const QTimeZone &zone)
{
    const auto when = [&](const Record &r) {
        const QString time = timeText(e.what, r, zone);
        const bool period = e.what == Quantity::RainDay || e.what == Quantity::RainMonth;
        const bool spell = e.what == Quantity::DrySpell || e.what == Quantity::WetSpell;
        return (spell           ? QStringLiteral(", ")
                       : period ? QStringLiteral(" on ")
                                : QStringLiteral(" at "))
            + time;
    };
    return QStringLiteral("New record: %1 %2, %3%4 (was %5%6)")
        .arg(QLatin1String(info(e.what).name), QLatin1String(scopeName(e.scope)),
            valueText(e.what, e.now.value, units), when(e.now),
            valueText(e.what, e.previous.value, units), when(e.previous));
}

QByteArray eventJson(const RecordEvent &e)
{
    QJsonObject json {
        { QStringLiteral("record"), QLatin1String(info(e.what).key) },
        { QStringLiteral("scope"), QLatin1String(scopeKey(e.scope)) },
        { QStringLiteral("value"), e.now.value },
        { QStringLiteral("time"), isoUtc(e.now.when) },
        { QStringLiteral("previous"), e.previous.value },
        { QStringLiteral("previous_time"), isoUtc(e.previous.when) },
    };
    if (e.what == Quantity::DrySpell || e.what == Quantity::WetSpell) {
        json.insert(QStringLiteral("since"), isoUtc(e.now.since));
        json.insert(QStringLiteral("previous_since"), isoUtc(e.previous.since));
    }
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

QVector<RecordRow> recordRows(
    const RecordBook &book, const DisplayUnits &units, const QTimeZone &zone)
{
    QVector<RecordRow> rows;
    for (int q = 0; q < QuantityCount; ++q) {
        RecordRow row;
        row.quantity = Quantity(q);
        row.name = QLatin1String(info(row.quantity).name);
        row.name[0] = row.name[0].toUpper();
        for (int s = 0; s < ScopeCount; ++s) {
            const Record &r = book.record(Scope(s), row.quantity);
            if (!r.known())
                continue;
            row.values[s] = valueText(row.quantity, r.value, units);
            row.times[s] = timeText(row.quantity, r, zone);
        }
        rows.append(row);
    }
    return rows;
}

QByteArray tableJson(const RecordBook &book, const DisplayUnits &units, const QTimeZone &zone)
{
    QJsonArray list;
    for (const RecordRow &row : recordRows(book, units, zone)) {
        const bool spell = row.quantity == Quantity::DrySpell || row.quantity == Quantity::WetSpell;
        QJsonObject entry { { QStringLiteral("record"), QLatin1String(info(row.quantity).key) },
            { QStringLiteral("name"), row.name } };
        for (int s = 0; s < ScopeCount; ++s) {
            const Record &r = book.record(Scope(s), row.quantity);
            QJsonValue scope; // null: nothing yet
            if (r.known()) {
                QJsonObject o { { QStringLiteral("value"), r.value },
                    { QStringLiteral("time"), isoUtc(r.when) },
                    { QStringLiteral("text"), row.values[s] },
                    { QStringLiteral("local"), row.times[s] } };
                if (spell)
                    o.insert(QStringLiteral("since"), isoUtc(r.since));
                scope = o;
            }
            entry.insert(QLatin1String(scopeKey(Scope(s))), scope);
        }
        list.append(entry);
    }
    const QJsonObject json { { QStringLiteral("year"), book.year() },
        { QStringLiteral("month"), book.month() }, { QStringLiteral("records"), list } };
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

} // namespace records

#include "csvreader.h"

#include "meteo/conversion.h"
#include "meteo/derived.h"
#include "meteo/physicalbounds.h"
#include "record/logcolumns.h"

#include <QDateTime>
#include <QList>

#include <cmath>

namespace archive {

namespace {

// Every display conversion is affine, so two points give its inverse and the
// constants stay where the data log takes them from.
double backToBase(double shown, Measure measure, const DisplayUnits &units)
{
    const double zero = meteo::convert(measure, 0.0, units);
    return (shown - zero) / (meteo::convert(measure, 1.0, units) - zero);
}

// An empty field is a value the data checks refused: missing, not a bad row.
bool number(const QByteArray &field, double *value)
{
    if (field.trimmed().isEmpty()) {
        *value = Missing;
        return true;
    }
    bool ok = false;
    *value = field.toDouble(&ok);
    return ok && std::isfinite(*value);
}

int digits(const QByteArray &text, int at, int count, bool *ok)
{
    int value = 0;
    for (int i = at; i < at + count; ++i) {
        const char c = text.at(i);
        if (c < '0' || c > '9') {
            *ok = false;
            return 0;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// "yyyy-MM-dd HH:mm:ss", UTC, as the data log writes it.
bool timestamp(const QByteArray &field, qint64 *utc)
{
    if (field.size() != 19 || field.at(4) != '-' || field.at(7) != '-' || field.at(10) != ' '
        || field.at(13) != ':' || field.at(16) != ':')
        return false;
    bool ok = true;
    const QDate date(digits(field, 0, 4, &ok), digits(field, 5, 2, &ok), digits(field, 8, 2, &ok));
    const QTime time(
        digits(field, 11, 2, &ok), digits(field, 14, 2, &ok), digits(field, 17, 2, &ok));
    if (!ok || !date.isValid() || !time.isValid())
        return false;
    *utc = QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
    return true;
}

// `value` when it is within `range`, else Missing and counted.
double bounded(double value, const meteo::Range &range, int *rejected)
{
    if (std::isnan(value) || range.contains(value))
        return value;
    ++*rejected;
    return Missing;
}

// Values outside what any weather can be are left out field by field and
// counted in `rejected`; the rest of the row still counts.
bool sampleOf(const QList<QByteArray> &fields, int first, qint64 utc, const CsvUnits &csv,
    Sample *s, int *rejected)
{
    LogRow row;
    for (int i = 0; i < LogValueColumns; ++i)
        if (!number(fields.at(first + i), &(row.*logColumns()[i].field)))
            return false;
    const meteo::PhysicalBounds &b = meteo::physicalBounds;
    const auto in = [rejected](double value, const meteo::Range &range) {
        return bounded(value, range, rejected);
    };
    const DisplayUnits &units = csv.units;
    const auto base = [&row, &units](double LogRow::*field) {
        return backToBase(row.*field, logColumn(field).measure, units);
    };

    s->utc = utc;
    s->wind = in(base(&LogRow::wind), b.wind);
    s->windDir = in(row.windDir, b.direction);
    const double gust = in(base(&LogRow::windGust), b.wind);
    if (gust > s->wind) {
        s->gust = gust;
        s->gustDir = in(row.windDirGust, b.direction);
    } else {
        s->gust = s->wind;
        s->gustDir = s->windDir;
    }
    s->temp = in(base(&LogRow::airTemp), b.temperature);
    s->hum = in(row.humidity, b.humidity);
    const double pressure = base(&LogRow::pressure);
    if (units.pressureReading == PressureReading::Station)
        s->pressStn = in(pressure, b.pressureStation);
    else
        s->press = in(pressure, b.pressureSeaLevel);
    s->dew = meteo::magnusDewPoint(s->temp, s->hum);
    s->rain = in(
        units.rain == RainGauge::Inches ? row.rainInc * factor::MillimetresPerInch : row.rainInc,
        b.rainPerRow);
    if (csv.solarInput == 1)
        s->solar = in(row.analog1, b.solar);
    else if (csv.solarInput == 2)
        s->solar = in(row.analog2, b.solar);
    s->strikes = int(qBound(0.0, row.lightningStrikes, double(1 << 30)));
    const double distance = base(&LogRow::lightningDistance);
    if (s->strikes > 0 && distance > 0)
        s->strikeKm = in(distance, b.strikeDistance);
    return true;
}

} // namespace

CsvLine parseCsvLine(const QByteArray &line, const CsvUnits &units)
{
    CsvLine result;
    const QByteArray text = line.trimmed();
    if (text.isEmpty())
        return result;
    if (text.startsWith("Index,Date/Time")) {
        result.header = true;
        return result;
    }

    // Each row holds one timestamp, the second field: the rows in a line
    // start one field before each timestamp found in it.
    const QList<QByteArray> fields = text.split(',');
    QVector<int> stamps;
    QVector<qint64> times;
    for (int i = 0; i < fields.size(); ++i) {
        qint64 utc = 0;
        if (timestamp(fields.at(i), &utc)) {
            stamps.append(i);
            times.append(utc);
        }
    }
    if (stamps.isEmpty()) {
        result.skipped = 1;
        return result;
    }
    // Text before the first row is the cut end of an earlier one.
    if (stamps.front() > 1)
        ++result.skipped;
    for (int k = 0; k < stamps.size(); ++k) {
        const int first = stamps.at(k) + 1;
        // The field before the next timestamp is the next row's index.
        const int end = k + 1 < stamps.size() ? stamps.at(k + 1) - 1 : fields.size();
        Sample s;
        if (end - first == LogValueColumns
            && sampleOf(fields, first, times.at(k), units, &s, &result.rejected))
            result.samples.append(s);
        else
            ++result.skipped;
    }
    return result;
}

void MinuteFolder::add(const Sample &sample)
{
    minutes[minuteStart(sample.utc)].add(sample);
}

QVector<MinuteRow> MinuteFolder::rows() const
{
    QVector<MinuteRow> result;
    result.reserve(int(minutes.size()));
    for (const auto &entry : minutes)
        result.append(entry.second.row(entry.first));
    return result;
}

} // namespace archive

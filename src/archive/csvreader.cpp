#include "csvreader.h"

#include "meteo/conversion.h"

#include <QDateTime>
#include <QList>

#include <cmath>

namespace archive {

namespace {

constexpr int ValueCount = 28; // the columns after the timestamp
constexpr double MillimetresPerInch = 25.4;

// Every display conversion is affine, so two points give its inverse and the
// constants stay where the data log takes them from.
template <typename Convert> double backToBase(double shown, Convert convert, int units)
{
    const double zero = convert(0.0, units);
    return (shown - zero) / (convert(1.0, units) - zero);
}

bool number(const QByteArray &field, double *value)
{
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

bool sampleOf(
    const QList<QByteArray> &fields, int first, qint64 utc, const CsvUnits &units, Sample *s)
{
    double v[ValueCount];
    for (int i = 0; i < ValueCount; ++i)
        if (!number(fields.at(first + i), &v[i]))
            return false;

    s->utc = utc;
    s->wind = backToBase(v[0], meteo::convertSpeed, units.speed);
    s->windDir = v[1];
    const double gust = backToBase(v[6], meteo::convertSpeed, units.speed);
    if (gust > s->wind) {
        s->gust = gust;
        s->gustDir = v[7];
    } else {
        s->gust = s->wind;
        s->gustDir = s->windDir;
    }
    s->temp = backToBase(v[9], meteo::convertTemperature, units.temperature);
    s->hum = v[10];
    const double pressure = backToBase(v[11], meteo::convertPressure, units.pressure);
    if (units.pressureAdjustment == 1)
        s->pressStn = pressure;
    else
        s->press = pressure;
    s->dew = dewPoint(s->temp, s->hum);
    s->rain = std::max(0.0, units.rainInches ? v[15] * MillimetresPerInch : v[15]);
    if (units.solarInput == 1)
        s->solar = v[18];
    else if (units.solarInput == 2)
        s->solar = v[19];
    s->strikes = int(qBound(0.0, v[24], double(1 << 30)));
    const double distance = backToBase(v[25], meteo::convertDistance, units.distance);
    if (s->strikes > 0 && distance > 0)
        s->strikeKm = distance;
    return true;
}

} // namespace

double dewPoint(double tempC, double humidity)
{
    if (std::isnan(tempC) || std::isnan(humidity) || humidity <= 0)
        return Missing;
    constexpr double b = 17.62;
    constexpr double c = 243.12;
    const double gamma = std::log(std::min(humidity, 100.0) / 100) + b * tempC / (c + tempC);
    const double dew = c * gamma / (b - gamma);
    return std::isfinite(dew) ? dew : Missing;
}

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
        if (end - first == ValueCount && sampleOf(fields, first, times.at(k), units, &s))
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

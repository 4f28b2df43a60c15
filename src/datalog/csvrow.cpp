#include "csvrow.h"

#include <algorithm>
#include <charconv>
#include <climits>

namespace csvrow {

namespace {

void appendInt(QByteArray &out, long long value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, int(result.ptr - buffer));
}

void appendPadded(QByteArray &out, int value, int width)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    for (int n = int(result.ptr - buffer); n < width; ++n)
        out.append('0');
    out.append(buffer, int(result.ptr - buffer));
}

void appendTimestamp(QByteArray &out, const QDateTime &time)
{
    // Built by hand: QDateTime::toString follows the system locale in Qt 5,
    // which may not even use ASCII digits.
    const QDateTime utc = time.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    appendPadded(out, d.year(), 4);
    out.append('-');
    appendPadded(out, d.month(), 2);
    out.append('-');
    appendPadded(out, d.day(), 2);
    out.append(' ');
    appendPadded(out, t.hour(), 2);
    out.append(':');
    appendPadded(out, t.minute(), 2);
    out.append(':');
    appendPadded(out, t.second(), 2);
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

QByteArray csvHeader()
{
    QByteArray header("Index,Date/Time (UTC),Wind,Direction,Wind 2 min,Direction 2 min,"
                      "Wind 10 min,Direction 10 min,Gust,Gust Direction,WDS Status,Temperature,"
                      "Humidity,Pressure,Pressure Temperature,Trend,TPH Status,Rain Inc,Rain Day,"
                      "Rain Rate,Analog 1,Analog 2,Battery Voltage,Input Voltage,Charger Status,"
                      "CM Temperature,Lightning Strikes,Lightning Distance,Lightning Noise,"
                      "Lightning Disturber");
    header.append(LineEnd);
    return header;
}

void appendDouble(QByteArray &out, double value)
{
    // std::to_chars is defined as printf in the "C" locale, never the process one.
    char buffer[32];
    const auto result
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    out.append(buffer, int(result.ptr - buffer));
}

QByteArray formatDouble(double value)
{
    QByteArray out;
    appendDouble(out, value);
    return out;
}

QByteArray formatCsvRow(int index, const QDateTime &time, const LogRow &row)
{
    QByteArray out;
    out.reserve(256);
    auto d = [&out](double v) {
        out.append(',');
        appendDouble(out, v);
    };
    auto i = [&out](int v) {
        out.append(',');
        appendInt(out, v);
    };

    appendInt(out, index);
    out.append(',');
    appendTimestamp(out, time);
    d(row.wind);
    d(row.windDir);
    d(row.wind2);
    d(row.windDir2);
    d(row.wind10);
    d(row.windDir10);
    d(row.windGust);
    d(row.windDirGust);
    i(row.wdsStatus);
    d(row.airTemp);
    d(row.humidity);
    d(row.pressure);
    d(row.pressureTemp);
    d(row.pressureTrend);
    i(row.tphStatus);
    d(row.rainInc);
    d(row.rainDay);
    d(row.rainRate);
    d(row.analog1);
    d(row.analog2);
    i(row.batteryVoltage);
    i(row.inputVoltage);
    i(row.chargerStatus);
    i(row.cmTemperature);
    i(row.lightningStrikes);
    d(row.lightningDistance);
    i(row.lightningNoise);
    i(row.lightningDisturbers);
    out.append(LineEnd);
    return out;
}

LastRow lastRow(const QByteArray &tail, bool wholeFile)
{
    LastRow result;
    if (tail.isEmpty() || tail.back() != '\n')
        return result;
    const int end = tail.size() - 1;
    const int previous = end > 0 ? tail.lastIndexOf('\n', end - 1) : -1;
    if (previous < 0 && !wholeFile) {
        result.status = LastRow::StartsBeforeTail;
        return result;
    }
    const QByteArray line = tail.mid(previous + 1, end - previous - 1);
    const int comma = line.indexOf(',');
    result.status = LastRow::Found;
    result.field = comma < 0 ? line : line.left(comma);
    return result;
}

int leadingInteger(const QByteArray &text)
{
    int at = 0;
    while (at < text.size() && isBlank(text.at(at)))
        ++at;
    bool negative = false;
    if (at < text.size() && (text.at(at) == '+' || text.at(at) == '-')) {
        negative = text.at(at) == '-';
        ++at;
    }
    long long value = 0;
    for (; at < text.size() && text.at(at) >= '0' && text.at(at) <= '9'; ++at)
        value = std::min<long long>(value * 10 + (text.at(at) - '0'), INT_MAX);
    if (negative)
        value = -value;
    return int(value);
}

} // namespace csvrow

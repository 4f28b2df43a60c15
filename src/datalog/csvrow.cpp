#include "csvrow.h"

#include <cmath>

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
    QByteArray header("Index,Date/Time (UTC)");
    for (const LogColumn &column : logColumns()) {
        header.append(',');
        header.append(column.header);
    }
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
    appendInt(out, index);
    out.append(',');
    appendTimestamp(out, time);
    for (const LogColumn &column : logColumns()) {
        out.append(',');
        // A value the data checks refused is an empty field.
        if (std::isnan(row.*column.field))
            continue;
        if (column.whole)
            appendInt(out, static_cast<long long>(row.*column.field));
        else
            appendDouble(out, row.*column.field);
    }
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
    result.line = line.endsWith('\r') ? line.chopped(1) : line;
    return result;
}

QByteArray fieldOf(const QByteArray &line, int index)
{
    int from = 0;
    for (int i = 0; i < index; ++i) {
        from = line.indexOf(',', from) + 1;
        if (from == 0)
            return QByteArray();
    }
    const int comma = line.indexOf(',', from);
    return line.mid(from, comma < 0 ? -1 : comma - from);
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

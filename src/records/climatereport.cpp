#include "climatereport.h"

#include "meteo/conversion.h"
#include "settings/units.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

#include <cmath>

namespace records {

namespace {

const QString Dashes = QStringLiteral("---");
const char *const MonthNames[]
    = { "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC" };

bool known(double value)
{
    return !std::isnan(value);
}

// The report's units, with the day counts' thresholds in round numbers of
// each: the usual 90, 32 and 0 °F and 0.01, 0.1 and 1 in, or 32, 0 and
// -18 °C and 0.2, 2 and 20 mm.
struct Units
{
    explicit Units(const ReportOptions &o)
        : options(o)
        , fahrenheit(o.units.temperature != TemperatureUnit::Celsius)
        , inches(o.units.rain == RainGauge::Inches)
    {
    }

    double temp(double c) const
    {
        return known(c) ? meteo::convertTemperature(c, options.units.temperature) : c;
    }
    double degreeDays(double cDays) const
    {
        return fahrenheit ? cDays * factor::FahrenheitPerCelsius : cDays;
    }
    double rain(double mm) const { return inches ? mm / factor::MillimetresPerInch : mm; }
    double speed(double ms) const
    {
        return known(ms) ? meteo::convertSpeed(ms, options.units.speed) : ms;
    }
    int rainDecimals() const { return inches ? 2 : 1; }
    QString temperatureLabel() const { return units::temperatureLabel(options.units.temperature); }
    QString rainLabel() const { return inches ? QStringLiteral("in") : QStringLiteral("mm"); }
    QString speedLabel() const { return units::speedLabel(options.units.speed); }

    double hotMax() const { return fahrenheit ? 90 : 32; }
    double freezing() const { return fahrenheit ? 32 : 0; }
    double bitter() const { return fahrenheit ? 0 : -18; }
    double rainStep(int i) const
    {
        static const double mm[] = { 0.2, 2, 20 };
        static const double in[] = { 0.01, 0.1, 1 };
        return inches ? in[i] : mm[i];
    }
    QString rainStepText(int i) const
    {
        return QString::number(rainStep(i), 'f', std::max(0, rainDecimals() - i));
    }

    const ReportOptions &options;
    bool fahrenheit;
    bool inches;
};

double rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// A value as shown; a count compares what is shown, so a "32.0" counts as
// 32 whatever the digits behind it.
QString number(double value, int decimals)
{
    if (!known(value))
        return Dashes;
    const double shown = rounded(value, decimals);
    return QString::number(shown == 0 ? 0.0 : shown, 'f', decimals);
}

bool atLeast(double value, int decimals, double threshold)
{
    return known(value) && rounded(value, decimals) >= threshold - 1e-9;
}

bool atMost(double value, int decimals, double threshold)
{
    return known(value) && rounded(value, decimals) <= threshold + 1e-9;
}

// Cells right-aligned in fixed widths.
QString row(const QVector<int> &widths, const QStringList &cells)
{
    QString line;
    for (int i = 0; i < widths.size(); ++i)
        line += (i < cells.size() ? cells.at(i) : QString()).rightJustified(widths.at(i));
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line + QLatin1Char('\n');
}

QString rule(const QVector<int> &widths)
{
    int width = 0;
    for (int w : widths)
        width += w;
    return QString(width, QLatin1Char('-')) + QLatin1Char('\n');
}

QString unitsLine(const Units &u)
{
    return QStringLiteral("TEMPERATURE (%1), RAIN (%2), WIND SPEED (%3)")
        .arg(u.temperatureLabel(), u.rainLabel(), u.speedLabel());
}

QString centred(const QString &text, int width)
{
    return QString(std::max(0, (width - int(text.size())) / 2), QLatin1Char(' ')) + text
        + QLatin1Char('\n');
}

QString timeOf(qint64 utc, const QTimeZone &zone)
{
    return QDateTime::fromSecsSinceEpoch(utc, zone).time().toString(QStringLiteral("HH:mm"));
}

QString dayOf(const QDate &date)
{
    return date.isValid() ? QString::number(date.day()) : Dashes;
}

QString monthDayOf(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("MM-dd")) : Dashes;
}

// How many days meet each threshold.
struct DayCounts
{
    int maxHot = 0, maxFreezing = 0, minFreezing = 0, minBitter = 0;
    int rain[3] = { 0, 0, 0 };
};

DayCounts countDays(const QVector<ClimateDay> &days, const Units &u)
{
    DayCounts c;
    for (const ClimateDay &d : days) {
        const double high = u.temp(d.high);
        const double low = u.temp(d.low);
        c.maxHot += atLeast(high, 1, u.hotMax());
        c.maxFreezing += atMost(high, 1, u.freezing());
        c.minFreezing += atMost(low, 1, u.freezing());
        c.minBitter += atMost(low, 1, u.bitter());
        for (int i = 0; i < 3; ++i)
            c.rain[i] += atLeast(u.rain(d.rain), u.rainDecimals(), u.rainStep(i));
    }
    return c;
}

QString threshold(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QVector<ClimateDay> daysOfMonth(const QVector<ClimateDay> &days, int year, int month)
{
    QVector<ClimateDay> result;
    for (const ClimateDay &d : days)
        if (d.date.year() == year && d.date.month() == month && d.minutes > 0)
            result.append(d);
    return result;
}

QString basesLine(const Units &u, double base)
{
    return QStringLiteral("Heat base: %1  Cool base: %1  Method: the mean of the day's minutes\n")
        .arg(threshold(u.temp(base), 1));
}

constexpr int PageWidth = 92;

} // namespace

QString monthReport(
    int year, int month, const QVector<ClimateDay> &all, const ReportOptions &options)
{
    const Units u(options);
    const QVector<ClimateDay> days = daysOfMonth(all, year, month);
    const double base = options.degreeDayBase;
    const QVector<int> w = { 3, 8, 8, 7, 8, 7, 8, 7, 8, 8, 8, 7, 6 };
    const int r = u.rainDecimals();

    QString text;
    text += centred(QStringLiteral("MONTHLY CLIMATOLOGICAL SUMMARY for %1 %2")
                        .arg(QLatin1String(MonthNames[qBound(1, month, 12) - 1]))
                        .arg(year),
        PageWidth);
    text += QLatin1Char('\n') + centred(unitsLine(u), PageWidth) + QLatin1Char('\n');
    text += row(w, { "", "", "", "", "", "", "HEAT", "COOL", "", "AVG" });
    text += row(w, { "", "MEAN", "", "", "", "", "DEG", "DEG", "", "WIND", "", "", "DOM" });
    text += row(w,
        { "DAY", "TEMP", "HIGH", "TIME", "LOW", "TIME", "DAYS", "DAYS", "RAIN", "SPEED", "HIGH",
            "TIME", "DIR" });
    text += rule(w);

    const QDate first(year, month, 1);
    int next = 0;
    for (QDate date = first; date.isValid() && date.month() == month; date = date.addDays(1)) {
        while (next < days.size() && days.at(next).date < date)
            ++next;
        const bool has = next < days.size() && days.at(next).date == date;
        if (!has) {
            QStringList cells { QString::number(date.day()) };
            for (int i = 1; i < w.size(); ++i)
                cells << Dashes;
            text += row(w, cells);
            continue;
        }
        const ClimateDay &d = days.at(next);
        const bool temp = d.tempCount > 0;
        text += row(w,
            { QString::number(date.day()), number(u.temp(d.meanTemp()), 1),
                number(u.temp(d.high), 1), known(d.high) ? timeOf(d.highAt, options.zone) : Dashes,
                number(u.temp(d.low), 1), known(d.low) ? timeOf(d.lowAt, options.zone) : Dashes,
                temp ? number(u.degreeDays(heatingDegrees(d, base)), 1) : Dashes,
                temp ? number(u.degreeDays(coolingDegrees(d, base)), 1) : Dashes,
                number(u.rain(d.rain), r), number(u.speed(d.meanWind()), 1),
                number(u.speed(d.gust), 1), known(d.gust) ? timeOf(d.gustAt, options.zone) : Dashes,
                QLatin1String(compassPoint(d.direction())) });
    }
    text += rule(w);

    const ClimateSummary s = summarize(days, base);
    const bool temp = known(s.meanTemp);
    text += row(w,
        { "", number(u.temp(s.meanTemp), 1), number(u.temp(s.high), 1), dayOf(s.highDate),
            number(u.temp(s.low), 1), dayOf(s.lowDate),
            temp ? number(u.degreeDays(s.heating), 1) : Dashes,
            temp ? number(u.degreeDays(s.cooling), 1) : Dashes, number(u.rain(s.rain), r),
            number(u.speed(s.meanWind), 1), number(u.speed(s.gust), 1), dayOf(s.gustDate),
            QLatin1String(compassPoint(s.direction)) });
    text += QLatin1Char('\n');

    const DayCounts c = countDays(days, u);
    const auto count = [&text](const QString &label, double limit, int n) {
        text += QStringLiteral("%1 %2: %3\n")
                    .arg(label, threshold(limit, 1).rightJustified(6))
                    .arg(n, 3);
    };
    count(QStringLiteral("Max >="), u.hotMax(), c.maxHot);
    count(QStringLiteral("Max <="), u.freezing(), c.maxFreezing);
    count(QStringLiteral("Min <="), u.freezing(), c.minFreezing);
    count(QStringLiteral("Min <="), u.bitter(), c.minBitter);
    text += QStringLiteral("Max rain: %1 %2 on %3\n")
                .arg(number(u.rain(s.wettest), r), u.rainLabel(),
                    s.wettestDate.isValid() ? s.wettestDate.toString(Qt::ISODate) : Dashes);
    text += QStringLiteral("Days of rain: %1 (>= %2 %7)  %3 (>= %4 %7)  %5 (>= %6 %7)\n")
                .arg(c.rain[0])
                .arg(u.rainStepText(0))
                .arg(c.rain[1])
                .arg(u.rainStepText(1))
                .arg(c.rain[2])
                .arg(u.rainStepText(2), u.rainLabel());
    text += basesLine(u, base);
    return text;
}

QString yearReport(int year, const QVector<ClimateDay> &all, const ReportOptions &options)
{
    const Units u(options);
    const double base = options.degreeDayBase;
    const int r = u.rainDecimals();
    QVector<ClimateDay> yearDays;
    QVector<ClimateDay> months[12];
    for (const ClimateDay &d : all) {
        if (d.date.year() != year || d.minutes == 0)
            continue;
        yearDays.append(d);
        months[d.date.month() - 1].append(d);
    }
    const ClimateSummary total = summarize(yearDays, base);
    const DayCounts totalCounts = countDays(yearDays, u);
    ClimateSummary sums[12];
    DayCounts counts[12];
    for (int m = 0; m < 12; ++m) {
        sums[m] = summarize(months[m], base);
        counts[m] = countDays(months[m], u);
    }
    const QString yy = QString::number(year);
    const auto mo = [](int m) { return QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')); };

    QString text;
    text += centred(QStringLiteral("ANNUAL CLIMATOLOGICAL SUMMARY for %1").arg(year), PageWidth);
    text += QLatin1Char('\n') + centred(unitsLine(u), PageWidth) + QLatin1Char('\n');

    // Temperature.
    const QVector<int> tw = { 4, 4, 8, 8, 8, 8, 8, 8, 7, 8, 7, 6, 6, 6, 6 };
    text += centred(QStringLiteral("TEMPERATURE"), PageWidth);
    text += row(
        tw, { "", "", "", "", "", "HEAT", "COOL", "", "", "", "", "MAX", "MAX", "MIN", "MIN" });
    text += row(
        tw, { "", "", "MEAN", "MEAN", "", "DEG", "DEG", "", "", "", "", ">=", "<=", "<=", "<=" });
    text += row(tw,
        { "YR", "MO", "MAX", "MIN", "MEAN", "DAYS", "DAYS", "HI", "DATE", "LOW", "DATE",
            threshold(u.hotMax(), 0), threshold(u.freezing(), 0), threshold(u.freezing(), 0),
            threshold(u.bitter(), 0) });
    text += rule(tw);
    const auto temperatureRow = [&](const QString &yr, const QString &m, const ClimateSummary &s,
                                    const DayCounts &c) {
        const bool has = s.days > 0;
        const bool temp = known(s.meanTemp);
        const auto n = [has](int v) { return has ? QString::number(v) : Dashes; };
        return row(tw,
            { yr, m, number(u.temp(s.meanHigh), 1), number(u.temp(s.meanLow), 1),
                number(u.temp(s.meanTemp), 1), temp ? number(u.degreeDays(s.heating), 1) : Dashes,
                temp ? number(u.degreeDays(s.cooling), 1) : Dashes, number(u.temp(s.high), 1),
                monthDayOf(s.highDate), number(u.temp(s.low), 1), monthDayOf(s.lowDate),
                n(c.maxHot), n(c.maxFreezing), n(c.minFreezing), n(c.minBitter) });
    };
    for (int m = 1; m <= 12; ++m)
        text += temperatureRow(yy, mo(m), sums[m - 1], counts[m - 1]);
    text += rule(tw);
    text += temperatureRow(QString(), QString(), total, totalCounts);
    text += QLatin1Char('\n');

    // Rain.
    const QVector<int> rw = { 4, 4, 9, 9, 7, 8, 8, 8 };
    text += centred(QStringLiteral("RAIN"), PageWidth);
    text += row(rw, { "", "", "", "MAX" }).chopped(1)
        + QStringLiteral("DAYS OF RAIN").rightJustified(31) + '\n';
    text += row(rw, { "", "", "", "OBS.", "", ">=", ">=", ">=" });
    text += row(rw,
        { "YR", "MO", "TOTAL", "DAY", "DATE", u.rainStepText(0), u.rainStepText(1),
            u.rainStepText(2) });
    text += rule(rw);
    const auto rainRow
        = [&](const QString &yr, const QString &m, const ClimateSummary &s, const DayCounts &c) {
              const bool has = known(s.rain);
              const auto n = [has](int v) { return has ? QString::number(v) : Dashes; };
              return row(rw,
                  { yr, m, number(u.rain(s.rain), r), number(u.rain(s.wettest), r),
                      monthDayOf(s.wettestDate), n(c.rain[0]), n(c.rain[1]), n(c.rain[2]) });
          };
    for (int m = 1; m <= 12; ++m)
        text += rainRow(yy, mo(m), sums[m - 1], counts[m - 1]);
    text += rule(rw);
    text += rainRow(QString(), QString(), total, totalCounts);
    text += QLatin1Char('\n');

    // Wind.
    const QVector<int> ww = { 4, 4, 8, 8, 7, 6 };
    text += centred(QStringLiteral("WIND SPEED"), PageWidth);
    text += row(ww, { "", "", "", "", "", "DOM" });
    text += row(ww, { "YR", "MO", "AVG", "HIGH", "DATE", "DIR" });
    text += rule(ww);
    const auto windRow = [&](const QString &yr, const QString &m, const ClimateSummary &s) {
        return row(ww,
            { yr, m, number(u.speed(s.meanWind), 1), number(u.speed(s.gust), 1),
                monthDayOf(s.gustDate), QLatin1String(compassPoint(s.direction)) });
    };
    for (int m = 1; m <= 12; ++m)
        text += windRow(yy, mo(m), sums[m - 1]);
    text += rule(ww);
    text += windRow(QString(), QString(), total);
    text += QLatin1Char('\n') + basesLine(u, base);
    return text;
}

} // namespace records

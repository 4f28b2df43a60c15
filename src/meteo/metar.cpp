#include "metar.h"

#include "record/units.h"
#include "truncate.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

// GCC and Clang check the format strings against the arguments; other
// compilers have no such attribute.
#if defined(__GNUC__)
#define METAR_PRINTF_FORMAT(formatIndex, firstArgument)                                            \
    __attribute__((__format__(__printf__, formatIndex, firstArgument)))
#else
#define METAR_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

namespace meteo {

namespace {

// Only integer conversions are printed, so the C locale (decimal comma or
// not) never shows in the line.
class LineBuffer
{
public:
    METAR_PRINTF_FORMAT(2, 3) void append(const char *format, ...)
    {
        const size_t room = sizeof(text) - length;
        if (room <= 1)
            return;
        va_list args;
        va_start(args, format);
        const int written = std::vsnprintf(text + length, room, format, args);
        va_end(args);
        if (written > 0)
            length += static_cast<size_t>(written) < room ? static_cast<size_t>(written) : room - 1;
    }

    QString toString() const { return QString::fromLatin1(text, static_cast<int>(length)); }

private:
    char text[250] = {};
    size_t length = 0;
};

int knots(double metresPerSecond)
{
    return truncateToInt(metresPerSecond * factor::KnotsPerMetrePerSecond + 0.5);
}

int wholeDegrees(double celsius)
{
    return truncateToInt(std::floor(celsius + 0.5));
}

// The last three digits of the tenths of hPa: 1013.4 gives 134, 999.97
// gives 000. Taken in floating point, so absurd values cannot overflow.
int seaLevelRemark(double hPa)
{
    const double digits = std::fmod(std::floor(hPa * 10 + 0.5), 1000.0);
    return truncateToInt(digits < 0 ? digits + 1000 : digits);
}

} // namespace

QString composeMetar(const MetarInputs &in, const QDateTime &time)
{
    if (in.wdsStatus < 0 || in.tphStatus < 0)
        return QStringLiteral("METAR:");

    LineBuffer line;
    line.append("<b>METAR</b> ");

    const QDateTime utc = time.toUTC();
    line.append("%02d%02d%02dZ", utc.date().day(), utc.time().hour(), utc.time().minute());
    line.append(" AUTO");

    int direction = (truncateToInt(in.windDir2) + 5) / 10 * 10;
    if (direction >= 360)
        direction = 0;
    const int speed = knots(in.wind2);
    // A gust that is not above the mean as written would read G00 or less.
    const int gust = knots(in.windGust);
    if (gust > 0 && gust > speed)
        line.append(" %03d%02dG%02dKT", direction, speed, gust);
    else
        line.append(" %03d%02dKT", direction, speed);

    const int temp = wholeDegrees(in.airTemp);
    if (temp < 0)
        line.append(" M%02d/", -temp);
    else
        line.append(" %02d/", temp);

    const int dew = wholeDegrees(in.dewPoint);
    if (dew < 0)
        line.append("M%02d", -dew);
    else
        line.append("%02d", dew);

    if (in.stationElevation != 0) {
        line.append(" A%04d", truncateToInt(in.altimeter * factor::InHgPerHpa * 100));
        line.append(" RMK AO1");
        line.append(" SLP%03d", seaLevelRemark(in.altimeter));
    } else {
        line.append(" RMK AO1");
    }

    line.append("=");
    return line.toString();
}

} // namespace meteo

#include "cwop.h"

#include "aprsexchange.h"

#include <QLocale>
#include <QUrl>

#include <cmath>

namespace networks {

namespace {

// A whole number in exactly `width` digits, clamped into them; dots for none.
QByteArray digits(std::optional<double> value, int width)
{
    if (!value || !std::isfinite(*value))
        return QByteArray(width, '.');
    const double top = std::pow(10.0, width) - 1;
    const double n = qBound(0.0, std::round(*value), top);
    return QByteArray::number(qint64(n)).rightJustified(width, '0');
}

// Three characters of °F: "072", "-05"; the format has room for no more.
QByteArray temperature(std::optional<double> fahrenheit)
{
    if (!fahrenheit || !std::isfinite(*fahrenheit))
        return "...";
    const int t = int(qBound(-99.0, std::round(*fahrenheit), 999.0));
    return t < 0 ? "-" + QByteArray::number(-t).rightJustified(2, '0')
                 : QByteArray::number(t).rightJustified(3, '0');
}

// Two digits, "00" meaning 100 %.
QByteArray humidity(std::optional<double> percent)
{
    if (!percent || !std::isfinite(*percent))
        return "..";
    const int h = int(qBound(1.0, std::round(*percent), 100.0));
    return QByteArray::number(h % 100).rightJustified(2, '0');
}

std::optional<double> hundredths(std::optional<double> value)
{
    if (!value)
        return std::nullopt;
    return *value * 100;
}

// Degrees and minutes to hundredths, the minutes carried into the degrees
// when they round up to 60.
QByteArray angle(double degrees, int degreeDigits, char positive, char negative)
{
    const qint64 total = std::llround(std::abs(degrees) * 6000);
    return QByteArray::number(total / 6000).rightJustified(degreeDigits, '0')
        + QByteArray::number((total % 6000) / 100).rightJustified(2, '0') + '.'
        + QByteArray::number(total % 100).rightJustified(2, '0')
        + (degrees < 0 ? negative : positive);
}

} // namespace

Cwop::Cwop(QObject *parent)
    : NetworkUploader(QStringLiteral("CWOP"), parent)
{
}

void Cwop::setStation(double lat, double lon, const QString &v)
{
    if (lat == latitude && lon == longitude && v == version)
        return;
    latitude = lat;
    longitude = lon;
    version = v;
    refresh();
}

std::optional<Cwop::Server> Cwop::server(const QString &text)
{
    const QUrl url(QStringLiteral("tcp://") + text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.path().isEmpty() || url.hasQuery()
        || !url.userInfo().isEmpty())
        return std::nullopt;
    const int port = url.port(14580);
    if (port <= 0)
        return std::nullopt;
    return Server { url.host(), quint16(port) };
}

QByteArray Cwop::login(const QString &stationId, const QString &passcode, const QString &v)
{
    const QString pass = passcode.trimmed().isEmpty() ? QStringLiteral("-1") : passcode.trimmed();
    return "user " + stationId.trimmed().toUpper().toLatin1() + " pass " + pass.toLatin1()
        + " vers Skyquill " + v.toLatin1() + "\r\n";
}

QByteArray Cwop::position(double lat, double lon)
{
    return angle(qBound(-90.0, lat, 90.0), 2, 'N', 'S') + '/'
        + angle(qBound(-180.0, lon, 180.0), 3, 'E', 'W');
}

QByteArray Cwop::packet(const QString &stationId, double lat, double lon, const Observation &o)
{
    std::optional<double> direction = o.windDir;
    if (direction)
        direction = std::fmod(std::round(*direction), 360.0);
    std::optional<double> altimeterTenths;
    if (o.altimeter)
        altimeterTenths = *o.altimeter * 10;
    return stationId.trimmed().toUpper().toLatin1() + ">APRS,TCPIP*:@"
        + QLocale::c().toString(o.utc.toUTC(), QStringLiteral("ddHHmm")).toLatin1() + 'z'
        + position(lat, lon) + '_' + digits(direction, 3) + '/'
        + digits(milesPerHour(o.windSpeed), 3) + 'g' + digits(milesPerHour(o.windGust), 3) + 't'
        + temperature(fahrenheit(o.temperature)) + 'r'
        + digits(hundredths(inches(o.rainLastHour)), 3) + 'p'
        + digits(hundredths(inches(o.rainLast24h)), 3) + 'P'
        + digits(hundredths(inches(o.rainToday)), 3) + 'h' + humidity(o.humidity) + 'b'
        + digits(altimeterTenths, 5) + "Skyquill\r\n";
}

QString Cwop::unusable() const
{
    const QString missing = NetworkUploader::unusable();
    if (!missing.isEmpty())
        return missing;
    if (latitude == 0 && longitude == 0)
        return QStringLiteral("Station position not set");
    if (!server(account().endpoint))
        return QStringLiteral("Not a valid server address: %1").arg(account().endpoint);
    return {};
}

void Cwop::send(const Observation &observation, const Done &done)
{
    const Server where = server(account().endpoint).value_or(Server());
    auto *exchange = new AprsExchange(this);
    exchange->setDeadline(deadlineMs());
    connect(exchange, &AprsExchange::finished, this, [exchange, done](const Outcome &outcome) {
        exchange->deleteLater();
        done(outcome);
    });
    exchange->send(where.host, where.port, login(account().stationId, account().secret, version),
        packet(account().stationId, latitude, longitude, observation));
}

} // namespace networks

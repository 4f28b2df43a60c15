#include "httpnetwork.h"

#include <cmath>

namespace networks {

void Query::add(const char *key, const QString &value)
{
    if (!encoded.isEmpty())
        encoded += QLatin1Char('&');
    encoded += QLatin1String(key) + QLatin1Char('=')
        + QString::fromLatin1(QUrl::toPercentEncoding(value));
}

void Query::add(const char *key, std::optional<double> value, int decimals)
{
    if (!value || !std::isfinite(*value))
        return;
    const double scale = std::pow(10.0, decimals);
    // Adding 0.0 turns a rounded -0 into 0.
    const double rounded = std::round(*value * scale) / scale + 0.0;
    add(key, QString::number(rounded, 'f', decimals));
}

Outcome httpOutcome(const net::HttpExchange::Result &r, const QDateTime &now, int alsoAccepted)
{
    using Exchange = net::HttpExchange;
    Outcome o;
    o.status = r.status;
    switch (r.outcome) {
    case Exchange::Outcome::Answered:
        if (r.success() || (alsoAccepted != 0 && r.status == alsoAccepted))
            o.kind = Outcome::Kind::Accepted;
        else if (r.status == 401 || r.status == 403)
            o.kind = Outcome::Kind::Refused;
        else if (r.status == 429) {
            o.kind = Outcome::Kind::Busy;
            o.retryAfterSeconds = retryAfterSeconds(r.retryAfter, now);
        } else
            o.kind = Outcome::Kind::HttpError;
        break;
    case Exchange::Outcome::TooLarge:
        o.kind = Outcome::Kind::TooLarge;
        break;
    case Exchange::Outcome::TimedOut:
        o.kind = Outcome::Kind::TimedOut;
        break;
    case Exchange::Outcome::Unreachable:
        o.kind = Outcome::Kind::Unreachable;
        o.detail = r.failure;
        break;
    case Exchange::Outcome::NoTls:
        o.kind = Outcome::Kind::NoTls;
        break;
    }
    return o;
}

QUrl withQuery(const QUrl &endpoint, const QString &query)
{
    QUrl url = endpoint;
    const QString own = endpoint.query(QUrl::FullyEncoded);
    url.setQuery(own.isEmpty() ? query : own + QLatin1Char('&') + query, QUrl::StrictMode);
    return url;
}

QString HttpNetwork::unusable() const
{
    const QString missing = NetworkUploader::unusable();
    if (!missing.isEmpty())
        return missing;
    if (account().secret.isEmpty())
        return QStringLiteral("Password or key not set");
    const QUrl url(account().endpoint, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QStringLiteral("Not a valid http or https URL: %1").arg(account().endpoint);
    if (scheme == QLatin1String("https") && !net::tlsAvailable())
        return QStringLiteral("Not available in this build: no TLS");
    return {};
}

void HttpNetwork::send(const Observation &observation, const Done &done)
{
    const QUrl url = withQuery(QUrl(account().endpoint), queryOf(observation));
    // A child, so an upload still in flight goes away with its owner.
    auto *exchange = new net::HttpExchange(this);
    exchange->setDeadline(deadlineMs());
    connect(exchange, &net::HttpExchange::finished, this,
        [this, exchange, done](const net::HttpExchange::Result &result) {
            exchange->deleteLater();
            done(httpOutcome(result, now(), alsoAccepted()));
        });
    exchange->get(url, headers());
}

} // namespace networks

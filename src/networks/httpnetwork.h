#pragma once

#include "net/httpexchange.h"
#include "networkuploader.h"

#include <QString>
#include <QUrl>

#include <optional>

namespace networks {

// A query string built field by field: `key=value` pairs joined by "&",
// every value percent-encoded but RFC 3986's unreserved characters, so a
// password holding "+", "&" or "%" arrives exactly as typed.
class Query
{
public:
    void add(const char *key, const QString &value);
    // Fixed notation, C locale, never "-0"; nothing when there is no value.
    void add(const char *key, std::optional<double> value, int decimals);
    QString text() const { return encoded; }

private:
    QString encoded;
};

// How a network takes an HTTP status: 2xx (and whatever `alsoAccepted` is,
// such as a duplicate) is accepted, 401 and 403 refuse the credentials, 429
// asks to wait; anything short of a status is the exchange's own outcome.
Outcome httpOutcome(
    const net::HttpExchange::Result &result, const QDateTime &now, int alsoAccepted = 0);

// `endpoint` with the query; the endpoint's own query, if any, comes first.
QUrl withQuery(const QUrl &endpoint, const QString &query);

// A network reached by one HTTP GET per upload.
class HttpNetwork : public NetworkUploader
{
    Q_OBJECT

public:
    using NetworkUploader::NetworkUploader;

    // The console's version, for the software fields.
    void setVersion(const QString &text) { version = text; }

protected:
    // The query of one upload; it goes to the endpoint with headers().
    virtual QString queryOf(const Observation &observation) const = 0;
    virtual net::HttpExchange::Headers headers() const { return {}; }
    // A status besides 2xx that means the upload is in; 0 for none.
    virtual int alsoAccepted() const { return 0; }

    QString unusable() const override;
    void send(const Observation &observation, const Done &done) override;

    QString version;
};

} // namespace networks

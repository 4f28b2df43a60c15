#include "portalurl.h"

namespace {

constexpr int defaultTimeoutMs = 30000;

const QUrl &builtInUrl()
{
    static const QUrl url
        = QUrl::fromUserInput(QStringLiteral("http://data.quorin.example/quorinconnect"));
    return url;
}

// Only the GUI thread sends, so plain statics suffice.
QUrl &overrideUrl()
{
    static QUrl url;
    return url;
}

int timeoutOverride = 0;

} // namespace

QUrl portalUrl()
{
    return overrideUrl().isEmpty() ? builtInUrl() : overrideUrl();
}

QNetworkRequest portalRequest()
{
    QNetworkRequest request(portalUrl());
    request.setHeader(
        QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    request.setTransferTimeout(portalTimeoutMs());
    return request;
}

int portalTimeoutMs()
{
    return timeoutOverride > 0 ? timeoutOverride : defaultTimeoutMs;
}

void setPortalUrlForTesting(const QUrl &url)
{
    overrideUrl() = url;
}

void setPortalTimeoutForTesting(int milliseconds)
{
    timeoutOverride = milliseconds;
}

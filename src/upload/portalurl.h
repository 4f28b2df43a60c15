#pragma once

#include <QNetworkRequest>
#include <QUrl>

// The portal endpoint that the live upload and the credential test post to.
QUrl portalUrl();

// Every portal request: the endpoint, the form content type and a transfer
// timeout. That one only counts silence; PortalExchange adds the deadline
// for the whole exchange.
QNetworkRequest portalRequest();

// The transfer timeout portalRequest() sets and the deadline of a
// PortalExchange: 30 s unless overridden.
int portalTimeoutMs();

// For tests and tools only, never called by the program (users cannot move
// the endpoint): point both senders at a stand-in, or shorten the timeout.
// An empty URL or a timeout of 0 or less restores the built-in value.
void setPortalUrlForTesting(const QUrl &url);
void setPortalTimeoutForTesting(int milliseconds);

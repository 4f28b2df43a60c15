#pragma once

#include "upload/portalurl.h"

#include <QUrl>

// Good poll cycles post to the portal: in tests they go to a closed local port,
// never to the network.
inline void keepPortalUploadsLocal()
{
    setPortalUrlForTesting(QUrl(QStringLiteral("http://127.0.0.1:9/quorinconnect")));
}

#pragma once

#include "net/httpexchange.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QString>

// One form posted to the portal, for the live upload and the credential test:
// an HttpExchange (its deadline, its reply cap, `finished` exactly once and
// always from the event loop) whose result is told in the portal's words. One
// object per post; delete it with deleteLater() once finished.
class PortalExchange : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 MaxBodyBytes = net::HttpExchange::MaxBodyBytes;

    struct Result
    {
        // The portal answered within the deadline, with a 2xx status and a
        // body within the cap. Only then does its body speak for the portal:
        // an empty body after a refused connection or an error page is no
        // answer. What the body says is for the caller to judge.
        bool delivered = false;
        // As much of the body as was read; never more than the cap.
        QByteArray body;
        // What Qt reported; OperationCanceledError when the deadline passed,
        // NoError for a body over the cap.
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        // Why it was not delivered, as the user is told: the portal could
        // not be reached (and why), answered HTTP 503, sent a reply too large,
        // or none within the deadline. Empty when it was delivered.
        QString failure;
    };

    explicit PortalExchange(QObject *parent = nullptr);
    ~PortalExchange() override;

    // Milliseconds from post() to the end of the reply; portalTimeoutMs() by
    // default (30 s), which tests shorten.
    void setDeadline(int milliseconds) { deadlineMs = milliseconds; }

    // Posts `form` (already encoded) to the portal. Once per object.
    void post(const QByteArray &form);
    bool isFinished() const { return done; }

signals:
    void finished(const PortalExchange::Result &result);

private:
    void take(const net::HttpExchange::Result &answer);

    net::HttpExchange *exchange;
    int deadlineMs = 0;
    bool done = false;
};

Q_DECLARE_METATYPE(PortalExchange::Result)

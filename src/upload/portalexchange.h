#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QTimer;

// One form posted to the portal, for the live upload and the credential test.
// The whole exchange has a deadline from sending to the end of the reply (Qt's
// transfer timeout only counts silence, so a portal that trickles would hold
// it for ever), the reply body a cap, and `finished` comes exactly once,
// always from the event loop. One object per post; delete it with
// deleteLater() once finished.
class PortalExchange : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 MaxBodyBytes = 64 * 1024;

    struct Result
    {
        // The portal answered within the deadline, with a 2xx status and a
        // body within the cap. What the body says is for the caller to judge.
        bool delivered = false;
        // As much of the body as was read; never more than the cap.
        QByteArray body;
        // What Qt reported; OperationCanceledError when the deadline passed,
        // NoError for a body over the cap.
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        // Why it was not delivered, for a message; empty when it was.
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
    void readBody();
    void replyFinished();
    void fail(QNetworkReply::NetworkError error, const QString &why);
    void finish(const Result &result);

    QNetworkAccessManager *manager = nullptr;
    QNetworkReply *reply = nullptr;
    QTimer *deadline;
    int deadlineMs = 0;
    QByteArray body;
    bool done = false;
};

Q_DECLARE_METATYPE(PortalExchange::Result)

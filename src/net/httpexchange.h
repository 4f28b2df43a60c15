#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QTimer;

namespace net {

// One HTTP GET or POST with its own network manager, so one server that hangs holds
// back no other. The whole exchange has a deadline from sending to the end of
// the reply (Qt's transfer timeout only counts silence, so a server that
// trickles would hold it for ever), the reply body a cap, and `finished`
// comes exactly once, always from the event loop. One object per request;
// delete it with deleteLater() once finished.
class HttpExchange : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 MaxBodyBytes = 64 * 1024;
    static constexpr int DefaultDeadlineMs = 30000;

    using Headers = QList<QPair<QByteArray, QByteArray>>;

    enum class Outcome
    {
        Answered, // a status line came, and the whole body within the cap
        TooLarge, // the body went over the cap
        TimedOut, // no complete answer within the deadline
        Unreachable, // no answer at all: refused, no such host, TLS or proxy trouble
        NoTls, // an https URL, and this build cannot speak TLS
    };

    struct Result
    {
        Outcome outcome = Outcome::Unreachable;
        int status = 0; // the HTTP status when Answered
        QByteArray body; // as much as was read; never more than the cap
        QByteArray retryAfter; // the Retry-After header as sent, if any
        // What Qt reported: OperationCanceledError at the deadline, NoError
        // for a body over the cap, an HTTP-level code for 4xx/5xx.
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        QString failure; // why it was not Answered, for a message

        bool success() const { return outcome == Outcome::Answered && status / 100 == 2; }
    };

    explicit HttpExchange(QObject *parent = nullptr);
    ~HttpExchange() override;

    // Milliseconds from get() to the end of the reply; 30 s by default.
    void setDeadline(int milliseconds) { deadlineMs = milliseconds; }
    int deadline() const { return deadlineMs > 0 ? deadlineMs : DefaultDeadlineMs; }

    // Once per object: a GET, or a POST of `content` with the request as given
    // (its headers and Qt's own transfer timeout are the caller's).
    void get(const QUrl &url, const Headers &headers = {});
    void post(const QNetworkRequest &request, const QByteArray &content);

signals:
    void finished(const net::HttpExchange::Result &result);

private:
    // False when the exchange has already started or cannot (no TLS).
    bool begin(const QUrl &url);
    void watch(QNetworkReply *sent);
    void readBody();
    void replyFinished();
    void fail(Outcome outcome, QNetworkReply::NetworkError error, const QString &why);
    void finish(const Result &result);

    QNetworkAccessManager *manager = nullptr;
    QNetworkReply *reply = nullptr;
    QTimer *timer;
    int deadlineMs = 0;
    QByteArray body;
    bool started = false;
    bool done = false;
};

// Whether this build and machine can open https URLs. The Windows build
// speaks TLS through the system's Schannel; a Qt without any TLS backend
// answers false.
bool tlsAvailable();

} // namespace net

Q_DECLARE_METATYPE(net::HttpExchange::Result)

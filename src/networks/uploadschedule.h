#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace networks {

// How one upload ended, whatever carried it.
struct Outcome
{
    enum class Kind
    {
        Accepted,
        Refused, // 401 or 403: the credentials
        Busy, // 429: come back later
        HttpError, // any other status the network does not take as accepted
        Unreachable, // no connection, no such host, closed on us
        TimedOut,
        TooLarge, // a reply over the cap
        NoTls, // an https endpoint in a build without TLS
    };

    Kind kind = Kind::Accepted;
    int status = 0; // the HTTP status, when there was one
    std::optional<qint64> retryAfterSeconds; // Busy: what the server asked for
    QString detail; // the transport's own words (Unreachable)
};

// The seconds a Retry-After header asks for: a number of seconds, or an HTTP
// date (counted from `now`). Nothing for anything else; a date in the past
// is 0.
std::optional<qint64> retryAfterSeconds(const QByteArray &header, const QDateTime &now);

// "Last upload HH:MM: accepted", or why it failed, with the time in the
// clock's own time zone. `deadlineSeconds` names the time-out.
QString statusText(const Outcome &outcome, const QDateTime &at, double deadlineSeconds);

// One word per kind of failure (and per HTTP status), so that each reaches
// the log once per run; empty for an accepted upload.
QString failureKind(const Outcome &outcome);

// When one network uploads: at the first good reading after a restart (start
// of the console, turned on, new settings), then once per interval from the
// last attempt. Refused credentials stop it until restart(); a server that
// is busy is left alone for as long as it asks (a day at most). Times come
// from the caller's clock, so a test runs an hour in no time. A clock set
// back makes the next reading due, or uploads would stop until it caught up.
class UploadSchedule
{
public:
    // A day: longer waits than that from a hostile header are not honoured.
    static constexpr qint64 LongestRetryAfter = 86400;

    void setIntervalSeconds(int seconds) { interval = qMax(1, seconds); }

    void restart();
    bool due(const QDateTime &now) const;
    void attempted(const QDateTime &now) { last = now; }
    // Moves the next attempt as the outcome asks.
    void finished(const Outcome &outcome, const QDateTime &now);

private:
    int interval = 600;
    QDateTime last; // the last attempt; null: none since the restart
    QDateTime notBefore;
    bool refused = false;
};

} // namespace networks

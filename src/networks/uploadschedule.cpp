#include "uploadschedule.h"

#include <QLocale>

namespace networks {

namespace {

QString clockText(const QDateTime &at)
{
    // Qt 5 formats with the system locale, whose digits need not be ASCII.
    return QLocale::c().toString(at, QStringLiteral("HH:mm"));
}

} // namespace

std::optional<qint64> retryAfterSeconds(const QByteArray &header, const QDateTime &now)
{
    const QByteArray text = header.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool number = false;
    const qint64 seconds = text.toLongLong(&number);
    if (number)
        return seconds >= 0 ? std::optional<qint64>(seconds) : std::nullopt;
    // The one date form HTTP servers must send: "Sun, 06 Nov 1994 08:49:37 GMT".
    QDateTime date = QLocale::c().toDateTime(
        QString::fromLatin1(text), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (!date.isValid())
        return std::nullopt;
    date.setTimeSpec(Qt::UTC);
    return qMax<qint64>(0, now.secsTo(date));
}

QString statusText(const Outcome &o, const QDateTime &at, double deadlineSeconds)
{
    const QString failed = QStringLiteral("Last upload %1 failed: ").arg(clockText(at));
    switch (o.kind) {
    case Outcome::Kind::Accepted:
        return QStringLiteral("Last upload %1: accepted").arg(clockText(at));
    case Outcome::Kind::Refused:
        return QStringLiteral("Credentials refused (HTTP %1): uploads stopped until they change")
            .arg(o.status);
    case Outcome::Kind::Busy:
        if (o.retryAfterSeconds)
            return failed
                + QStringLiteral("HTTP 429, asked to wait %1 s")
                      .arg(qMin(*o.retryAfterSeconds, UploadSchedule::LongestRetryAfter));
        return failed + QStringLiteral("HTTP 429");
    case Outcome::Kind::HttpError:
        return failed + QStringLiteral("HTTP %1").arg(o.status);
    case Outcome::Kind::Unreachable:
        return failed + QStringLiteral("server unreachable (%1)").arg(o.detail);
    case Outcome::Kind::TimedOut:
        return failed + QStringLiteral("timed out after %1 s").arg(deadlineSeconds);
    case Outcome::Kind::TooLarge:
        return failed + QStringLiteral("reply larger than 64 KiB");
    case Outcome::Kind::NoTls:
        break;
    }
    return QStringLiteral("Not available in this build: no TLS");
}

QString failureKind(const Outcome &o)
{
    switch (o.kind) {
    case Outcome::Kind::Accepted:
        return {};
    case Outcome::Kind::Refused:
    case Outcome::Kind::Busy:
    case Outcome::Kind::HttpError:
        return QStringLiteral("HTTP %1").arg(o.status);
    case Outcome::Kind::Unreachable:
        return QStringLiteral("unreachable");
    case Outcome::Kind::TimedOut:
        return QStringLiteral("timed out");
    case Outcome::Kind::TooLarge:
        return QStringLiteral("too large");
    case Outcome::Kind::NoTls:
        break;
    }
    return QStringLiteral("no TLS");
}

void UploadSchedule::restart()
{
    last = QDateTime();
    notBefore = QDateTime();
    refused = false;
}

bool UploadSchedule::due(const QDateTime &now) const
{
    if (refused)
        return false;
    if (last.isNull())
        return true;
    const qint64 elapsed = last.secsTo(now);
    if (elapsed < 0)
        return true;
    return elapsed >= interval && (notBefore.isNull() || now >= notBefore);
}

void UploadSchedule::finished(const Outcome &outcome, const QDateTime &now)
{
    notBefore = QDateTime();
    if (outcome.kind == Outcome::Kind::Refused)
        refused = true;
    else if (outcome.kind == Outcome::Kind::Busy && outcome.retryAfterSeconds)
        notBefore = now.addSecs(qMin(*outcome.retryAfterSeconds, LongestRetryAfter));
}

} // namespace networks

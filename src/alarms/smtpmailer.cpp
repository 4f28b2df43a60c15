#include "smtpmailer.h"

#include <QLocale>
#include <QUuid>

#ifdef SKYQUILL_HAVE_CURL
#include <curl/curl.h>

#include <cstring>
#include <mutex>
#endif

namespace alarms {

namespace {

// "Name <user@host>" or a bare address: what goes into the envelope.
QByteArray envelopeAddress(const QString &text)
{
    const int open = text.lastIndexOf(QLatin1Char('<'));
    const int close = text.lastIndexOf(QLatin1Char('>'));
    const QString address = open >= 0 && close > open ? text.mid(open + 1, close - open - 1) : text;
    return address.trimmed().toUtf8();
}

// Names come from the settings: a line break in one would start a header of its own.
QString headerSafe(QString text)
{
    for (QChar &c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    return text;
}

// RFC 2047 encoded words of at most 45 bytes of UTF-8 each, never splitting
// a character, for a subject that is not plain ASCII.
QByteArray encodedHeader(const QString &text)
{
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        return text.toLatin1();
    QByteArray out;
    QByteArray word;
    const auto flush = [&] {
        if (word.isEmpty())
            return;
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + word.toBase64() + "?=";
        word.clear();
    };
    for (int i = 0; i < text.size(); ++i) {
        const int width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = text.mid(i, width).toUtf8();
        if (word.size() + bytes.size() > 45)
            flush();
        word += bytes;
        i += width - 1;
    }
    flush();
    return out;
}

} // namespace

bool emailAvailable()
{
#ifdef SKYQUILL_HAVE_CURL
    return true;
#else
    return false;
#endif
}

QString smtpProblem(const SmtpSettings &s)
{
    if (!emailAvailable())
        return QStringLiteral("E-mail is not available in this build");
    if (s.host.trimmed().isEmpty())
        return QStringLiteral("no SMTP server set");
    if (s.port < 1 || s.port > 65535)
        return QStringLiteral("SMTP port %1 is out of range").arg(s.port);
    if (envelopeAddress(s.from).isEmpty())
        return QStringLiteral("no sender address set");
    bool anyRecipient = false;
    for (const QString &to : s.to)
        anyRecipient = anyRecipient || !envelopeAddress(to).isEmpty();
    if (!anyRecipient)
        return QStringLiteral("no recipient set");
    return QString();
}

QByteArray mailText(const SmtpSettings &s, const Mail &mail, const QDateTime &date)
{
    QStringList to;
    for (const QString &t : s.to)
        if (!t.trimmed().isEmpty())
            to.append(headerSafe(t.trimmed()));
    const QByteArray from = envelopeAddress(s.from);
    const int at = from.indexOf('@');
    const QByteArray domain = at >= 0 ? from.mid(at + 1) : QByteArray("skyquill.invalid");
    QByteArray text;
    text += "Date: "
        + QLocale::c()
              .toString(date.toUTC(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss"))
              .toLatin1()
        + " +0000\r\n";
    text += "From: " + headerSafe(s.from.trimmed()).toUtf8() + "\r\n";
    text += "To: " + to.join(QStringLiteral(", ")).toUtf8() + "\r\n";
    text += "Subject: " + encodedHeader(headerSafe(mail.subject)) + "\r\n";
    text += "Message-ID: <" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + "@" + domain
        + ">\r\n";
    text += "MIME-Version: 1.0\r\n";
    text += "Content-Type: text/plain; charset=UTF-8\r\n";
    text += "Content-Transfer-Encoding: 8bit\r\n\r\n";
    QByteArray body = mail.body.toUtf8();
    body.replace("\r\n", "\n");
    body.replace("\n", "\r\n");
    return text + body;
}

#ifdef SKYQUILL_HAVE_CURL

namespace {

struct Upload
{
    QByteArray data;
    int sent = 0;
};

size_t readChunk(char *buffer, size_t size, size_t count, void *user)
{
    auto *upload = static_cast<Upload *>(user);
    const size_t left = size_t(upload->data.size() - upload->sent);
    const size_t n = qMin(left, size * count);
    std::memcpy(buffer, upload->data.constData() + upload->sent, n);
    upload->sent += int(n);
    return n;
}

int progress(void *cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const std::atomic<bool> *>(cancel)->load() ? 1 : 0;
}

} // namespace

QString sendMail(
    const SmtpSettings &s, const Mail &mail, int timeoutMs, const std::atomic<bool> &cancel)
{
    const QString refused = smtpProblem(s);
    if (!refused.isEmpty())
        return refused;
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CURL *curl = curl_easy_init();
    if (!curl)
        return QStringLiteral("libcurl did not start");

    QString host = s.host.trimmed();
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    const bool tls = s.security == SmtpSettings::Security::Tls;
    const QByteArray url = (tls ? QStringLiteral("smtps://%1:%2") : QStringLiteral("smtp://%1:%2"))
                               .arg(host)
                               .arg(s.port)
                               .toUtf8();
    const QByteArray from = "<" + envelopeAddress(s.from) + ">";
    const QByteArray user = s.username.toUtf8();
    const QByteArray password = s.password.toUtf8();
    curl_slist *recipients = nullptr;
    for (const QString &to : s.to) {
        const QByteArray address = envelopeAddress(to);
        if (!address.isEmpty())
            recipients = curl_slist_append(recipients, ("<" + address + ">").constData());
    }
    Upload upload { mailText(s, mail, QDateTime::currentDateTimeUtc()) };
    char error[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    // STARTTLS must succeed: falling back to plain text would hand the
    // password to whoever dropped the upgrade.
    curl_easy_setopt(curl, CURLOPT_USE_SSL,
        long(s.security == SmtpSettings::Security::None ? CURLUSESSL_NONE : CURLUSESSL_ALL));
    if (!user.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readChunk);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(timeoutMs));
    // Off the main thread: no signals for the name lookup's timeout.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool> *>(&cancel));

    const CURLcode result = curl_easy_perform(curl);
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);
    if (result == CURLE_OK)
        return QString();
    if (result == CURLE_ABORTED_BY_CALLBACK)
        return QStringLiteral("cancelled");
    return QString::fromUtf8(*error ? error : curl_easy_strerror(result));
}

#else

QString sendMail(const SmtpSettings &s, const Mail &, int, const std::atomic<bool> &)
{
    return smtpProblem(s);
}

#endif

SmtpMailer::SmtpMailer(QObject *parent)
    : QObject(parent)
{
    pool.setMaxThreadCount(1);
}

SmtpMailer::~SmtpMailer()
{
    pool.clear();
    cancel = true;
    pool.waitForDone();
}

void SmtpMailer::send(const SmtpSettings &smtp, const Mail &mail)
{
    const int timeout = timeoutMs;
    pool.start([this, smtp, mail, timeout] {
        const QString error = sendMail(smtp, mail, timeout, cancel);
        QMetaObject::invokeMethod(
            this, [this, subject = mail.subject, error] { emit finished(subject, error); },
            Qt::QueuedConnection);
    });
}

} // namespace alarms

#pragma once

#include "alarmsettings.h"

#include <QDateTime>
#include <QObject>
#include <QThreadPool>

#include <atomic>

namespace alarms {

struct Mail
{
    QString subject;
    QString body;
};

// Whether this build can send mail: libcurl is missing from some (the
// Windows toolchain's today).
bool emailAvailable();

// Why these settings cannot send, or an empty text when they can.
QString smtpProblem(const SmtpSettings &smtp);

// The message as it goes on the wire: headers and a UTF-8 body with CRLF.
QByteArray mailText(const SmtpSettings &smtp, const Mail &mail, const QDateTime &date);

// Sends one mail and blocks until the server took it, refused it, or
// `timeoutMs` ran out; `cancel` ends it sooner. An empty text on success,
// else the reason.
QString sendMail(
    const SmtpSettings &smtp, const Mail &mail, int timeoutMs, const std::atomic<bool> &cancel);

// Sends mail one message at a time on a thread of its own, so neither a slow
// server nor a name lookup holds up the thread that asked.
class SmtpMailer : public QObject
{
    Q_OBJECT

public:
    explicit SmtpMailer(QObject *parent = nullptr);
    // Cancels the mail under way and waits for its thread; what is queued is dropped.
    ~SmtpMailer() override;

    void setTimeout(int ms) { timeoutMs = ms; }
    void send(const SmtpSettings &smtp, const Mail &mail);

signals:
    // On the thread of this object; an empty error on success.
    void finished(const QString &subject, const QString &error);

private:
    QThreadPool pool;
    std::atomic<bool> cancel { false };
    int timeoutMs = 30000;
};

} // namespace alarms

#pragma once

#include "uploadschedule.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

namespace networks {

// One visit to an APRS-IS server: connect, send the login line, wait for the
// server to acknowledge it ("# logresp ..."), send the packet, close. The
// whole visit has a deadline and what the server says a cap, and `finished`
// comes exactly once, always from the event loop. One object per visit;
// delete it with deleteLater() once finished.
class AprsExchange : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 MaxReplyBytes = 64 * 1024;

    explicit AprsExchange(QObject *parent = nullptr);
    ~AprsExchange() override;

    void setDeadline(int milliseconds) { deadlineMs = milliseconds; }

    // `login` and `packet` each end with CRLF. Once per object.
    void send(const QString &host, quint16 port, const QByteArray &login, const QByteArray &packet);

signals:
    // Accepted once the packet went out and the connection closed cleanly.
    void finished(const networks::Outcome &outcome);

private:
    enum class Stage
    {
        Idle,
        Connecting,
        LoggingIn,
        Closing,
        Done,
    };

    void readReply();
    void closed();
    void finish(const Outcome &outcome);

    QTcpSocket *socket = nullptr;
    QTimer *timer;
    int deadlineMs = 30000;
    Stage stage = Stage::Idle;
    QByteArray login;
    QByteArray packet;
    QByteArray line; // the server's line in progress
    qint64 received = 0;
};

} // namespace networks

Q_DECLARE_METATYPE(networks::Outcome)

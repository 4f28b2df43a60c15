#include "aprsexchange.h"

#include <QTcpSocket>
#include <QTimer>

namespace networks {

namespace {

Outcome unreachable(const QString &why)
{
    Outcome o;
    o.kind = Outcome::Kind::Unreachable;
    o.detail = why;
    return o;
}

} // namespace

AprsExchange::AprsExchange(QObject *parent)
    : QObject(parent)
    , timer(new QTimer(this))
{
    static const int registered = qRegisterMetaType<Outcome>();
    Q_UNUSED(registered)
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this] {
        Outcome o;
        o.kind = Outcome::Kind::TimedOut;
        finish(o);
    });
}

AprsExchange::~AprsExchange() = default;

void AprsExchange::send(
    const QString &host, quint16 port, const QByteArray &loginLine, const QByteArray &packetLine)
{
    if (stage != Stage::Idle)
        return;
    stage = Stage::Connecting;
    login = loginLine;
    packet = packetLine;
    socket = new QTcpSocket(this);
    connect(socket, &QTcpSocket::connected, this, [this] {
        stage = Stage::LoggingIn;
        socket->write(login);
    });
    connect(socket, &QTcpSocket::readyRead, this, &AprsExchange::readReply);
    connect(socket, &QTcpSocket::disconnected, this, &AprsExchange::closed);
    connect(socket, &QAbstractSocket::errorOccurred, this, [this] {
        // The server may close first once it has the packet.
        if (stage == Stage::Closing && socket->bytesToWrite() == 0)
            closed();
        else
            finish(unreachable(socket->errorString()));
    });
    timer->start(deadlineMs);
    socket->connectToHost(host, port);
}

void AprsExchange::readReply()
{
    while (stage == Stage::LoggingIn && socket->bytesAvailable() > 0) {
        const QByteArray chunk = socket->read(4096);
        received += chunk.size();
        if (received > MaxReplyBytes) {
            Outcome o;
            o.kind = Outcome::Kind::TooLarge;
            finish(o);
            return;
        }
        for (char c : chunk) {
            if (c != '\n') {
                // Only the start of a line matters; the rest may be garbage.
                if (line.size() < 64)
                    line += c;
                continue;
            }
            if (line.startsWith("# logresp")) {
                stage = Stage::Closing;
                socket->write(packet);
                // May report the close at once; nothing below touches the socket.
                socket->disconnectFromHost();
                return;
            }
            line.clear();
        }
    }
    // Whatever comes after the login was answered is of no interest.
    if (stage == Stage::Closing && socket)
        socket->readAll();
}

void AprsExchange::closed()
{
    if (stage == Stage::Closing && socket && socket->bytesToWrite() == 0) {
        finish(Outcome());
        return;
    }
    finish(unreachable(
        QStringLiteral("the server closed the connection before the login was answered")));
}

void AprsExchange::finish(const Outcome &outcome)
{
    if (stage == Stage::Done)
        return;
    stage = Stage::Done;
    timer->stop();
    if (socket) {
        // abort() emits signals of its own; nothing here listens any more.
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        socket->deleteLater();
        socket = nullptr;
    }
    QMetaObject::invokeMethod(
        this, [this, outcome] { emit finished(outcome); }, Qt::QueuedConnection);
}

} // namespace networks

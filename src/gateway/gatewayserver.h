#pragma once

#include "acquisition/registerimage.h"
#include "acquisition/service.h"
#include "gatewaysettings.h"
#include "listenstatus.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

class QHostAddress;
class QTcpServer;
class QTcpSocket;
class QTimer;

// The Modbus TCP server that republishes the register image to other programs
// on the network, and the list of its recent clients. Reports as "gateway":
// `listening`, `state` and `hint` (the listen status as the Modbus page tells
// it) and `clients` (recentClients()). Lives on the GUI thread.
class GatewayServer : public QObject, public Service
{
    Q_OBJECT

public:
    static constexpr int MaxConnections = 64;
    // At the cap, a host holding this many makes room among its own: no one
    // host grows past it while others wait.
    static constexpr int MaxPerHostWhenFull = 16;
    static constexpr int RecentClientsShown = 5;
    // Replies a peer has left unread before it is taken for a flood.
    static constexpr qint64 MaxUnreadReplyBytes = 64 * 1024;
    // A connection that has sent no complete request for this long is closed,
    // so idle and half-open peers give their places back.
    static constexpr qint64 IdleTimeoutMs = 60 * 1000;
    // Requests answered per connection in one pass of the event loop; the
    // rest wait for the next pass, so a flood cannot hold up the loop.
    static constexpr int RequestsPerPass = 32;
    // What a socket takes from the kernel ahead of framing; past it TCP holds
    // the sender back instead of our memory growing.
    static constexpr qint64 ReadAheadBytes = 16 * 1024;

    using Clock = std::function<QDateTime()>;
    // Milliseconds from any fixed start; never goes back.
    using IdleClock = std::function<qint64()>;

    // Serves its own copy of the registers, which takeCycle() keeps current.
    explicit GatewayServer(QObject *parent = nullptr);
    // Serves `image`, which must outlive this object.
    explicit GatewayServer(const RegisterImage &image, QObject *parent = nullptr);
    ~GatewayServer() override;

    // The registers and the data-missing flag of each published cycle.
    void takeCycle(const CyclePtr &cycle) override;
    // Listens on the settings' port, and again on each new one.
    void setSettings(const GatewaySettings &settings);
    void readSettings(const SettingsReader &settings) override;

    // Listens on all interfaces, in place of any port it listened on before;
    // 0 picks a free port. Logs the result, for the operator too, and tries
    // again by itself while the port is taken.
    bool listen(quint16 port = 502);
    // No new connections; open ones stay until their peers close them.
    void close();
    gateway::ListenStatus listenStatus() const { return status; }
    void setListenRetryInterval(int milliseconds);
    bool isListening() const;
    quint16 serverPort() const;

    // Up to five "address time" entries, in plain string order of the address.
    QStringList recentClients() const;
    // Connections not yet closed by either side.
    int connectionCount() const;

    // Whether the per-request lines (request and reply dumps) are worth
    // building: the debug log is on. Refusals and connections are always logged.
    void setVerbose(std::function<bool()> enabled) { verbose = std::move(enabled); }
    void setMaxConnections(int count) { maxConnections = count; }
    // Local time of a client's last contact; tests inject a fixed one.
    void setClock(Clock source) { clock = std::move(source); }
    // The idle rules' clock and timeout; tests inject both.
    void setIdleClock(IdleClock source) { idleClock = std::move(source); }
    void setIdleTimeout(qint64 milliseconds);
    // Closes the connections idle for the timeout. A timer runs it every few
    // seconds; tests call it after moving the idle clock.
    void closeIdleConnections();

    // The IPv4 text under which a peer is listed; 0.0.0.0 without an IPv4 form.
    static QString clientKey(const QHostAddress &address);

signals:
    void recentClientsChanged();
    void listenStatusChanged();

private slots:
    void slotNewConnection();
    void slotClientDisconnected();
    void slotReadyRead();

private:
    // A socket can say "disconnected" inside our own call to it (flush,
    // abort, close), so an entry is only marked Gone there and erased later
    // by reap(), from the event loop, where nothing holds on to it.
    enum class State
    {
        Open,
        Closing, // we closed it; replies still drain
        Gone, // disconnected; waits for reap()
    };
    struct Connection
    {
        QString key;
        QByteArray buffer;
        qint64 lastRequestMs = 0; // or the time it was accepted
        State state = State::Open;
        bool queued = false; // in `backlog`
    };

    void report() const;
    Connection *openConnection(QTcpSocket *socket);
    bool tryListen(quint16 port, bool retrying);
    void acceptConnection(QTcpSocket *socket);
    void makeRoom(const QString &newcomer);
    void serve(QTcpSocket *socket);
    void serveBacklog();
    void reap();
    bool addressConnected(const QString &key) const;
    std::optional<QByteArray> answer(const QByteArray &frame) const;

    RegisterImage ownImage;
    const RegisterImage &image;
    QTcpServer *server;
    QTimer *idleTimer;
    QTimer *retryTimer;
    gateway::ListenStatus status;
    QHash<QTcpSocket *, Connection> connections;
    QVector<QTcpSocket *> backlog;
    bool backlogPosted = false;
    bool reapPosted = false;
    QMap<QString, QString> clients;
    std::function<bool()> verbose;
    std::optional<GatewaySettings> current;
    Clock clock;
    IdleClock idleClock;
    qint64 idleTimeoutMs = IdleTimeoutMs;
    int maxConnections = MaxConnections;
};

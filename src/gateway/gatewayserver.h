#pragma once

#include "acquisition/registerimage.h"
#include "acquisition/stationcycle.h"
#include "listenstatus.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QStringList>

#include <functional>

class QHostAddress;
class QTcpServer;
class QTcpSocket;
class QTimer;

// The Modbus TCP server that republishes the register image to other programs
// on the network, and the list of its recent clients. Lives on the GUI thread.
class GatewayServer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList recentClients READ recentClients NOTIFY recentClientsChanged)

public:
    static constexpr int MaxConnections = 64;
    static constexpr int RecentClientsShown = 5;
    // Replies a peer has left unread before it is taken for a flood.
    static constexpr qint64 MaxUnreadReplyBytes = 64 * 1024;

    using Clock = std::function<QDateTime()>;

    // Serves its own copy of the registers, which takeCycle() keeps current.
    explicit GatewayServer(QObject *parent = nullptr);
    // Serves `image`, which must outlive this object.
    explicit GatewayServer(const RegisterImage &image, QObject *parent = nullptr);
    ~GatewayServer() override;

    // The registers and the data-missing flag of each published cycle.
    void takeCycle(const CyclePtr &cycle);

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
    int connectionCount() const { return connections.size(); }

    // Whether the per-request lines (request and reply dumps) are worth
    // building: the debug log is on. Refusals and connections are always logged.
    void setVerbose(std::function<bool()> enabled) { verbose = std::move(enabled); }
    void setMaxConnections(int count) { maxConnections = count; }
    // Local time of a client's last contact; tests inject a fixed one.
    void setClock(Clock clock) { this->clock = std::move(clock); }

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
    struct Connection
    {
        QString key;
        QByteArray buffer;
    };

    bool tryListen(quint16 port, bool retrying);
    void acceptConnection(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QByteArray &frame);

    RegisterImage ownImage;
    const RegisterImage &image;
    QTcpServer *server;
    QTimer *retryTimer;
    gateway::ListenStatus status;
    QHash<QTcpSocket *, Connection> connections;
    QMap<QString, QString> clients;
    std::function<bool()> verbose;
    Clock clock;
    int maxConnections = MaxConnections;
};

#pragma once

#include "httprequest.h"
#include "portalanswer.h"

#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QObject>

class QTcpServer;
class QTcpSocket;
class QTimer;

// The portal stand-in's network side: accepts HTTP connections, answers one
// request per connection and records every form posted to the endpoint, in
// arrival order, as a "FORM <body>" line on stdout and in the record file.
class PortalHost : public QObject
{
    Q_OBJECT

public:
    // How a complete request is answered; refusals are always plain.
    enum class Reply
    {
        Normal, // the answer, then the connection is closed
        Trickle, // the answer with no length, then a few bytes a second, for ever
        Huge, // a 10 MiB body that starts with the answer
    };
    static constexpr qint64 HugeBodyBytes = 10 * 1024 * 1024;

    struct Options
    {
        portal::Account account;
        QString recordPath; // empty: stdout only
        bool verbose = false;
        int idleTimeoutMs = 10000;
        int maxConnections = 64;
        Reply reply = Reply::Normal;
        int trickleIntervalMs = 1000;
    };

    explicit PortalHost(const Options &options, QObject *parent = nullptr);
    ~PortalHost() override;

    bool openRecord(QString *error);
    bool listen(const QHostAddress &address, quint16 port, quint16 *actualPort, QString *error);

    // Protocol lines for whoever started us go to stdout, flushed at once.
    static void announce(const QByteArray &line);

private:
    struct Peer
    {
        portal::RequestParser parser;
        QTimer *idle = nullptr;
        QTimer *trickle = nullptr;
        QByteArray pending; // Huge: the part of the body not yet handed to the socket
        qint64 unsent = 0; // Huge: padding still to follow `pending`
    };

    void accept();
    void readFrom(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const portal::HttpResponse &response, const QByteArray &what);
    void stream(QTcpSocket *socket, const portal::HttpResponse &response, const QByteArray &what);
    void trickle(QTcpSocket *socket);
    void feedHuge(QTcpSocket *socket);
    void record(const QByteArray &body);

    Options options;
    QTcpServer *server = nullptr;
    QFile recordFile;
    QHash<QTcpSocket *, Peer> peers;
};

#pragma once

#include "httprequest.h"
#include "portalanswer.h"

#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QObject>

class QTcpServer;
class QTcpSocket;

// The portal stand-in's network side: accepts HTTP connections, answers one
// request per connection and records every form posted to the endpoint, in
// arrival order, as a "FORM <body>" line on stdout and in the record file.
class PortalHost : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        portal::Account account;
        QString recordPath; // empty: stdout only
        bool verbose = false;
        int idleTimeoutMs = 10000;
        int maxConnections = 64;
    };

    explicit PortalHost(const Options &options, QObject *parent = nullptr);
    ~PortalHost() override;

    bool openRecord(QString *error);
    bool listen(const QHostAddress &address, quint16 port, quint16 *actualPort, QString *error);

    // Protocol lines for whoever started us go to stdout, flushed at once.
    static void announce(const QByteArray &line);

private:
    void accept();
    void readFrom(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const portal::HttpResponse &response, const QByteArray &what);
    void record(const QByteArray &body);

    Options options;
    QTcpServer *server = nullptr;
    QFile recordFile;
    QHash<QTcpSocket *, portal::RequestParser> parsers;
};

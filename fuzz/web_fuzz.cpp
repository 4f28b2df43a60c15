// libFuzzer target for the web server's request surface. An input whose first
// byte is even is split at NUL bytes into a method, a path, the history's
// range and end, and an If-None-Match value, and handed to the routes
// directly (fast, no sockets). An odd one is sent as it stands, a raw request
// of any shape, to the real WebServer (libmicrohttpd on its own thread) over
// a loopback connection from an address of its own, then half-closed; what
// comes back must be HTTP. A crash, a sanitizer report, a reply that is not
// HTTP or a server that stops answering is a finding.
#include "web/routes.h"
#include "web/webserver.h"

#include <QCoreApplication>
#include <QDateTime>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

WebServer *server = nullptr;
quint32 nextSource = 0;

void dropLog(QtMsgType, const QMessageLogContext &, const QString &) { }

void finding(const char *what)
{
    std::fprintf(stderr, "web_fuzz: %s\n", what);
    std::abort();
}

CyclePtr cycle(qint64 second)
{
    auto c = std::make_shared<StationCycle>();
    c->kind = StationCycle::Kind::Good;
    c->dataMissing = false;
    c->values.airTemp = 21.4;
    c->utc = QDateTime::fromSecsSinceEpoch(1777896000 + second, Qt::UTC);
    c->local = c->utc;
    return c;
}

// Sends the bytes, half-closes, and reads until the server closes or falls
// quiet for `quietMs` (an event stream stays open); then resets the
// connection.
QByteArray exchange(const uint8_t *data, size_t size, int quietMs = 50)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    // Another address each time: the per-address limit is for people.
    sockaddr_in from {};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7f000002 + (nextSource++ % 0xfffff0));
    ::bind(fd, reinterpret_cast<sockaddr *>(&from), sizeof from);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(server->serverPort());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0)
        finding("connect failed");
    (void)::send(fd, data, size, MSG_NOSIGNAL);
    ::shutdown(fd, SHUT_WR);
    QByteArray reply;
    pollfd wait { fd, POLLIN, 0 };
    char buffer[65536];
    while (::poll(&wait, 1, quietMs) == 1) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        reply.append(buffer, int(n));
    }
    const linger hard { 1, 0 };
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(fd);
    return reply;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv);
    qInstallMessageHandler(dropLog);
    server = new WebServer;
    WebSettings s;
    s.port = 0;
    s.bindAddress = QStringLiteral("127.0.0.1");
    server->setSettings(s);
    if (!server->isServing())
        finding("cannot listen");
    server->takeCycle(cycle(0));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static qint64 second = 0;
    if (data[0] % 2 == 0) {
        const QList<QByteArray> parts
            = QByteArray(reinterpret_cast<const char *>(data + 1), int(size - 1)).split('\0');
        web::Request r;
        r.method = parts.value(0);
        r.path = parts.value(1);
        r.range = QString::fromUtf8(parts.value(2));
        r.end = QString::fromUtf8(parts.value(3));
        r.ifNoneMatch = parts.value(4);
        web::Snapshot snapshot;
        snapshot.state = "{\"temperature_c\":21.4}";
        const web::Reply reply = web::route(r, snapshot, 5000, 1777896000);
        if (reply.status < 200 || reply.status > 599)
            finding("a status that is no status");
        return 0;
    }
    const QByteArray reply = exchange(data + 1, size - 1);
    if (!reply.isEmpty() && !reply.startsWith("HTTP/1."))
        finding("a reply that is not HTTP");
    // Streams left behind learn of their end with the events that follow.
    server->takeCycle(cycle(++second));
    server->takeCycle(cycle(++second));
    // Closed once answered; the longer wait is for a machine under load.
    if (!exchange(reinterpret_cast<const uint8_t *>("GET /metrics HTTP/1.0\r\n\r\n"), 25, 5000)
             .startsWith("HTTP/1.1 200"))
        finding("a plain request is not answered");
    return 0;
}

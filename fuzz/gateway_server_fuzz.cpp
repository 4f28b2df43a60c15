// libFuzzer target for the gateway server's connection handling. The input is
// a script of client actions played over real loopback TCP connections against
// a real GatewayServer in this process: connect, send fuzzer bytes, send a
// long pipeline, reset, half-close, read or not, let the server run, move the
// idle clock. Then every client is reset; the server must still answer a
// plain read and let go of every connection. A crash, a sanitizer report or a
// broken rule is a finding.
#include "acquisition/registerimage.h"
#include "gateway/gatewayserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int MaxClients = 8;
constexpr qint64 SettleMs = 5000; // generous: the machine may be busy

void dropLog(QtMsgType, const QMessageLogContext &, const QString &) { }

void finding(const char *what)
{
    std::fprintf(stderr, "gateway_server_fuzz: %s\n", what);
    std::abort();
}

struct World
{
    RegisterImage image;
    GatewayServer *server = nullptr;
    qint64 nowMs = 0;
};

World *world = nullptr;

// Lets the server's event loop run: socket notifiers, the queued backlog and
// reap calls, and deleteLater (which a bare processEvents() leaves alone at
// the top level).
void pump()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void reset(int fd)
{
    const linger hard { 1, 0 };
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(fd);
}

int connectClient(bool smallReceiveBuffer)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (fd < 0)
        finding("no socket");
    if (smallReceiveBuffer) {
        const int size = 4096;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(world->server->serverPort());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0 && errno != EINPROGRESS)
        finding("connect failed");
    pollfd wait { fd, POLLOUT, 0 };
    if (::poll(&wait, 1, 2000) != 1)
        finding("connect timed out");
    return fd;
}

QByteArray readRequest(quint16 transaction, int address, int quantity)
{
    const quint8 bytes[] = { quint8(transaction >> 8), quint8(transaction), 0, 0, 0, 6, 1, 3,
        quint8(address >> 8), quint8(address), quint8(quantity >> 8), quint8(quantity) };
    return QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes);
}

void sendSome(int fd, const char *bytes, size_t size)
{
    // As much as the kernel takes now: a peer that writes faster than we read.
    (void)::send(fd, bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL);
}

void drain(int fd)
{
    char sink[65536];
    for (int i = 0; i < 64; ++i) {
        if (::recv(fd, sink, sizeof sink, MSG_DONTWAIT) <= 0)
            break;
    }
}

// A plain read on a fresh connection is answered, whatever came before.
void expectPlainReadAnswered()
{
    const int fd = connectClient(false);
    const QByteArray request = readRequest(0x4242, 200, 1);
    if (::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size())
        finding("plain request not sent");
    QByteArray reply;
    QElapsedTimer waited;
    waited.start();
    while (reply.size() < 11 && waited.elapsed() < SettleMs) {
        pump();
        char buffer[64];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0)
            reply.append(buffer, int(n));
        else if (n == 0)
            finding("plain client closed by the server");
        else
            ::usleep(50);
    }
    if (reply != QByteArray::fromHex("4242 0000 0005 01 03 02 0011"))
        finding("plain read not answered");
    reset(fd);
}

void expectAllReleased()
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < SettleMs) {
        pump();
        if (world->server->connectionCount() == 0
            && world->server->findChildren<QTcpSocket *>().isEmpty())
            return;
        ::usleep(50);
    }
    finding("connections of reset clients are still held");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv);
    qInstallMessageHandler(dropLog);
    world = new World;
    quint8 data[200] = {};
    data[1] = 0x11; // register 201
    world->image.store(201, data, 100);
    world->server = new GatewayServer(world->image);
    world->server->setVerbose([] { return false; });
    world->server->setIdleClock([] { return world->nowMs; });
    if (!world->server->listen(0))
        finding("cannot listen");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QByteArray pipeline = [] {
        QByteArray bytes;
        for (int i = 0; i < 4096; ++i)
            bytes += readRequest(quint16(i), 200, 125);
        return bytes;
    }();

    std::vector<int> clients;
    size_t at = 0;
    auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
    while (at < size) {
        const uint8_t op = next();
        const uint8_t arg = next();
        int *client = clients.empty() ? nullptr : &clients[arg % clients.size()];
        switch (op % 8) {
        case 0:
            if (clients.size() < MaxClients)
                clients.push_back(connectClient(arg & 1));
            break;
        case 1: { // fuzzer bytes
            const size_t length = qMin<size_t>(size_t(next()) + 1, size - qMin(at, size));
            if (client)
                sendSome(*client, reinterpret_cast<const char *>(data + at), length);
            at += length;
            break;
        }
        case 2: // a pipeline of reads, up to 4096
            if (client)
                sendSome(*client, pipeline.constData(), size_t(12 * 16 * (1 + arg)));
            break;
        case 3: // reset, possibly in the middle of the server's work
            if (client) {
                reset(*client);
                *client = clients.back();
                clients.pop_back();
            }
            break;
        case 4:
            if (client)
                ::shutdown(*client, SHUT_WR);
            break;
        case 5:
            for (int i = 0; i <= arg % 8; ++i)
                pump();
            break;
        case 6:
            if (client)
                drain(*client);
            break;
        case 7:
            world->nowMs += 1000 * qint64(arg);
            world->server->closeIdleConnections();
            break;
        }
    }
    for (int fd : clients)
        reset(fd);
    expectPlainReadAnswered();
    expectAllReleased();
    return 0;
}

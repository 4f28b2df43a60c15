// The web server's figures, each beside a peer or floor measured in the same
// run:
//
// 1. Latency: a cycle handed to WebServer::takeCycle until its state event
//    has reached an event-stream client on loopback (p50, p99, worst).
// 2. 100 event-stream clients for SECONDS, a cycle a second: the serving
//    process's CPU share of one core and its resident memory, beside the same
//    process for SECONDS with no client; its thread count.
// 3. /api/current.json requests per second, 8 keep-alive clients, beside a
//    bare libmicrohttpd daemon (same threading) serving a fixed string of the
//    same size; the two take turns, three rounds each.
// 4. The weight of / (the page and what it loads) and of the chart library.
// 5. Headless Chromium's first contentful paint of / at 412x915.
//
// bench_web [SECONDS [SECTIONS]] all of it (default 60 s; SECTIONS e.g. "13" for 1 and 3)
// bench_web --serve [ARCHIVE]    a server fed a cycle a second; prints "port N"
//                                (a missing ARCHIVE is made with a synthetic year)
// bench_web --fixed BYTES        the bare daemon; prints "port N"
#include "archive/archivestore.h"
#include "support/syntheticweather.h"
#include "web/webfixture.h"
#include "web/webserver.h"
#include "web/websettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

double msSince(Steady::time_point start)
{
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

CyclePtr syntheticCycle(int i)
{
    StationValues v = sampleValues();
    v.airTemp = 20 + (i % 50) / 10.0;
    v.wind = 3 + (i % 7) / 10.0;
    return webfixture::cycle(i, StationCycle::Kind::Good, v);
}

// A client socket from a loopback address of its own (the server allows 16
// connections per address), connected to 127.0.0.1:port.
int connectFrom(int sourceIndex, quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in from {};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7f000002 + quint32(sourceIndex));
    ::bind(fd, reinterpret_cast<sockaddr *>(&from), sizeof from);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const QByteArray &data)
{
    return ::send(fd, data.constData(), size_t(data.size()), MSG_NOSIGNAL) == data.size();
}

QByteArray fetch(quint16 port, const char *path)
{
    const int fd = connectFrom(0, port);
    sendAll(fd, QByteArray("GET ") + path + " HTTP/1.0\r\n\r\n");
    QByteArray all;
    char buffer[65536];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
        all.append(buffer, int(n));
    ::close(fd);
    return all.mid(all.indexOf("\r\n\r\n") + 4);
}

// Loopback, a free port, and the archive the history reads.
WebSettings loopback(const QString &archive = QString())
{
    WebSettings s;
    s.port = 0;
    s.bindAddress = QStringLiteral("127.0.0.1");
    s.archiveFile = archive;
    return s;
}

// A year of synthetic minutes up to `end` (epoch seconds) in a new archive.
void fillYear(const QString &file, qint64 end)
{
    ArchiveStore store;
    store.open(file);
    store.insert(syntheticMinutes(end - 365 * 86400, 365 * 1440));
}

// --- the child processes -----------------------------------------------------

int serve(const QString &archive)
{
    if (!archive.isEmpty() && !QFile::exists(archive))
        fillYear(archive, QDateTime::currentSecsSinceEpoch() / 60 * 60);
    WebServer server;
    server.setSettings(loopback(archive));
    int i = 0;
    server.takeCycle(syntheticCycle(i++));
    QTimer cycles;
    QObject::connect(&cycles, &QTimer::timeout, [&] { server.takeCycle(syntheticCycle(i++)); });
    cycles.start(1000);
    std::printf("port %d\n", server.serverPort());
    std::fflush(stdout);
    return QCoreApplication::exec();
}

MHD_Result fixedReply(void *cls, MHD_Connection *connection, const char *, const char *,
    const char *, const char *, size_t *, void **context)
{
    // Answered on the second call, as the web server does: the connection stays open.
    if (!*context) {
        *context = cls;
        return MHD_YES;
    }
    const auto *body = static_cast<const QByteArray *>(cls);
    MHD_Response *r = MHD_create_response_from_buffer(
        size_t(body->size()), const_cast<char *>(body->constData()), MHD_RESPMEM_PERSISTENT);
    MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, "application/json");
    const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_OK, r);
    MHD_destroy_response(r);
    return queued;
}

int serveFixed(int bytes)
{
    static const QByteArray body = '{' + QByteArray(qMax(2, bytes) - 2, 'x') + '}';
    MHD_Daemon *d = MHD_start_daemon(MHD_USE_EPOLL_INTERNAL_THREAD, 0, nullptr, nullptr,
        &fixedReply, const_cast<QByteArray *>(&body), MHD_OPTION_END);
    const MHD_DaemonInfo *info = MHD_get_daemon_info(d, MHD_DAEMON_INFO_BIND_PORT);
    std::printf("port %d\n", info->port);
    std::fflush(stdout);
    return QCoreApplication::exec();
}

struct Child
{
    QProcess process;
    quint16 port = 0;

    bool start(const QStringList &arguments)
    {
        process.start(QCoreApplication::applicationFilePath(), arguments);
        if (!process.waitForStarted() || !process.waitForReadyRead(10000))
            return false;
        port = quint16(process.readLine().mid(5).trimmed().toUInt());
        return port != 0;
    }
    ~Child()
    {
        process.kill();
        process.waitForFinished();
    }

    QList<QByteArray> stat() const
    {
        QFile f(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        f.open(QIODevice::ReadOnly);
        const QByteArray all = f.readAll();
        return all.mid(all.lastIndexOf(')') + 2).split(' ');
    }
    // User and system time, seconds.
    double cpu() const
    {
        const QList<QByteArray> f = stat();
        return (f.at(11).toDouble() + f.at(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
    }
    int threads() const { return stat().at(17).toInt(); }
    double rssMiB() const
    {
        QFile f(QStringLiteral("/proc/%1/status").arg(process.processId()));
        f.open(QIODevice::ReadOnly);
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
        return 0;
    }
};

// --- 1. latency ----------------------------------------------------------------

// With `archive`, another client asks for a year's history all the while.
void latency(const QString &archive = QString())
{
    WebServer server;
    server.setSettings(loopback(archive));
    std::atomic<bool> done { false };
    std::vector<double> queries;
    std::thread history([&] {
        while (!archive.isEmpty() && !done) {
            const Steady::time_point start = Steady::now();
            fetch(server.serverPort(), "/api/history.json?range=1y&end=2026-05-04T12:00:00Z");
            queries.push_back(msSince(start));
        }
    });
    const int fd = connectFrom(0, server.serverPort());
    sendAll(fd, "GET /api/events HTTP/1.1\r\nHost: bench\r\n\r\n");
    while (server.streamCount() == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    constexpr int Cycles = 500;
    std::vector<Steady::time_point> sent(Cycles);
    std::vector<double> delays;
    std::thread reader([&] {
        QByteArray pending;
        char buffer[16384];
        while (int(delays.size()) < Cycles) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            const Steady::time_point now = Steady::now();
            pending.append(buffer, int(n));
            for (int at; (at = pending.indexOf("event: state")) >= 0;) {
                pending.remove(0, at + 12);
                const size_t i = delays.size();
                delays.push_back(std::chrono::duration<double, std::milli>(now - sent[i]).count());
            }
        }
    });
    for (int i = 0; i < Cycles; ++i) {
        sent[size_t(i)] = Steady::now();
        server.takeCycle(syntheticCycle(i));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::shutdown(fd, SHUT_RDWR);
    reader.join();
    ::close(fd);
    done = true;
    history.join();
    std::sort(delays.begin(), delays.end());
    std::sort(queries.begin(), queries.end());
    if (delays.empty())
        return;
    std::printf("1. cycle to event-stream client, %zu cycles%s: p50 %.2f ms, p99 %.2f ms, worst "
                "%.2f ms (budget p99 20 ms)\n",
        delays.size(), archive.isEmpty() ? "" : ", a year's history asked for all the while",
        delays[delays.size() / 2], delays[delays.size() * 99 / 100], delays.back());
    if (!queries.empty())
        std::printf("   %zu history requests of a year: median %.0f ms, worst %.0f ms\n",
            queries.size(), queries[queries.size() / 2], queries.back());
}

// --- 2. 100 streams ------------------------------------------------------------

void streams(int seconds)
{
    Child server;
    if (!server.start({ QStringLiteral("--serve") })) {
        std::printf("2. the server would not start\n");
        return;
    }
    QThread::sleep(2);
    const double rssIdle = server.rssMiB();
    double before = server.cpu();
    QThread::sleep(unsigned(seconds));
    const double idle = (server.cpu() - before) / seconds * 100;

    constexpr int Clients = 100;
    std::vector<pollfd> fds;
    for (int i = 0; i < Clients; ++i) {
        const int fd = connectFrom(i / 16, server.port);
        sendAll(fd, "GET /api/events HTTP/1.1\r\nHost: bench\r\n\r\n");
        fds.push_back({ fd, POLLIN, 0 });
    }
    std::vector<int> events(Clients, 0);
    char buffer[16384];
    const auto drain = [&](int forMs) {
        const Steady::time_point start = Steady::now();
        while (msSince(start) < forMs) {
            if (::poll(fds.data(), fds.size(), 200) <= 0)
                continue;
            for (size_t i = 0; i < fds.size(); ++i)
                if (fds[i].revents & POLLIN) {
                    const ssize_t n = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
                    if (n > 0)
                        events[i]
                            += int(QByteArray::fromRawData(buffer, int(n)).count("event: state"));
                }
        }
    };
    drain(2000);
    std::fill(events.begin(), events.end(), 0);
    before = server.cpu();
    drain(seconds * 1000);
    const double busy = (server.cpu() - before) / seconds * 100;
    const double rssBusy = server.rssMiB();
    const auto fewest = *std::min_element(events.begin(), events.end());
    std::printf("2. %d event streams for %d s: %.2f %% of a core, %.1f MiB resident, %d threads;"
                " without clients %.2f %% and %.1f MiB: +%.2f %% and +%.1f MiB (budget 2 %%, 10 "
                "MiB); the slowest client got %d events\n",
        Clients, seconds, busy, rssBusy, server.threads(), idle, rssIdle, busy - idle,
        rssBusy - rssIdle, fewest);
    for (const pollfd &p : fds)
        ::close(p.fd);
}

// --- 3. requests per second ------------------------------------------------------

double requestsPerSecond(quint16 port, const char *path, double seconds)
{
    constexpr int Clients = 8;
    const QByteArray request = QByteArray("GET ") + path + " HTTP/1.1\r\nHost: bench\r\n\r\n";
    std::vector<pollfd> fds;
    std::vector<QByteArray> got(Clients);
    for (int i = 0; i < Clients; ++i) {
        fds.push_back({ connectFrom(i, port), POLLIN, 0 });
        sendAll(fds.back().fd, request);
    }
    long answered = 0;
    char buffer[65536];
    const Steady::time_point start = Steady::now();
    while (msSince(start) < seconds * 1000) {
        if (::poll(fds.data(), fds.size(), 100) <= 0)
            continue;
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            const ssize_t n = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return 0;
            got[i].append(buffer, int(n));
            const int end = got[i].indexOf("\r\n\r\n");
            if (end < 0)
                continue;
            const int at = got[i].indexOf("Content-Length: ");
            const int length = got[i].mid(at + 16, got[i].indexOf('\r', at) - at - 16).toInt();
            if (got[i].size() < end + 4 + length)
                continue;
            got[i].remove(0, end + 4 + length);
            ++answered;
            sendAll(fds[i].fd, request);
        }
    }
    for (const pollfd &p : fds)
        ::close(p.fd);
    return answered / seconds;
}

void throughput()
{
    Child ours;
    if (!ours.start({ QStringLiteral("--serve") }))
        return;
    const int size = fetch(ours.port, "/api/current.json").size();
    Child peer;
    if (!peer.start({ QStringLiteral("--fixed"), QString::number(size) }))
        return;
    std::printf("3. /api/current.json (%d bytes), 8 keep-alive clients, requests/s:\n", size);
    for (int round = 0; round < 3; ++round) {
        const double a = requestsPerSecond(ours.port, "/api/current.json", 3);
        const double b = requestsPerSecond(peer.port, "/", 3);
        std::printf("   round %d: ours %.0f, fixed string %.0f: ratio %.2f (floor 0.8)\n",
            round + 1, a, b, b > 0 ? a / b : 0);
    }
}

// --- 4, 5. the page ------------------------------------------------------------

void page()
{
    Child server;
    if (!server.start({ QStringLiteral("--serve") }))
        return;
    int total = 0;
    for (const char *path : { "/", "/style.css", "/theme.css", "/dashboard.js", "/favicon.svg" })
        total += fetch(server.port, path).size();
    std::printf("4. / with what it loads: %d bytes (budget 100 KB); the chart library (history "
                "only): %d bytes\n",
        total, fetch(server.port, "/chart.js").size());

    QProcess paint;
    paint.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral(PAINT_SCRIPT), QStringLiteral("http://127.0.0.1:%1/").arg(server.port),
            QStringLiteral("7") });
    if (!paint.waitForFinished(120000) || paint.exitCode() != 0) {
        std::printf("5. no paint time: %s\n", paint.readAllStandardError().right(300).constData());
        return;
    }
    QList<double> times;
    for (const QByteArray &line : paint.readAllStandardOutput().split('\n'))
        if (line.startsWith("paint "))
            times.append(line.mid(6).toDouble());
    if (times.size() < 2)
        return;
    const double first = times.takeFirst();
    std::sort(times.begin(), times.end());
    std::printf("5. Chromium's first contentful paint of / at 412x915: first load %.0f ms, "
                "then median %.0f ms of %d (budget 500 ms)\n",
        first, times.at(times.size() / 2), int(times.size()));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("--serve"))
        return serve(args.value(2));
    if (args.value(1) == QLatin1String("--fixed"))
        return serveFixed(args.value(2).toInt());
    const int seconds = args.size() > 1 ? qMax(5, args.value(1).toInt()) : 60;
    const QString sections = args.value(2, QStringLiteral("12345"));
    if (sections.contains(QLatin1Char('1'))) {
        latency();
        QTemporaryDir folder;
        const QString archive = folder.filePath(QStringLiteral("archive.sqlite"));
        fillYear(archive, webfixture::Noon);
        latency(archive);
    }
    if (sections.contains(QLatin1Char('3')))
        throughput();
    if (sections.contains(QLatin1Char('4')) || sections.contains(QLatin1Char('5')))
        page();
    if (sections.contains(QLatin1Char('2')))
        streams(seconds);
    return 0;
}

// Two sections.
//
// 1. Throughput on loopback: the real GatewayServer (in a child process of
//    this program, debug log off: no byte dump, every log line dropped by the
//    handler after it was built, as the console's handler drops them) beside a
//    libmodbus server serving the same registers (bench_gateway_libmodbus_server).
//    The same libmodbus clients, 1 and then 16 threads, each read 100 registers
//    at 200 as fast as they get answers; the servers take turns so that drift
//    on the machine affects both alike. Requests per second, p50 and p99, and
//    each server's CPU time per request, which other load hardly changes.
//
// 2. Answering a read request as the server does (request dump, then the
//    responder) with the per-byte reply dump left out, as while the debug log
//    is off, beside the same with the dump built.
//
// bench_gateway [seconds per round] [rounds] [requests for section 2]
// bench_gateway --serve            our server alone; prints its port
// bench_gateway --load PORT CLIENTS SECONDS   clients alone, e.g. for a profiler
#include "acquisition/registerimage.h"
#include "gateway/gatewayresponder.h"
#include "gateway/gatewayserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>

#include <modbus.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

void dropMessages(QtMsgType, const QMessageLogContext &, const QString &) { }

// Byte k of the register image; the libmodbus peer uses the same formula.
quint8 imageByte(int k)
{
    return quint8(k * 7 + 1);
}

// ---- section 1: the servers ------------------------------------------------

int serve(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(dropMessages);

    quint8 bytes[RegisterImage::Size];
    for (int k = 0; k < RegisterImage::Size; ++k)
        bytes[k] = imageByte(k);
    RegisterImage image;
    image.store(RegisterImage::StatusFirst, bytes, RegisterImage::StatusCount);
    image.store(
        RegisterImage::DataFirst, bytes + 2 * RegisterImage::StatusCount, RegisterImage::DataCount);

    GatewayServer server(image);
    server.setVerbose([] { return false; });
    if (!server.listen(0)) {
        std::fprintf(stderr, "our server cannot listen\n");
        return 1;
    }
    std::printf("%d\n", int(server.serverPort()));
    std::fflush(stdout);

    // Ends when the bench closes our standard input, or goes away.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&app] {
        char sink[64];
        if (::read(STDIN_FILENO, sink, sizeof sink) <= 0)
            app.quit();
    });
    return app.exec();
}

// A server in a child process; stopped (stdin closed, then SIGTERM) on destruction.
class ServerProcess
{
public:
    ServerProcess(const QString &program, const QStringList &arguments)
    {
        process.setProgram(program);
        process.setArguments(arguments);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start();
        if (!process.waitForStarted(5000))
            return;
        QElapsedTimer waited;
        waited.start();
        while (!process.canReadLine() && waited.elapsed() < 5000)
            process.waitForReadyRead(100);
        if (process.canReadLine())
            port = quint16(process.readLine().trimmed().toUInt());
    }

    ~ServerProcess()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.closeWriteChannel();
        if (!process.waitForFinished(3000)) {
            process.terminate();
            if (!process.waitForFinished(3000))
                process.kill();
            process.waitForFinished(1000);
        }
    }

    // User and system CPU time the server has used so far, in seconds.
    double cpuSeconds() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return 0;
        const QByteArray line = stat.readAll();
        // Fields after the command name, which may hold spaces: state is
        // field 3, utime 14, stime 15.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13)
            return 0;
        return (fields.at(11).toDouble() + fields.at(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
    }

    quint16 port = 0;

private:
    QProcess process;
};

// ---- section 1: the clients ------------------------------------------------

constexpr int ReadAddress = 200;
constexpr int ReadCount = 100;
// Upper bound per client and round whatever the duration: the loop always ends.
constexpr long MaxRequestsPerClient = 5'000'000;

struct Load
{
    long requests = 0;
    long failures = 0;
    long wrongValues = 0;
    double seconds = 0;
    std::vector<quint32> latencyNs;
};

bool expectedRegisters(const uint16_t *regs)
{
    for (int i = 0; i < ReadCount; ++i) {
        const int k = 2 * RegisterImage::StatusCount + 2 * i;
        if (regs[i] != uint16_t(imageByte(k) << 8 | imageByte(k + 1)))
            return false;
    }
    return true;
}

// `clients` libmodbus connections to 127.0.0.1:port, all reading from the
// same instant for `seconds`.
Load runLoad(quint16 port, int clients, double seconds)
{
    std::mutex mutex;
    std::condition_variable wake;
    int connected = 0;
    bool go = false;
    SteadyClock::time_point start, deadline;
    auto perClient = std::vector<Load>(std::size_t(clients));
    auto ended = std::vector<SteadyClock::time_point>(std::size_t(clients));

    auto client = [&](int index) {
        Load &load = perClient[std::size_t(index)];
        modbus_t *ctx = modbus_new_tcp("127.0.0.1", port);
        const bool ok = ctx && modbus_connect(ctx) == 0;
        {
            std::unique_lock<std::mutex> lock(mutex);
            ++connected;
            wake.notify_all();
            wake.wait(lock, [&] { return go; });
        }
        SteadyClock::time_point now = start;
        if (ok) {
            load.latencyNs.reserve(1 << 16);
            uint16_t regs[ReadCount];
            while (now < deadline && load.requests + load.failures < MaxRequestsPerClient) {
                const auto before = SteadyClock::now();
                const int n = modbus_read_registers(ctx, ReadAddress, ReadCount, regs);
                now = SteadyClock::now();
                if (n != ReadCount) {
                    ++load.failures;
                    continue;
                }
                ++load.requests;
                load.latencyNs.push_back(quint32(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(now - before).count()));
                if (load.requests == 1 && !expectedRegisters(regs))
                    ++load.wrongValues;
            }
        } else {
            load.failures = 1;
        }
        ended[std::size_t(index)] = now;
        if (ctx) {
            modbus_close(ctx);
            modbus_free(ctx);
        }
    };

    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i)
        threads.emplace_back(client, i);
    {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait(lock, [&] { return connected == clients; });
        start = SteadyClock::now();
        deadline = start
            + std::chrono::duration_cast<SteadyClock::duration>(
                std::chrono::duration<double>(seconds));
        go = true;
    }
    wake.notify_all();
    for (auto &t : threads)
        t.join();

    Load total;
    SteadyClock::time_point last = start;
    for (int i = 0; i < clients; ++i) {
        const Load &one = perClient[std::size_t(i)];
        total.requests += one.requests;
        total.failures += one.failures;
        total.wrongValues += one.wrongValues;
        total.latencyNs.insert(total.latencyNs.end(), one.latencyNs.begin(), one.latencyNs.end());
        last = std::max(last, ended[std::size_t(i)]);
    }
    total.seconds = std::chrono::duration<double>(last - start).count();
    return total;
}

void add(Load &into, const Load &round)
{
    into.requests += round.requests;
    into.failures += round.failures;
    into.wrongValues += round.wrongValues;
    into.seconds += round.seconds;
    into.latencyNs.insert(into.latencyNs.end(), round.latencyNs.begin(), round.latencyNs.end());
}

struct Figures
{
    double perSecond = 0;
    double p50us = 0;
    double p90us = 0;
    double p99us = 0;
    double meanUs = 0;
};

Figures figures(Load &load)
{
    Figures f;
    if (load.seconds > 0)
        f.perSecond = load.requests / load.seconds;
    auto &v = load.latencyNs;
    if (v.empty())
        return f;
    auto at = [&v](double q) {
        const auto i = std::min(v.size() - 1, std::size_t(q * double(v.size())));
        std::nth_element(v.begin(), v.begin() + long(i), v.end());
        return v[i] / 1e3;
    };
    f.p50us = at(0.50);
    f.p90us = at(0.90);
    f.p99us = at(0.99);
    double sum = 0;
    for (quint32 ns : v)
        sum += ns;
    f.meanUs = sum / double(v.size()) / 1e3;
    return f;
}

void printFigures(int clients, const char *name, Load &load, Figures f)
{
    std::printf("  %2d client%s  %-9s %7.0f req/s   p50 %6.1f us   p99 %7.1f us   "
                "(p90 %6.1f, mean %6.1f)",
        clients, clients == 1 ? " " : "s", name, f.perSecond, f.p50us, f.p99us, f.p90us, f.meanUs);
    if (load.failures || load.wrongValues)
        std::printf("   (%ld failed, %ld wrong values)", load.failures, load.wrongValues);
    std::printf("\n");
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool throughputSection(int rounds, double seconds)
{
    ServerProcess ours(QCoreApplication::applicationFilePath(), { QStringLiteral("--serve") });
    ServerProcess peer(QStringLiteral(LIBMODBUS_SERVER), {});
    if (!ours.port || !peer.port) {
        std::fprintf(
            stderr, "a server did not start (ours %d, libmodbus %d)\n", ours.port, peer.port);
        return false;
    }
    std::printf("gateway throughput on loopback, %d-register reads at %d, debug log off;\n"
                "%d rounds of %.2f s per server, taking turns; req/s is the median round,\n"
                "its ratio the median of the rounds' ratios, p50/p99 over all requests;\n"
                "server CPU (user + system) per request does not depend on other load\n",
        ReadCount, ReadAddress, rounds, seconds);
    bool ok = true;
    for (int clients : { 1, 16 }) {
        runLoad(ours.port, clients, 0.2); // warm-up
        runLoad(peer.port, clients, 0.2);
        Load a, b;
        std::vector<double> rateA, rateB, ratios;
        double cpuA = 0, cpuB = 0;
        for (int round = 0; round < rounds; ++round) {
            Load ra, rb;
            auto runOurs = [&] {
                const double before = ours.cpuSeconds();
                ra = runLoad(ours.port, clients, seconds);
                cpuA += ours.cpuSeconds() - before;
            };
            auto runPeer = [&] {
                const double before = peer.cpuSeconds();
                rb = runLoad(peer.port, clients, seconds);
                cpuB += peer.cpuSeconds() - before;
            };
            if (round % 2 == 0) {
                runOurs();
                runPeer();
            } else {
                runPeer();
                runOurs();
            }
            const double x = figures(ra).perSecond, y = figures(rb).perSecond;
            rateA.push_back(x);
            rateB.push_back(y);
            if (y > 0)
                ratios.push_back(x / y);
            add(a, ra);
            add(b, rb);
        }
        Figures fa = figures(a), fb = figures(b);
        fa.perSecond = median(rateA);
        fb.perSecond = median(rateB);
        printFigures(clients, "ours", a, fa);
        printFigures(clients, "libmodbus", b, fb);
        if (fb.p50us > 0 && fb.p99us > 0)
            std::printf("  %2d client%s  ours/libmodbus: req/s %.2f, p50 %.2f, p99 %.2f\n", clients,
                clients == 1 ? " " : "s", median(ratios), fa.p50us / fb.p50us, fa.p99us / fb.p99us);
        if (a.requests > 0 && b.requests > 0 && cpuB > 0) {
            const double usA = cpuA / double(a.requests) * 1e6,
                         usB = cpuB / double(b.requests) * 1e6;
            std::printf("  %2d client%s  server CPU per request: ours %.1f us, libmodbus %.1f us, "
                        "ratio %.2f\n",
                clients, clients == 1 ? " " : "s", usA, usB, usA / usB);
        }
        ok = ok && a.requests > 0 && b.requests > 0 && !a.wrongValues && !b.wrongValues;
    }
    return ok;
}

// ---- section 2: the cost of the byte dump -----------------------------------

QByteArray readRequest(int quantity)
{
    const quint8 bytes[] = { 0x12, 0x80, 0, 0, 0, 6, 1, 3, 0, 200, 0, quint8(quantity) };
    return QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes);
}

// Microseconds per request over one batch of `count` requests.
double batch(const QByteArray &request, const QByteArray &image, bool verbose, int count)
{
    QElapsedTimer timer;
    timer.start();
    qint64 bytes = 0;
    for (int i = 0; i < count; ++i) {
        gateway::logRequest(request);
        const auto reply = gateway::gatewayReply(request, image, false, verbose);
        bytes += reply ? reply->size() : 0;
    }
    const double us = timer.nsecsElapsed() / 1e3 / count;
    if (bytes == 0)
        std::fprintf(stderr, "no replies\n");
    return us;
}

void dumpSection(int requests)
{
    QByteArray image(RegisterImage::Size, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(imageByte(i));

    std::printf("gateway read requests without sockets, %d per case, median of 10 alternating "
                "batches\n",
        requests);
    for (int quantity : { 10, 100 }) {
        const QByteArray request = readRequest(quantity);
        std::vector<double> plain, dumped;
        batch(request, image, true, requests / 10); // warm-up
        for (int round = 0; round < 10; ++round) {
            plain.push_back(batch(request, image, false, requests / 10));
            dumped.push_back(batch(request, image, true, requests / 10));
        }
        const double a = median(plain), b = median(dumped);
        std::printf("  %3d registers (%3d-byte reply): without byte dump %.2f us, with %.2f us, "
                    "ratio %.1f\n",
            quantity, 9 + 2 * quantity, a, b, b / a);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--serve") == 0)
        return serve(argc, argv);

    QCoreApplication app(argc, argv);
    qInstallMessageHandler(dropMessages);

    if (argc > 1 && std::strcmp(argv[1], "--load") == 0) {
        if (argc < 5) {
            std::fprintf(stderr, "usage: %s --load PORT CLIENTS SECONDS\n", argv[0]);
            return 2;
        }
        const int clients = std::clamp(std::atoi(argv[3]), 1, 64);
        Load load = runLoad(
            quint16(std::atoi(argv[2])), clients, std::clamp(std::atof(argv[4]), 0.1, 600.0));
        printFigures(clients, "server", load, figures(load));
        return load.requests > 0 ? 0 : 1;
    }

    const double seconds = argc > 1 ? std::clamp(std::atof(argv[1]), 0.1, 60.0) : 0.5;
    const int rounds = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 100) : 10;
    const int requests = argc > 3 ? std::max(100, std::atoi(argv[3])) : 20000;
    const bool ok = throughputSection(rounds, seconds);
    std::printf("\n");
    dumpSection(requests);
    return ok ? 0 : 1;
}

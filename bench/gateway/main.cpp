// Answering gateway read requests as the server does (request dump, then the
// responder) with the per-byte reply dump left out, as while the debug log is
// off, beside the same with the dump built. Log lines are dropped by the
// handler either way, as the real one drops them while the log is off: what
// is measured is the cost of building them.
#include "gateway/gatewayresponder.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

QByteArray readRequest(int quantity)
{
    const quint8 bytes[] = { 0x12, 0x80, 0, 0, 0, 6, 1, 3, 0, 200, 0, quint8(quantity) };
    return QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const int requests = argc > 1 ? std::max(100, std::atoi(argv[1])) : 20000;

    QByteArray image(222, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 7 + 1);

    std::printf("gateway read requests, %d per case, median of 10 alternating batches\n", requests);
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
    return 0;
}

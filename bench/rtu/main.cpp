// One 100-register RTU transaction over a pseudo-terminal against the station
// simulator: our master beside libmodbus's modbus_read_registers, same run,
// same kind of link. Blind naps in the receive loop show up as a large ratio.
#include "acquisition/posixserialport.h"
#include "acquisition/registerimage.h"
#include "acquisition/rtumaster.h"
#include "support/simulatedstation.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <modbus.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<double> timeOurs(const QString &path, int rounds)
{
    PosixSerialPort port;
    RegisterImage image;
    RtuMaster master(port, image);
    std::vector<double> times;
    if (master.openPort(path, 19200) != RtuMaster::Ok)
        return times;
    quint16 words[100];
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        const int result = master.readRegisters(1, 3, 201, 100, words);
        const double ms = t.nsecsElapsed() / 1e6;
        if (result == 100)
            times.push_back(ms);
    }
    master.closePort();
    return times;
}

std::vector<double> timeLibmodbus(const QString &path, int rounds)
{
    std::vector<double> times;
    modbus_t *ctx = modbus_new_rtu(path.toLocal8Bit().constData(), 19200, 'N', 8, 1);
    if (!ctx)
        return times;
    modbus_set_slave(ctx, 1);
    if (modbus_connect(ctx) != 0) {
        modbus_free(ctx);
        return times;
    }
    uint16_t words[100];
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        const int result = modbus_read_registers(ctx, 200, 100, words);
        const double ms = t.nsecsElapsed() / 1e6;
        if (result == 100)
            times.push_back(ms);
    }
    modbus_close(ctx);
    modbus_free(ctx);
    return times;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const int rounds = argc > 1 ? std::max(5, atoi(argv[1])) : 50;

    SimulatedStation station;
    if (!station.start(QStringLiteral(STATION_BINARY))) {
        std::fprintf(stderr, "station simulator did not start\n");
        return 1;
    }
    // Alternate the two so drift on the machine affects both alike.
    std::vector<double> ours, theirs;
    for (int batch = 0; batch < 5; ++batch) {
        auto a = timeOurs(station.path, rounds / 5);
        auto b = timeLibmodbus(station.path, rounds / 5);
        ours.insert(ours.end(), a.begin(), a.end());
        theirs.insert(theirs.end(), b.begin(), b.end());
    }
    if (ours.empty() || theirs.empty()) {
        std::fprintf(stderr, "no successful transactions (ours %zu, libmodbus %zu)\n", ours.size(),
            theirs.size());
        return 1;
    }
    const double m1 = median(ours), m2 = median(theirs);
    std::printf("100-register RTU read over a pty, %zu/%zu good transactions\n", ours.size(),
        theirs.size());
    std::printf("  skyquill RtuMaster:            median %.3f ms\n", m1);
    std::printf("  libmodbus modbus_read_registers: median %.3f ms\n", m2);
    std::printf("  ratio skyquill/libmodbus: %.2f\n", m1 / m2);
    return 0;
}

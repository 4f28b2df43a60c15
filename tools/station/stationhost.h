#pragma once

#include "stationserver.h"
#include "weathermodel.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

class QSocketNotifier;
class QTcpServer;
class QTcpSocket;

// Runs one simulated station: steps the weather every second and answers
// Modbus requests on a pseudo-terminal or serial device (RTU) and on a TCP
// port, applying the test fault chosen on the command line or on stdin.
class StationHost : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        quint32 seed = 1;
        Site site;
        station::Fault fault = station::Fault::None;
        int faultAfter = 0; // replies given normally before the fault starts
        bool verbose = false;
    };

    explicit StationHost(const Options &options, QObject *parent = nullptr);
    ~StationHost() override;

    bool openPty(QString *slavePath, QString *error);
    bool openDevice(const QString &path, int baud, QString *error);
    bool listenTcp(const QHostAddress &address, quint16 port, quint16 *actualPort, QString *error);
    // Reads control lines: "fault NAME [AFTER]", "shower", "storm", "hold",
    // "resume", "quit".
    void watchStdin();

    // Protocol lines for whoever started us go to stdout, flushed at once.
    static void announce(const QString &line);

private:
    struct Client
    {
        station::TcpFramer framer;
        int replies = 0;
    };

    void tick();
    station::Fault faultFor(int *replies) const;
    // The reply under `fault`; under the spike fault only one sample in
    // SpikeEvery, the first at once, gets the spiked registers.
    QByteArray replyTo(const QByteArray &request, station::Fault fault, bool tcp);

    void readSerial();
    void serveSerial(const QByteArray &request);
    void sendSerial(const QByteArray &bytes);
    void flushSerial();
    void closeSerial(const QString &why);

    void acceptClients();
    void readClient(QTcpSocket *socket);
    void dropClient(QTcpSocket *socket);

    void readStdin();
    void takeStdinLines();
    void runCommand(const QByteArray &line);
    void note(const QString &text) const;

    Options options;
    WeatherModel model;
    station::Registers registers;
    QTimer ticker;
    int spikeSamples = 0; // replies since the spike fault began that read a spiked register

    int serialFd = -1;
    int ptySlaveFd = -1; // held open so the master never reads EIO between clients
    int serialGeneration = 0;
    QSocketNotifier *serialReader = nullptr;
    QSocketNotifier *serialWriter = nullptr;
    station::RtuFramer rtuFramer;
    QByteArray serialOut;
    int serialReplies = 0;

    QTcpServer *server = nullptr;
    QHash<QTcpSocket *, Client> clients;

    QSocketNotifier *stdinReader = nullptr;
    QByteArray stdinBuffer;
};

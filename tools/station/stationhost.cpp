#include "stationhost.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef Q_OS_UNIX
#include "acquisition/posixserialport.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#else
#include <qt_windows.h>

#include <thread>
#endif

namespace {

#ifdef Q_OS_UNIX

bool makeRaw(int fd, int baud, QString *error)
{
    termios settings {};
    if (::tcgetattr(fd, &settings) != 0) {
        *error = QStringLiteral("tcgetattr: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    const speed_t speed = PosixSerialPort::speedFor(baud);
    if (baud > 0 && speed != B0) {
        ::cfsetispeed(&settings, speed);
        ::cfsetospeed(&settings, speed);
    }
    if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
        *error = QStringLiteral("tcsetattr: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(
        QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}
#endif

} // namespace

StationHost::StationHost(const Options &chosen, QObject *parent)
    : QObject(parent)
    , options(chosen)
    , model(chosen.seed, QDateTime::currentDateTime(), chosen.site)
{
    model.fillRegisters(registers.status, registers.data);
    ticker.setInterval(1000);
    connect(&ticker, &QTimer::timeout, this, &StationHost::tick);
    ticker.start();
}

StationHost::~StationHost()
{
    closeSerial(QString());
}

void StationHost::announce(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void StationHost::note(const QString &text) const
{
    std::fprintf(stderr, "skyquill-station: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

void StationHost::tick()
{
    model.step(QDateTime::currentDateTime());
    model.fillRegisters(registers.status, registers.data);
}

station::Fault StationHost::faultFor(int *replies) const
{
    const station::Fault fault
        = *replies >= options.faultAfter ? options.fault : station::Fault::None;
    ++*replies;
    return fault;
}

QByteArray StationHost::replyTo(const QByteArray &request, station::Fault fault, bool tcp)
{
    const auto reply = [&](station::Fault f) {
        return tcp ? station::tcpReply(request, registers, f)
                   : station::rtuReply(request, registers, f);
    };
    if (fault != station::Fault::Spike)
        return reply(fault);
    const QByteArray plain = reply(station::Fault::None);
    const QByteArray spike = reply(station::Fault::Spike);
    // A read of the status block alone is no sample of the weather.
    if (spike == plain)
        return plain;
    return spikeSamples++ % station::SpikeEvery == 0 ? spike : plain;
}

#ifdef Q_OS_UNIX

bool StationHost::openPty(QString *slavePath, QString *error)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        *error = systemError("posix_openpt");
        return false;
    }
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0
        || ::ptsname_r(master, name, sizeof name) != 0) {
        *error = systemError("pseudo-terminal setup");
        ::close(master);
        return false;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        *error = systemError("open slave");
        ::close(master);
        return false;
    }
    // Raw on the slave side, so the console's bytes reach us untouched and unechoed.
    if (!makeRaw(slave, 0, error)) {
        ::close(slave);
        ::close(master);
        return false;
    }
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    serialFd = master;
    ptySlaveFd = slave;
    *slavePath = QString::fromLocal8Bit(name);
    serialReader = new QSocketNotifier(serialFd, QSocketNotifier::Read, this);
    connect(serialReader, &QSocketNotifier::activated, this, &StationHost::readSerial);
    return true;
}

bool StationHost::openDevice(const QString &path, int baud, QString *error)
{
    const int fd
        = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = systemError("open");
        return false;
    }
    if (::isatty(fd) && !makeRaw(fd, baud, error)) {
        ::close(fd);
        return false;
    }
    serialFd = fd;
    serialReader = new QSocketNotifier(serialFd, QSocketNotifier::Read, this);
    connect(serialReader, &QSocketNotifier::activated, this, &StationHost::readSerial);
    return true;
}

void StationHost::readSerial()
{
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(serialFd, buffer, sizeof buffer);
        if (n > 0) {
            rtuFramer.append(QByteArray(buffer, int(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        // End of file or a hard error: the other end is gone for good.
        closeSerial(n == 0 ? QStringLiteral("serial line closed") : systemError("serial read"));
        return;
    }
    const int droppedBefore = rtuFramer.droppedBytes();
    QByteArray request;
    while (serialFd >= 0 && rtuFramer.takeRequest(&request))
        serveSerial(request);
    if (options.verbose && rtuFramer.droppedBytes() != droppedBefore)
        note(
            QStringLiteral("skipped %1 stray bytes").arg(rtuFramer.droppedBytes() - droppedBefore));
}

#else

// Serial lines are served from a pseudo-terminal or a POSIX device only; on
// Windows the simulator speaks Modbus TCP.
bool StationHost::openPty(QString *, QString *error)
{
    *error = QStringLiteral("pseudo-terminals exist on POSIX systems only");
    return false;
}

bool StationHost::openDevice(const QString &, int, QString *error)
{
    *error = QStringLiteral("serial devices are served on POSIX systems only");
    return false;
}

void StationHost::readSerial() { }

#endif // Q_OS_UNIX

void StationHost::serveSerial(const QByteArray &request)
{
    if (options.verbose)
        note(QStringLiteral("RTU request %1").arg(QString::fromLatin1(request.toHex(' '))));
    // Requests that get no reply (other units, broadcasts) do not count.
    if (station::rtuReply(request, registers, station::Fault::None).isEmpty())
        return;
    const station::Fault fault = faultFor(&serialReplies);
    if (fault == station::Fault::Hangup) {
        closeSerial(QStringLiteral("hangup fault: closed the serial line"));
        return;
    }
    const QByteArray reply = replyTo(request, fault, false);
    if (reply.isEmpty())
        return;
    if (fault == station::Fault::Late) {
        const int generation = serialGeneration;
        QTimer::singleShot(station::LateReplyMs, this, [this, reply, generation] {
            if (generation == serialGeneration)
                sendSerial(reply);
        });
        return;
    }
    sendSerial(reply);
}

#ifdef Q_OS_UNIX

void StationHost::sendSerial(const QByteArray &bytes)
{
    if (serialFd < 0)
        return;
    serialOut.append(bytes);
    flushSerial();
}

void StationHost::flushSerial()
{
    while (!serialOut.isEmpty()) {
        const ssize_t n = ::write(serialFd, serialOut.constData(), std::size_t(serialOut.size()));
        if (n > 0) {
            serialOut.remove(0, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            if (!serialWriter) {
                serialWriter = new QSocketNotifier(serialFd, QSocketNotifier::Write, this);
                connect(serialWriter, &QSocketNotifier::activated, this, &StationHost::flushSerial);
            }
            serialWriter->setEnabled(true);
            return;
        }
        closeSerial(systemError("serial write"));
        return;
    }
    if (serialWriter)
        serialWriter->setEnabled(false);
}

void StationHost::closeSerial(const QString &why)
{
    if (serialFd < 0)
        return;
    if (!why.isEmpty())
        note(why);
    delete serialReader;
    serialReader = nullptr;
    delete serialWriter;
    serialWriter = nullptr;
    ::close(serialFd);
    serialFd = -1;
    if (ptySlaveFd >= 0) {
        ::close(ptySlaveFd);
        ptySlaveFd = -1;
    }
    ++serialGeneration;
    serialOut.clear();
    rtuFramer.clear();
}

#else

void StationHost::sendSerial(const QByteArray &) { }
void StationHost::flushSerial() { }
void StationHost::closeSerial(const QString &) { }

#endif // Q_OS_UNIX

bool StationHost::listenTcp(
    const QHostAddress &address, quint16 port, quint16 *actualPort, QString *error)
{
    server = new QTcpServer(this);
    if (!server->listen(address, port)) {
        *error = server->errorString();
        return false;
    }
    *actualPort = server->serverPort();
    connect(server, &QTcpServer::newConnection, this, &StationHost::acceptClients);
    return true;
}

void StationHost::acceptClients()
{
    while (QTcpSocket *socket = server->nextPendingConnection()) {
        clients.insert(socket, Client());
        if (options.verbose)
            note(QStringLiteral("TCP client %1:%2")
                     .arg(socket->peerAddress().toString())
                     .arg(socket->peerPort()));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readClient(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { dropClient(socket); });
    }
}

void StationHost::readClient(QTcpSocket *socket)
{
    const QByteArray bytes = socket->readAll();
    if (const auto it = clients.find(socket); it != clients.end())
        it->framer.append(bytes);
    for (;;) {
        // Looked up on every turn: a call on the socket may have dropped it.
        const auto it = clients.find(socket);
        if (it == clients.end())
            return;
        QByteArray request;
        const station::TcpFramer::Status status = it->framer.takeRequest(&request);
        if (status == station::TcpFramer::Incomplete)
            return;
        if (status == station::TcpFramer::Invalid) {
            note(QStringLiteral("TCP client sent a frame with a bad MBAP header; dropping it"));
            socket->abort();
            return;
        }
        if (options.verbose)
            note(QStringLiteral("TCP request %1").arg(QString::fromLatin1(request.toHex(' '))));
        const station::Fault fault = faultFor(&it->replies);
        if (fault == station::Fault::Hangup) {
            note(QStringLiteral("hangup fault: dropping the TCP connection"));
            socket->disconnectFromHost();
            return;
        }
        const QByteArray reply = replyTo(request, fault, true);
        if (reply.isEmpty())
            continue;
        if (fault == station::Fault::Late) {
            QPointer<QTcpSocket> guard(socket);
            QTimer::singleShot(station::LateReplyMs, this, [guard, reply] {
                if (guard && guard->state() == QAbstractSocket::ConnectedState)
                    guard->write(reply);
            });
        } else {
            socket->write(reply);
        }
    }
}

void StationHost::dropClient(QTcpSocket *socket)
{
    clients.remove(socket);
    socket->deleteLater();
}

#ifdef Q_OS_UNIX

void StationHost::watchStdin()
{
    // Started without a standard input (daemon style): nothing to watch.
    if (::fcntl(STDIN_FILENO, F_GETFD) == -1)
        return;
    ::fcntl(STDIN_FILENO, F_SETFL, ::fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
    stdinReader = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(stdinReader, &QSocketNotifier::activated, this, &StationHost::readStdin);
}

void StationHost::readStdin()
{
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0) {
            stdinBuffer.append(buffer, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN)
            stdinReader->setEnabled(false); // closed: keep running until a signal
        break;
    }
    takeStdinLines();
}

#else

void StationHost::watchStdin()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE)
        return;
    // A pipe cannot be waited on through the event loop here, so a thread
    // blocks in the read and hands each piece to this one. It ends with the
    // process; the QPointer is only read on this thread.
    QPointer<StationHost> self(this);
    std::thread([input, self] {
        char buffer[256];
        DWORD n = 0;
        while (ReadFile(input, buffer, sizeof buffer, &n, nullptr) && n > 0) {
            const QByteArray piece(buffer, int(n));
            QMetaObject::invokeMethod(QCoreApplication::instance(), [self, piece] {
                if (self) {
                    self->stdinBuffer.append(piece);
                    self->takeStdinLines();
                }
            });
        }
    }).detach();
}

void StationHost::readStdin() { }

#endif // Q_OS_UNIX

void StationHost::takeStdinLines()
{
    int end;
    while ((end = stdinBuffer.indexOf('\n')) >= 0) {
        const QByteArray line = stdinBuffer.left(end).trimmed();
        stdinBuffer.remove(0, end + 1);
        if (!line.isEmpty())
            runCommand(line);
    }
    if (stdinBuffer.size() > 4096)
        stdinBuffer.clear();
}

void StationHost::runCommand(const QByteArray &line)
{
    const QList<QByteArray> words = line.simplified().split(' ');
    const QByteArray &verb = words.first();
    if (verb == "quit") {
        QCoreApplication::exit(0);
    } else if (verb == "fault" && (words.size() == 2 || words.size() == 3)) {
        station::Fault fault;
        bool afterOk = true;
        const int after = words.size() == 3 ? words[2].toInt(&afterOk) : 0;
        if (!station::faultFromName(QString::fromLatin1(words[1]), &fault) || !afterOk
            || after < 0) {
            note(QStringLiteral("bad fault command: %1").arg(QString::fromLatin1(line)));
            return;
        }
        options.fault = fault;
        options.faultAfter = after;
        serialReplies = 0;
        spikeSamples = 0;
        for (Client &client : clients)
            client.replies = 0;
        announce(QStringLiteral("FAULT %1").arg(station::faultName(fault)));
    } else if (verb == "shower" && words.size() == 1) {
        model.startShower(20 * 60, 8.0, false);
        announce(QStringLiteral("WEATHER shower"));
    } else if (verb == "storm" && words.size() == 1) {
        model.startShower(30 * 60, 25.0, true);
        announce(QStringLiteral("WEATHER storm"));
    } else if (verb == "hold" && words.size() == 1) {
        // The registers keep their last values while the link goes on
        // answering: a station whose weather does not change.
        ticker.stop();
        announce(QStringLiteral("WEATHER hold"));
    } else if (verb == "resume" && words.size() == 1) {
        if (!ticker.isActive())
            ticker.start();
        announce(QStringLiteral("WEATHER resume"));
    } else {
        note(QStringLiteral("unknown command: %1").arg(QString::fromLatin1(line)));
    }
}

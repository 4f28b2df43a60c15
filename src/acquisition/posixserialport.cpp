#include "posixserialport.h"

#ifdef Q_OS_UNIX

#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

bool deviceVanished(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

} // namespace

PosixSerialPort::~PosixSerialPort()
{
    close();
}

bool PosixSerialPort::open(const QString &path)
{
    close();
    gone = false;
    haveParameters = false;
    lastOpenError = SerialOpenError();
    const QByteArray name = QFile::encodeName(path);
    const int handle = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) {
        lastOpenError = errorFor(errno);
        return false;
    }
    // TIOCEXCL does not stop a privileged process, so a second program running as
    // root could still share the line; the advisory lock catches that case.
    if (::ioctl(handle, TIOCEXCL) != 0 || ::flock(handle, LOCK_EX | LOCK_NB) != 0) {
        lastOpenError = errorFor(errno);
        ::close(handle);
        return false;
    }
    fd = handle;
    return true;
}

bool PosixSerialPort::readParameters()
{
    if (fd < 0)
        return false;
    haveParameters = ::tcgetattr(fd, &parameters) == 0;
    return haveParameters;
}

void PosixSerialPort::setTimeouts()
{
    if (fd < 0)
        return;
    if (!haveParameters && !readParameters())
        return;
    ::cfmakeraw(&parameters);
    // Reads return at once with whatever is queued; O_NONBLOCK alone would not,
    // because a tty in non-canonical mode honours VMIN/VTIME first.
    parameters.c_cc[VMIN] = 0;
    parameters.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSANOW, &parameters);
}

bool PosixSerialPort::writeParameters(int baudRate)
{
    if (fd < 0)
        return false;
    const speed_t speed = speedFor(baudRate);
    if (speed == B0)
        return false;
    if (!haveParameters && !readParameters())
        return false;
    termios wanted = parameters;
    wanted.c_cflag &= ~tcflag_t(CSIZE | PARENB | CSTOPB);
#ifdef CRTSCTS
    wanted.c_cflag &= ~tcflag_t(CRTSCTS);
#endif
    wanted.c_cflag |= CS8 | CLOCAL | CREAD;
    wanted.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    if (::cfsetispeed(&wanted, speed) != 0 || ::cfsetospeed(&wanted, speed) != 0)
        return false;
    if (::tcsetattr(fd, TCSANOW, &wanted) != 0)
        return false;
    // tcsetattr succeeds when any one change took, so read back what the driver kept.
    termios actual {};
    if (::tcgetattr(fd, &actual) != 0 || ::cfgetospeed(&actual) != speed
        || (actual.c_cflag & (CSIZE | PARENB | CSTOPB)) != CS8)
        return false;
    parameters = actual;
    return true;
}

int PosixSerialPort::read(quint8 *buffer, int maximum)
{
    if (fd < 0)
        return -1;
    if (maximum <= 0)
        return 0;
    const ssize_t n = ::read(fd, buffer, std::size_t(maximum));
    if (n > 0)
        return int(n);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return 0;
        if (deviceVanished(errno))
            gone = true;
        return -1;
    }
    // With VMIN = VTIME = 0 an empty queue and a hung-up line both read as 0.
    if (hungUp()) {
        gone = true;
        return -1;
    }
    return 0;
}

int PosixSerialPort::write(const quint8 *data, int length)
{
    if (fd < 0)
        return -1;
    const ssize_t n = ::write(fd, data, std::size_t(length));
    if (n >= 0)
        return int(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    if (deviceVanished(errno))
        gone = true;
    return -1;
}

void PosixSerialPort::nap(int milliseconds)
{
    QDeadlineTimer deadline(qMax(0, milliseconds));
    for (;;) {
        const int remaining = int(deadline.remainingTime());
        if (remaining <= 0)
            return;
        // A gone device polls as hung up forever; sleeping keeps callers from spinning.
        if (fd < 0 || gone) {
            ::poll(nullptr, 0, remaining);
            continue;
        }
        pollfd entry { fd, POLLIN, 0 };
        const int ready = ::poll(&entry, 1, remaining);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (ready == 0)
            return;
        if (entry.revents & (POLLHUP | POLLERR | POLLNVAL))
            gone = true;
        return;
    }
}

void PosixSerialPort::close()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    haveParameters = false;
}

bool PosixSerialPort::hungUp()
{
    pollfd entry { fd, POLLIN, 0 };
    return ::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL));
}

SerialOpenError PosixSerialPort::errorFor(int error)
{
    switch (error) {
    case 0:
        return {};
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
        return { SerialOpenError::NotFound, QString() };
    case EACCES:
    case EPERM:
        return { SerialOpenError::PermissionDenied, QString() };
    case EBUSY:
    case EWOULDBLOCK:
        // EBUSY from TIOCEXCL, EWOULDBLOCK from the lock: another program has it.
        return { SerialOpenError::InUse, QString() };
    case ENOTTY:
        return { SerialOpenError::NotSerial, QString() };
    default:
        return { SerialOpenError::Other, QString::fromLocal8Bit(::strerror(error)) };
    }
}

speed_t PosixSerialPort::speedFor(int baudRate)
{
    switch (baudRate) {
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
#ifdef B460800
    case 460800:
        return B460800;
#endif
#ifdef B921600
    case 921600:
        return B921600;
#endif
    default:
        return B0;
    }
}

#endif // Q_OS_UNIX

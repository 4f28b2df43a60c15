#include "listensocket.h"

#include <QHostAddress>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstring>

namespace web {

namespace {

#ifdef Q_OS_WIN
using Socket = SOCKET;
constexpr Socket Invalid = INVALID_SOCKET;
int lastError()
{
    return WSAGetLastError();
}
constexpr int InUse = WSAEADDRINUSE;
constexpr int Access = WSAEACCES;
constexpr int NotAvailable = WSAEADDRNOTAVAIL;
#else
using Socket = int;
constexpr Socket Invalid = -1;
int lastError()
{
    return errno;
}
constexpr int InUse = EADDRINUSE;
constexpr int Access = EACCES;
constexpr int NotAvailable = EADDRNOTAVAIL;
#endif

void closeSocket(Socket s)
{
#ifdef Q_OS_WIN
    ::closesocket(s);
#else
    ::close(s);
#endif
}

ListenSocket failed(int code, Socket s)
{
    ListenSocket r;
    r.error = code == InUse    ? ServeStatus::AddressInUse
        : code == Access       ? ServeStatus::AccessDenied
        : code == NotAvailable ? ServeStatus::AddressNotAvailable
                               : ServeStatus::OtherError;
    // The same words on every system for the causes the hints speak of; the
    // system's own for the rest (Windows has none for some socket errors).
    r.reason = r.error == ServeStatus::AddressInUse   ? QStringLiteral("address already in use")
        : r.error == ServeStatus::AddressNotAvailable ? QStringLiteral("address not available")
                                                      : qt_error_string(code);
    if (s != Invalid)
        closeSocket(s);
    return r;
}

ListenSocket listenOn(const QHostAddress &address, quint16 port, bool dualStack)
{
    const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    sockaddr_storage storage {};
    socklen_t length = 0;
    if (v6) {
        auto *in = reinterpret_cast<sockaddr_in6 *>(&storage);
        in->sin6_family = AF_INET6;
        in->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in->sin6_addr, bytes.c, 16);
        length = sizeof(sockaddr_in6);
    } else {
        auto *in = reinterpret_cast<sockaddr_in *>(&storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof(sockaddr_in);
    }

    const Socket s = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    if (s == Invalid)
        return failed(lastError(), s);
    int on = 1;
    int off = 0;
#ifdef Q_OS_WIN
    // Windows' SO_REUSEADDR would let another program take the port from us.
    ::setsockopt(
        s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char *>(&on), sizeof on);
#else
    // A restart must not wait for the old connections' TIME_WAIT.
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
    if (v6)
        ::setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY,
            reinterpret_cast<const char *>(dualStack ? &off : &on), sizeof on);
    if (::bind(s, reinterpret_cast<const sockaddr *>(&storage), length) != 0
        || ::listen(s, SOMAXCONN) != 0)
        return failed(lastError(), s);
#ifdef Q_OS_WIN
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
#else
    ::fcntl(s, F_SETFL, ::fcntl(s, F_GETFL) | O_NONBLOCK);
    ::fcntl(s, F_SETFD, FD_CLOEXEC);
#endif
    ListenSocket r;
    sockaddr_storage bound {};
    socklen_t boundLength = sizeof bound;
    ::getsockname(s, reinterpret_cast<sockaddr *>(&bound), &boundLength);
    r.port = ntohs(v6 ? reinterpret_cast<sockaddr_in6 *>(&bound)->sin6_port
                      : reinterpret_cast<sockaddr_in *>(&bound)->sin_port);
    r.fd = qintptr(s);
    return r;
}

} // namespace

ListenSocket openListenSocket(const QString &address, quint16 port)
{
#ifdef Q_OS_WIN
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    Q_UNUSED(started)
#endif
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty()) {
        ListenSocket dual = listenOn(QHostAddress(QHostAddress::AnyIPv6), port, true);
        // A system without IPv6 still serves IPv4.
        if (dual.ok() || dual.error == ServeStatus::AddressInUse
            || dual.error == ServeStatus::AccessDenied)
            return dual;
        return listenOn(QHostAddress(QHostAddress::AnyIPv4), port, false);
    }
    const QHostAddress host = trimmed.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
        ? QHostAddress(QHostAddress::LocalHost)
        : QHostAddress(trimmed);
    if (host.isNull()) {
        ListenSocket r;
        r.error = ServeStatus::AddressNotAvailable;
        r.reason = QStringLiteral("%1 is not an IP address").arg(trimmed);
        return r;
    }
    return listenOn(host, port, false);
}

void closeListenSocket(qintptr fd)
{
    if (fd >= 0)
        closeSocket(Socket(fd));
}

} // namespace web

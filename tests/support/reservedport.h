#pragma once

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

// A loopback port bound but not listening: connections to it are refused,
// and no other process can take it while it is held.
struct ReservedPort
{
#ifdef Q_OS_WIN
    // Winsock's SO_REUSEADDR would let another socket steal the port.
    SOCKET fd = INVALID_SOCKET;
    using Length = int;
#else
    int fd = -1;
    using Length = socklen_t;
#endif
    quint16 port = 0;

    explicit ReservedPort(quint16 wanted = 0)
    {
#ifdef Q_OS_WIN
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
#else
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(wanted);
        Length size = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), size) == 0
            && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) == 0)
            port = ntohs(address.sin_port);
    }
    ~ReservedPort()
    {
        release();
    }
    void release()
    {
#ifdef Q_OS_WIN
        if (fd != INVALID_SOCKET)
            ::closesocket(fd);
        fd = INVALID_SOCKET;
#else
        if (fd >= 0)
            ::close(fd);
        fd = -1;
#endif
    }
};

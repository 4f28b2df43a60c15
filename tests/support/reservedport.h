#pragma once

#include <QtGlobal>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A loopback port bound but not listening: connections to it are refused,
// and no other process can take it while it is held.
struct ReservedPort
{
    int fd = -1;
    quint16 port = 0;

    explicit ReservedPort(quint16 wanted = 0)
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(wanted);
        socklen_t size = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), size) == 0
            && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) == 0)
            port = ntohs(address.sin_port);
    }
    ~ReservedPort() { release(); }
    void release()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

#pragma once

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace lindrel::test {

// A UDP socket bound to address (a loopback one) and a port the system picks.
inline int BindLoopbackUdp(const char* address = "127.0.0.1") {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    if (fd < 0 || ::inet_pton(AF_INET, address, &bound.sin_addr) != 1 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        throw std::runtime_error(std::string("cannot bind a UDP socket on ") + address);
    }
    return fd;
}

inline std::uint16_t LocalUdpPort(int fd) {
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        throw std::runtime_error("getsockname failed");
    }
    return ntohs(bound.sin_port);
}

// A UDP port on 127.0.0.1 where nothing listens (bound once, then released).
inline int UnusedLoopbackUdpPort() {
    const int fd = BindLoopbackUdp();
    const int port = LocalUdpPort(fd);
    ::close(fd);
    return port;
}

} // namespace lindrel::test

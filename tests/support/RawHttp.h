#pragma once

#include <arpa/inet.h>
#include <chrono>
#include <cstdint>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

// HTTP over a plain socket, for what a library client will not do: send malformed
// requests, connect from a chosen loopback address, hold a connection open.
namespace lindrel::test {

// A TCP connection from source (a loopback address, IPv4 or IPv6) to to:port; -1 when it
// cannot be made.
inline int ConnectFrom(const std::string& source, std::uint16_t port,
                       const std::string& to = "127.0.0.1") {
    const bool v6 = to.find(':') != std::string::npos;
    const int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_storage local{};
    sockaddr_storage remote{};
    socklen_t length = 0;
    bool ok = true;
    if (v6) {
        auto* from = reinterpret_cast<sockaddr_in6*>(&local);
        auto* peer = reinterpret_cast<sockaddr_in6*>(&remote);
        from->sin6_family = peer->sin6_family = AF_INET6;
        peer->sin6_port = htons(port);
        ok = ::inet_pton(AF_INET6, source.c_str(), &from->sin6_addr) == 1 &&
             ::inet_pton(AF_INET6, to.c_str(), &peer->sin6_addr) == 1;
        length = sizeof(sockaddr_in6);
    } else {
        auto* from = reinterpret_cast<sockaddr_in*>(&local);
        auto* peer = reinterpret_cast<sockaddr_in*>(&remote);
        from->sin_family = peer->sin_family = AF_INET;
        peer->sin_port = htons(port);
        ok = ::inet_pton(AF_INET, source.c_str(), &from->sin_addr) == 1 &&
             ::inet_pton(AF_INET, to.c_str(), &peer->sin_addr) == 1;
        length = sizeof(sockaddr_in);
    }
    if (!ok || ::bind(fd, reinterpret_cast<sockaddr*>(&local), length) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&remote), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads until the peer closes, a whole response with a Content-Length has come, or
// timeoutMs passes.
inline std::string ReadResponse(int fd, int timeoutMs) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd readable{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char buffer[65536];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        const auto headEnd = text.find("\r\n\r\n");
        const auto length = text.find("Content-Length: ");
        if (headEnd != std::string::npos && length != std::string::npos && length < headEnd &&
            text.size() >= headEnd + 4 + std::stoul(text.substr(length + 16))) {
            break;
        }
    }
    return text;
}

// Sends request as it is from source and returns what came back (empty for nothing).
inline std::string RawExchange(const std::string& source, std::uint16_t port,
                               const std::string& request, int timeoutMs = 5000,
                               const std::string& to = "127.0.0.1") {
    const int fd = ConnectFrom(source, port, to);
    if (fd < 0) {
        return {};
    }
    std::string reply;
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(request.size())) {
        reply = ReadResponse(fd, timeoutMs);
    }
    ::close(fd);
    return reply;
}

// A GET of target as a small client sends it.
inline std::string GetRequest(const std::string& target) {
    return "GET " + target + " HTTP/1.1\r\nHost: lindrel\r\nConnection: close\r\n\r\n";
}

// The status code of a raw response; 0 for none.
inline int StatusOf(const std::string& response) {
    if (response.rfind("HTTP/1.", 0) != 0 || response.size() < 12) {
        return 0;
    }
    return std::stoi(response.substr(9, 3));
}

inline std::string BodyOf(const std::string& response) {
    const auto headEnd = response.find("\r\n\r\n");
    return headEnd == std::string::npos ? std::string() : response.substr(headEnd + 4);
}

} // namespace lindrel::test

namespace lindrel::test {

// A TCP port on 127.0.0.1 where nothing listens (bound once, then released).
inline int UnusedLoopbackTcpPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof bound;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        throw std::runtime_error("cannot bind a TCP socket on 127.0.0.1");
    }
    ::close(fd);
    return ntohs(bound.sin_port);
}

// Waits until something accepts connections on 127.0.0.1:port (at most ten seconds).
inline bool WaitForHttp(std::uint16_t port) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        const int fd = ConnectFrom("127.0.0.1", port);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        ::usleep(20'000);
    }
    return false;
}

} // namespace lindrel::test

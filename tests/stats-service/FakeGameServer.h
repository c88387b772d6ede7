#pragma once

#include "protocols/Q3Protocol.h"
#include "support/LoopbackUdp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace lindrel::stats::test {

// A UDP socket on 127.0.0.1 for playing a game server that misbehaves.
class FakeGameServer {
public:
    explicit FakeGameServer(const char* address = "127.0.0.1") {
        fd_ = lindrel::test::BindLoopbackUdp(address);
        port_ = lindrel::test::LocalUdpPort(fd_);
    }
    ~FakeGameServer() { ::close(fd_); }
    std::uint16_t port() const { return port_; }

    // Waits up to timeoutMs for a query; answers it with reply unless reply is empty.
    // Like a real server, it echoes the query's challenge at the start of the reply's info
    // string, if the reply has one. Returns whether a query came.
    bool AnswerOne(const std::string& reply, int timeoutMs, int delayMs = 0) {
        pollfd readable{fd_, POLLIN, 0};
        if (::poll(&readable, 1, timeoutMs) <= 0) {
            return false;
        }
        char buffer[2048];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t got =
            ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (got <= 0) {
            return false;
        }
        if (delayMs > 0) {
            ::poll(nullptr, 0, delayMs);
        }
        if (!reply.empty()) {
            std::string answer = reply;
            const auto info = answer.find("\n\\");
            if (info != std::string::npos) {
                answer.insert(
                    info + 1,
                    "\\challenge\\" +
                        QueryArgument(std::string_view(buffer, static_cast<std::size_t>(got)),
                                      "getstatus"));
            }
            ::sendto(fd_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                     length);
        }
        return true;
    }
    // Sends a packet from this server's address and port to 127.0.0.1:port, as a forger
    // who knows what the service queries would.
    void SendTo(std::uint16_t port, const std::string& packet) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::sendto(fd_, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

    // A status reply of a server with this name, as AnswerOne completes it.
    static std::string StatusReply(const std::string& hostname) {
        return std::string("\xff\xff\xff\xffstatusResponse\n", 19) +
               "\\mapname\\q3dm1\\sv_hostname\\" + hostname + "\n";
    }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

} // namespace lindrel::stats::test

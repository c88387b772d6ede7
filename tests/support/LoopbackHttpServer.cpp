#include "support/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace lindrel::test {

namespace {

constexpr int kReadTimeoutMs = 5000;

int BindLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::runtime_error("socket failed");
    }
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("bind failed");
    }
    port = ntohs(address.sin_port);
    return fd;
}

void SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

std::string Headers(int status, std::size_t length) {
    return "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Error") +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(length) +
           "\r\nConnection: close\r\n\r\n";
}

} // namespace

HttpReply HttpReply::Text(std::string_view body, int status) {
    return {Headers(status, body.size()) + std::string(body), false};
}

HttpReply HttpReply::BrokenOff(std::string_view body, std::size_t declaredLength) {
    return {Headers(200, declaredLength) + std::string(body), false};
}

LoopbackHttpServer::LoopbackHttpServer(Handler handler, int port)
    : handler_(std::move(handler)), port_(port) {
    listener_ = BindLoopback(port_);
    if (::listen(listener_, 16) != 0 || ::pipe2(stopPipe_, O_CLOEXEC) != 0) {
        ::close(listener_);
        throw std::runtime_error("listen failed");
    }
    thread_ = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    const char stop = 'x';
    static_cast<void>(::write(stopPipe_[1], &stop, 1));
    thread_.join();
    for (const int fd : hanging_) {
        ::close(fd);
    }
    ::close(listener_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

std::string LoopbackHttpServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/?";
}

std::vector<std::string> LoopbackHttpServer::Targets() const {
    const std::lock_guard lock(mutex_);
    return targets_;
}

void LoopbackHttpServer::Serve() {
    while (true) {
        pollfd watched[2] = {{listener_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            continue;
        }
        if (watched[1].revents != 0) {
            return;
        }
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            Answer(client);
        }
    }
}

void LoopbackHttpServer::Answer(int client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        pollfd readable{client, POLLIN, 0};
        if (::poll(&readable, 1, kReadTimeoutMs) <= 0) {
            ::close(client);
            return;
        }
        const ssize_t count = ::recv(client, buffer, sizeof buffer, 0);
        if (count <= 0) {
            ::close(client);
            return;
        }
        request.append(buffer, static_cast<std::size_t>(count));
    }
    const auto start = request.find(' ') + 1;
    const std::string target = request.substr(start, request.find(' ', start) - start);
    {
        const std::lock_guard lock(mutex_);
        targets_.push_back(target);
    }
    const HttpReply reply = handler_(target);
    if (reply.hang) {
        hanging_.push_back(client);
        return;
    }
    SendAll(client, reply.raw);
    ::shutdown(client, SHUT_WR);
    ::close(client);
}

int UnusedLoopbackPort() {
    int port = 0;
    ::close(BindLoopback(port));
    return port;
}

} // namespace lindrel::test

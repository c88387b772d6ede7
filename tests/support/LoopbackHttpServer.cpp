#include "support/LoopbackHttpServer.h"

#include <utility>
// After <utility>: Boost.Asio 1.74's coroutine support uses std::exchange without it.
#include <boost/asio.hpp>
#include <chrono>
#include <stdexcept>

namespace lindrel::test {

namespace {

namespace asio = boost::asio;
using asio::ip::tcp;

constexpr auto kReadTimeout = std::chrono::seconds(5);

std::string Headers(int status, std::size_t length) {
    return "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Error") +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(length) +
           "\r\nConnection: close\r\n\r\n";
}

} // namespace

// The io_context of the server's thread, its listener, and the connections it holds open
// (those of silent replies) until it goes.
struct LoopbackHttpServer::Io {
    explicit Io(LoopbackHttpServer& owner) : server(owner) {}
    void Accept();
    void Answer(const std::shared_ptr<tcp::socket>& client);

    LoopbackHttpServer& server;
    asio::io_context context;
    tcp::acceptor acceptor{context};
    std::vector<std::shared_ptr<tcp::socket>> hanging;
};

HttpReply HttpReply::Text(std::string_view body, int status) {
    return {Headers(status, body.size()) + std::string(body), false};
}

HttpReply HttpReply::BrokenOff(std::string_view body, std::size_t declaredLength) {
    return {Headers(200, declaredLength) + std::string(body), false};
}

LoopbackHttpServer::LoopbackHttpServer(Handler handler, int port)
    : handler_(std::move(handler)), io_(std::make_unique<Io>(*this)) {
    const tcp::endpoint endpoint(asio::ip::address_v4::loopback(),
                                 static_cast<unsigned short>(port));
    boost::system::error_code error;
    io_->acceptor.open(endpoint.protocol(), error);
    if (!error) {
        io_->acceptor.set_option(tcp::acceptor::reuse_address(true), error);
        io_->acceptor.bind(endpoint, error);
    }
    if (!error) {
        io_->acceptor.listen(16, error);
    }
    if (error) {
        throw std::runtime_error("cannot listen on 127.0.0.1: " + error.message());
    }
    port_ = io_->acceptor.local_endpoint().port();
    io_->Accept();
    thread_ = std::thread([this] { io_->context.run(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    io_->context.stop();
    thread_.join();
}

std::string LoopbackHttpServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/?";
}

std::vector<std::string> LoopbackHttpServer::Targets() const {
    const std::lock_guard lock(mutex_);
    return targets_;
}

// One connection at a time: the next is accepted once this one is answered.
void LoopbackHttpServer::Io::Accept() {
    acceptor.async_accept([this](boost::system::error_code error, tcp::socket client) {
        if (error) {
            Accept();
            return;
        }
        Answer(std::make_shared<tcp::socket>(std::move(client)));
    });
}

void LoopbackHttpServer::Io::Answer(const std::shared_ptr<tcp::socket>& client) {
    auto request = std::make_shared<std::string>();
    auto timer = std::make_shared<asio::steady_timer>(context, kReadTimeout);
    timer->async_wait([client](boost::system::error_code error) {
        if (!error) {
            client->close(error); // no whole request in time
        }
    });
    asio::async_read_until(
        *client, asio::dynamic_buffer(*request), "\r\n\r\n",
        [this, client, request, timer](boost::system::error_code error, std::size_t) {
            timer->cancel();
            if (error) {
                Accept();
                return;
            }
            const auto start = request->find(' ') + 1;
            const std::string target = request->substr(start, request->find(' ', start) - start);
            {
                const std::lock_guard lock(server.mutex_);
                server.targets_.push_back(target);
            }
            auto reply = std::make_shared<HttpReply>(server.handler_(target));
            if (reply->hang) {
                hanging.push_back(client);
                Accept();
                return;
            }
            asio::async_write(*client, asio::buffer(reply->raw),
                              [this, client, reply](boost::system::error_code, std::size_t) {
                                  boost::system::error_code ignored;
                                  client->shutdown(tcp::socket::shutdown_send, ignored);
                                  client->close(ignored);
                                  Accept();
                              });
        });
}

int UnusedLoopbackPort() {
    asio::io_context context;
    const tcp::acceptor acceptor(context, tcp::endpoint(asio::ip::address_v4::loopback(), 0));
    return acceptor.local_endpoint().port();
}

} // namespace lindrel::test

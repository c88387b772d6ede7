#include "support/PeerProcess.h"

#include <utility>
// After <utility>: Boost.Asio 1.74's coroutine support uses std::exchange without it.
#include <boost/asio.hpp>
#include <cstdlib>
#include <stdexcept>

namespace lindrel::test {

namespace asio = boost::asio;
using asio::ip::tcp;

// One connection to peer_launcher.py (its port in LINDREL_TEST_PEERS) per peer: the peer
// lives as long as the connection.
struct PeerProcess::Impl {
    asio::io_context context;
    tcp::socket socket{context};
    std::string pending;

    std::optional<std::string> ReadLine(std::chrono::milliseconds limit) {
        std::optional<std::string> line;
        asio::async_read_until(socket, asio::dynamic_buffer(pending), '\n',
                               [&](boost::system::error_code error, std::size_t length) {
                                   if (!error) {
                                       line = pending.substr(0, length - 1);
                                       pending.erase(0, length);
                                   }
                               });
        context.restart();
        context.run_for(limit);
        if (!context.stopped()) {
            socket.cancel();
            context.restart();
            context.run(); // the cancelled read's handler
        }
        return line;
    }
};

PeerProcess::PeerProcess(const std::vector<std::string>& argv) : impl_(std::make_unique<Impl>()) {
    const char* port = std::getenv("LINDREL_TEST_PEERS");
    if (port == nullptr) {
        throw std::runtime_error("LINDREL_TEST_PEERS is not set: run scripts/windows/test.sh");
    }
    impl_->socket.connect(tcp::endpoint(asio::ip::address_v4::loopback(),
                                        static_cast<unsigned short>(std::atoi(port))));
    std::string request;
    for (const auto& argument : argv) {
        request += (request.empty() ? "" : "\t") + argument;
    }
    asio::write(impl_->socket, asio::buffer(request + "\n"));
}

PeerProcess::~PeerProcess() {
    Kill();
}

std::optional<std::string> PeerProcess::ReadLine(std::chrono::milliseconds limit) {
    return impl_->ReadLine(limit);
}

void PeerProcess::Kill() {
    if (!impl_->socket.is_open()) {
        return;
    }
    // The launcher answers "killed" once the peer is gone; a closed connection ends it too.
    boost::system::error_code error;
    asio::write(impl_->socket, asio::buffer(std::string("kill\n")), error);
    while (!error) {
        const auto line = impl_->ReadLine(std::chrono::seconds(10));
        if (!line || *line == "killed") {
            break;
        }
    }
    impl_->socket.close(error);
}

} // namespace lindrel::test

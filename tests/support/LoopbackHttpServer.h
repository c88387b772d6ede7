#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lindrel::test {

// What the server sends for one request: raw bytes, so a test can send a byte-exact,
// lying or broken-off response, or nothing at all.
struct HttpReply {
    std::string raw;
    bool hang = false; // read the request, send nothing, keep the connection open

    // A complete response with a correct Content-Length.
    static HttpReply Text(std::string_view body, int status = 200);
    // Headers announcing declaredLength bytes, then only body, then the connection closes.
    static HttpReply BrokenOff(std::string_view body, std::size_t declaredLength);
    static HttpReply Silent() { return {{}, true}; }
};

// An HTTP server on 127.0.0.1 and a free port (or the one given, to stand in for a
// service that stopped there), answering one connection at a time from its own thread
// until it is destroyed.
class LoopbackHttpServer {
public:
    using Handler = std::function<HttpReply(const std::string& target)>;

    explicit LoopbackHttpServer(Handler handler, int port = 0);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:PORT/?", the shape of the program's base URL.
    std::string BaseUrl() const;
    // The request targets received so far ("/?f=3"), in order.
    std::vector<std::string> Targets() const;

private:
    // The server's thread's event loop, its listener and its connections.
    struct Io;

    Handler handler_;
    std::unique_ptr<Io> io_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> targets_;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens (bound once, then released).
int UnusedLoopbackPort();

} // namespace lindrel::test

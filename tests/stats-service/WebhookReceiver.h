#pragma once

#include "RunningService.h"
#include "support/ChildProcess.h"
#include "support/RawHttp.h"

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The webhook tests' receiver (webhook_receiver.py, a real HTTP server on loopback) and
// their webhooks and service.
namespace lindrel::stats {

using namespace std::chrono_literals;

struct Received {
    std::string path;
    int status = 0;
    bool json = false;
    std::string contentType;
    std::string body;
};

class Receiver {
public:
    explicit Receiver(const std::string& certificate = {})
        : process_(Arguments(certificate), {}, {}), tls_(!certificate.empty()) {
        const auto line = process_.ReadLine(10s);
        if (!line || line->rfind("port ", 0) != 0) {
            throw std::runtime_error("the webhook receiver did not start");
        }
        port_ = line->substr(5);
    }

    std::uint16_t port() const { return static_cast<std::uint16_t>(std::stoi(port_)); }

    std::string Url(const std::string& path, const std::string& host = "127.0.0.1") const {
        return (tls_ ? "https://" : "http://") + host + ":" + port_ + path;
    }

    // The next request received, waiting at most limit; empty only on silence. A line the
    // receiver should never write throws, so that "nothing came" cannot pass on a broken
    // receiver.
    std::optional<Received> Next(std::chrono::milliseconds limit = 5s) {
        const auto line = process_.ReadLine(limit);
        if (!line) {
            return std::nullopt;
        }
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab = 0;
             fields.size() < 4 && (tab = line->find('\t', start)) != std::string::npos;
             start = tab + 1) {
            fields.push_back(line->substr(start, tab - start));
        }
        if (fields.size() != 4 || fields[1].empty() ||
            fields[1].find_first_not_of("0123456789") != std::string::npos) {
            throw std::runtime_error("the webhook receiver wrote a malformed line: " + *line);
        }
        return Received{fields[0], std::stoi(fields[1]), fields[2] == "json", fields[3],
                        line->substr(start)};
    }

private:
    static std::vector<std::string> Arguments(const std::string& certificate) {
        std::vector<std::string> argv{"/usr/bin/python3", LINDREL_WEBHOOK_RECEIVER};
        if (!certificate.empty()) {
            argv.insert(argv.end(), {"--cert", certificate});
        }
        return argv;
    }

    lindrel::test::ChildProcess process_;
    bool tls_ = false;
    std::string port_;
};

inline WebhookEntry Hook(const std::string& url, std::vector<std::string> players = {}) {
    WebhookEntry entry;
    entry.url = url;
    entry.at = *ParseWebhookUrl(url);
    entry.label = "test hook at " + entry.at.host;
    entry.format = WebhookFormat::Json;
    entry.players = std::move(players);
    entry.timeout = 2s;
    entry.retries = 2;
    entry.backoff = 20ms;
    return entry;
}

inline Config WithHooks(std::vector<WebhookEntry> hooks) {
    Config config = test::RunningService::FastConfig();
    config.notify = std::move(hooks);
    return config;
}

inline std::string Metrics(const test::RunningService& service) {
    return lindrel::test::BodyOf(lindrel::test::RawExchange("127.0.0.1", service.httpPort(),
                                                            lindrel::test::GetRequest("/metrics")));
}

// Waits up to five seconds for the metrics to hold line.
inline bool MetricsShow(test::RunningService& service, const std::string& line) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Metrics(service).find(line + "\n") != std::string::npos) {
            return true;
        }
        service.WaitRefreshes(1);
    }
    return false;
}

} // namespace lindrel::stats

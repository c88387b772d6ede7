#pragma once

#include "demo/DemoServers.h"
#include "service/StatsService.h"

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace lindrel::stats::test {

// The stats service and a few demo game servers on loopback, on an io_context of their
// own thread. The test talks to them over HTTP and UDP only, and reaches into them only
// through OnIo, so nothing is touched from two threads.
class RunningService {
public:
    // Fast timings so that a refresh takes milliseconds; the directory is filled with
    // the demo servers (more than five wrap around to the extra servers list).
    static Config FastConfig() {
        Config config = DefaultConfig();
        config.listenPort = 0;
        config.poll.refreshInterval = std::chrono::milliseconds(150);
        config.poll.queryTimeout = std::chrono::milliseconds(40);
        return config;
    }

    // The demo servers listen on demoAddress; the configuration names them as entryHost
    // (a name or another spelling of the address), or as demoAddress when that is empty;
    // with secondHost, each once more by that host, with the next id.
    explicit RunningService(Config config, std::size_t demoServers = 5,
                            const std::string& demoAddress = "127.0.0.1",
                            const std::string& entryHost = "", const std::string& secondHost = "") {
        for (std::size_t i = 0; i < demoServers; ++i) {
            DemoProfile profile;
            profile.hostname = "^2Demo ^7" + std::to_string(i);
            profile.maps = {"oa_dm" + std::to_string(i + 1)};
            profile.maxClients = 8;
            profile.minBots = profile.maxBots = 2;
            games_.push_back(std::make_unique<DemoGameServer>(
                io_, udp::endpoint(asio::ip::make_address(demoAddress), 0), profile,
                static_cast<std::uint32_t>(i)));
            std::string error;
            if (!games_.back()->Start(error)) {
                throw std::runtime_error(error);
            }
            ServerEntry entry{static_cast<int>(i + 1) * 10, "Demo " + std::to_string(i), 10,
                              entryHost.empty() ? demoAddress : entryHost,
                              games_.back()->LocalPort()};
            if (i < config.directory.size()) {
                config.directory[i] = entry;
            } else {
                config.servers.push_back(entry);
            }
            if (!secondHost.empty()) {
                config.servers.push_back(
                    {entry.id + 1, entry.name + " again", entry.gameType, secondHost, entry.port});
            }
        }
        service_ = std::make_unique<StatsService>(io_, std::move(config));
        service_->onRefreshDone = [this](Clock::duration) { ++refreshes_; };
        std::string error;
        if (!service_->Start(error)) {
            throw std::runtime_error(error);
        }
        thread_ = std::thread([this] { io_.run(); });
    }

    // Stops everything and waits for the io_context to run out of work, so that no
    // coroutine outlives the objects it uses.
    ~RunningService() {
        asio::post(io_, [this] {
            service_->Stop();
            for (auto& game : games_) {
                game->Stop();
            }
        });
        thread_.join();
    }

    RunningService(const RunningService&) = delete;
    RunningService& operator=(const RunningService&) = delete;

    std::string BaseUrl() const {
        return "http://127.0.0.1:" + std::to_string(service_->httpPort()) + "/?";
    }
    std::uint16_t httpPort() const { return service_->httpPort(); }
    std::uint16_t queryPort() const { return service_->queryPort(); }
    // Only on the service's thread (OnIo).
    std::size_t connectionCount() const { return service_->connectionCount(); }
    const Registry& registry() const { return service_->registry(); }
    std::uint16_t gamePort(std::size_t index) const { return games_.at(index)->LocalPort(); }

    // Runs f on the service's thread and waits for its result.
    template <typename F> auto OnIo(F f) {
        std::packaged_task<decltype(f())()> task(std::move(f));
        auto result = task.get_future();
        asio::post(io_, [&task] { task(); });
        return result.get();
    }
    void SetAnswering(std::size_t index, bool answering) {
        OnIo([&] {
            games_.at(index)->SetAnswering(answering);
            return 0;
        });
    }

    void SetPlayers(std::size_t index, const std::vector<std::string>& names) {
        OnIo([&] {
            std::vector<PlayerInfo> players;
            players.reserve(names.size());
            for (const auto& name : names) {
                players.push_back({name, 0, 50});
            }
            games_.at(index)->SetPlayers(std::move(players));
            return 0;
        });
    }

    // Waits until count more refreshes have completed (bounded at ten seconds).
    bool WaitRefreshes(int count) {
        const int target = refreshes_ + count;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (refreshes_ < target) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

private:
    asio::io_context io_;
    std::vector<std::unique_ptr<DemoGameServer>> games_;
    std::unique_ptr<StatsService> service_;
    std::atomic<int> refreshes_{0};
    std::thread thread_;
};

} // namespace lindrel::stats::test

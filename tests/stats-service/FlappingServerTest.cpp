// A game server whose replies get lost now and then must not look down to the monitor:
// the service retries within a refresh and calls a server down only after misses in a row.
#include "RunningService.h"
#include "core/AppState.h"
#include "service/AlertSink.h"
#include "service/StatusPoll.h"
#include "support/LoopbackUdp.h"
#include "support/RecordingSink.h"
#include "support/TempDir.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lindrel::stats {
namespace {

// Stands between the service and a game server on loopback and loses every dropEvery-th
// reply on its way back (0: none, 1: all).
class LossyRelay {
public:
    explicit LossyRelay(int dropEvery) : dropEvery_(dropEvery) {
        front_ = lindrel::test::BindLoopbackUdp();
        back_ = lindrel::test::BindLoopbackUdp();
        if (::pipe2(stop_, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe failed");
        }
    }
    ~LossyRelay() {
        const char stop = 'x';
        static_cast<void>(::write(stop_[1], &stop, 1));
        if (thread_.joinable()) {
            thread_.join();
        }
        for (const int fd : {front_, back_, stop_[0], stop_[1]}) {
            ::close(fd);
        }
    }
    LossyRelay(const LossyRelay&) = delete;
    LossyRelay& operator=(const LossyRelay&) = delete;

    std::uint16_t port() const { return lindrel::test::LocalUdpPort(front_); }
    void ForwardTo(std::uint16_t gamePort) {
        sockaddr_in game{};
        game.sin_family = AF_INET;
        game.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        game.sin_port = htons(gamePort);
        if (::connect(back_, reinterpret_cast<sockaddr*>(&game), sizeof game) != 0) {
            throw std::runtime_error("cannot reach the game server");
        }
        thread_ = std::thread([this] { Relay(); });
    }
    int replies() const { return replies_; }
    int dropped() const { return dropped_; }

private:
    void Relay() {
        sockaddr_in client{};
        bool haveClient = false;
        char packet[65536];
        while (true) {
            pollfd watched[3] = {{front_, POLLIN, 0}, {back_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (::poll(watched, 3, -1) < 0 || watched[2].revents != 0) {
                return;
            }
            if (watched[0].revents != 0) {
                socklen_t length = sizeof client;
                const ssize_t size = ::recvfrom(front_, packet, sizeof packet, 0,
                                                reinterpret_cast<sockaddr*>(&client), &length);
                haveClient = size >= 0;
                if (size >= 0) {
                    ::send(back_, packet, static_cast<std::size_t>(size), 0);
                }
            }
            if (watched[1].revents != 0) {
                const ssize_t size = ::recv(back_, packet, sizeof packet, 0);
                if (size < 0 || !haveClient) {
                    continue;
                }
                const int number = ++replies_;
                if (dropEvery_ > 0 && number % dropEvery_ == 0) {
                    ++dropped_;
                    continue;
                }
                ::sendto(front_, packet, static_cast<std::size_t>(size), 0,
                         reinterpret_cast<sockaddr*>(&client), sizeof client);
            }
        }
    }

    int dropEvery_;
    int front_ = -1;
    int back_ = -1;
    int stop_[2] = {-1, -1};
    std::atomic<int> replies_{0};
    std::atomic<int> dropped_{0};
    std::thread thread_;
};

using lindrel::test::RecordingSink;

constexpr int kFlappingId = 77;

class FlappingServer : public ::testing::Test {
protected:
    // The service watches the first demo game server through a relay that loses replies.
    void Start(int dropEvery) {
        relay_ = std::make_unique<LossyRelay>(dropEvery);
        Config config = test::RunningService::FastConfig();
        config.servers.push_back({kFlappingId, "Flapping", 10, "127.0.0.1", relay_->port()});
        running_ = std::make_unique<test::RunningService>(config, 1);
        relay_->ForwardTo(running_->gamePort(0));
        state_.StatsBaseURL = running_->BaseUrl();
        state_.ServerData(0, StatsID) = std::to_string(kFlappingId);
        state_.ServerData(0, DownNotify) = "1";
    }

    // Polls as the monitor does, once after each refresh of the service.
    void PollOverRefreshes(int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(running_->WaitRefreshes(1));
            PullStats(state_, sink_);
            maps_.push_back(state_.ServerStatus[0].MapName);
        }
    }

    lindrel::test::TempDir dir_;
    AppState state_{dir_.str()};
    RecordingSink sink_;
    std::vector<std::string> maps_;
    std::unique_ptr<LossyRelay> relay_;
    std::unique_ptr<test::RunningService> running_;
};

TEST_F(FlappingServer, OneLostReplyInThreeRaisesNoDownAlert) {
    Start(3);
    PollOverRefreshes(30);
    EXPECT_GE(relay_->dropped(), 10) << "the relay lost too few replies to prove anything";
    EXPECT_TRUE(sink_.alerts.empty()) << sink_.alerts.front();
    EXPECT_EQ(std::count(maps_.begin(), maps_.end(), "DOWN"), 0);
    EXPECT_EQ(maps_.back(), "oa_dm1");
}

TEST_F(FlappingServer, EveryReplyLostIsDownOnce) {
    Start(1);
    PollOverRefreshes(6);
    EXPECT_EQ(sink_.alerts, std::vector<std::string>{"Server Down: Flapping is Down\n"});
}

} // namespace
} // namespace lindrel::stats

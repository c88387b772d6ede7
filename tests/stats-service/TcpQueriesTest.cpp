// TCP queries (OpenTTD, Minecraft) share a bounded number of places: a server that
// accepts the connection and never answers holds its place for the query timeout only,
// both tries together, so the servers behind it are still asked within the refresh.
#include "demo/DemoServers.h"
#include "service/StatsService.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace lindrel::stats {
namespace {

TEST(TcpQueries, ASilentServerHoldsItsPlaceForTheQueryTimeoutOnly) {
    asio::io_context io;
    // Connections complete in the kernel's backlog; nothing ever reads or answers them.
    tcp::acceptor silent(io, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
    DemoProfile profile;
    profile.hostname = "Block Party";
    profile.protocol = "minecraft";
    DemoGameServer minecraft(io, udp::endpoint(asio::ip::make_address("127.0.0.1"), 0), profile, 1);
    std::string error;
    ASSERT_TRUE(minecraft.Start(error)) << error;

    Config config = DefaultConfig();
    config.listenPort = 0;
    config.gameTypes.push_back({70, "Minecraft", "", "", "", "minecraft"});
    config.poll.queryTimeout = std::chrono::milliseconds(400);
    config.poll.refreshInterval = std::chrono::milliseconds(100);
    config.poll.tcpParallel = 1; // one place: everything waits behind the silent server
    config.directory = {{1, "Silent", 70, "127.0.0.1", silent.local_endpoint().port()}};
    for (int id = 2; id <= 5; ++id) {
        config.directory.push_back({id, "Block", 70, "127.0.0.1", minecraft.LocalPort()});
    }
    StatsService service(io, config);
    std::promise<Clock::duration> firstRefresh;
    bool told = false;
    service.onRefreshDone = [&](Clock::duration took) {
        if (!std::exchange(told, true)) {
            firstRefresh.set_value(took);
        }
    };
    ASSERT_TRUE(service.Start(error)) << error;
    std::thread runner([&io] { io.run(); });
    auto done = firstRefresh.get_future();
    const bool refreshed = done.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    std::size_t up = 0;
    asio::post(io, [&] {
        for (const auto& server : service.registry().servers()) {
            up += server.Up() ? 1u : 0u;
        }
        service.Stop();
        minecraft.Stop();
        silent.close();
    });
    runner.join();

    ASSERT_TRUE(refreshed);
    // Two tries of 400 ms each (connect, then read) held the place for 800 ms before.
    EXPECT_LT(done.get(), std::chrono::milliseconds(700));
    EXPECT_EQ(up, 4u) << "the four servers behind the silent one";
}

} // namespace
} // namespace lindrel::stats

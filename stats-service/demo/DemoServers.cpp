#include "demo/DemoServers.h"

#include "protocols/QueryDriver.h"

#include <algorithm>
#include <boost/asio/write.hpp>

namespace lindrel::stats {

namespace {

const std::vector<std::string> kBotNames = {
    "Grism", "Angelyss", "^1Major",    "Sarge^7", "Kyonshi", "^4Merman", "Skelebot",
    "Tony",  "Gargoyle", "^3Assassin", "Liz",     "Penguin", "Sergei",   "Ayumi",
    "Beret", "Dark",     "Ghost",      "Grunt",   "Morgan",  "Neko",     "Rai"};

const std::vector<DemoProfile> kProfiles = {
    {"^1Quorvane ^7Other", {"oa_dm1", "oa_dm2", "oa_dm4"}, 16, 3, 8, std::chrono::milliseconds(24)},
    {"^4Quorvane ^7TS", {"oa_rpg3dm2", "oa_dm3"}, 12, 2, 6, std::chrono::milliseconds(41)},
    {"^2Quorvane ^7CTF",
     {"oa_ctf2", "oa_ctf4a", "ctf_gate1"},
     20,
     4,
     10,
     std::chrono::milliseconds(58)},
    {"^3Quorvane ^7Duel", {"oa_thor", "oa_dm5"}, 2, 0, 2, std::chrono::milliseconds(33)},
    {"^5Quorvane ^7Public",
     {"oa_dm7", "oa_shouse", "oa_bases3"},
     24,
     5,
     12,
     std::chrono::milliseconds(77)},
};

} // namespace

DemoGameServer::DemoGameServer(asio::io_context& io, udp::endpoint endpoint, DemoProfile profile,
                               std::uint32_t seed)
    : socket_(io), stray_(io), acceptor_(io), endpoint_(std::move(endpoint)),
      profile_(std::move(profile)), driver_(FindDriver(profile_.protocol)),
      answers_(driver_ != nullptr ? FindDemoProtocol(*driver_) : nullptr), random_(seed) {
    const std::size_t bots = (profile_.minBots + profile_.maxBots) / 2;
    for (std::size_t i = 0; i < bots; ++i) {
        // Past the list of names, the names come again with a number.
        const std::size_t round = i / kBotNames.size();
        players_.push_back({kBotNames[(seed + i) % kBotNames.size()] +
                                (round == 0 ? std::string() : std::to_string(round)),
                            0, 0});
    }
    Advance();
}

bool DemoGameServer::Start(std::string& error) {
    if (answers_ == nullptr) {
        error = "demo server: no demo answers for protocol \"" + profile_.protocol + "\"";
        return false;
    }
    boost::system::error_code ec;
    if (driver_->transport() == Transport::Tcp) {
        const tcp::endpoint at(endpoint_.address(), endpoint_.port());
        acceptor_.open(at.protocol(), ec);
        if (!ec) {
            acceptor_.set_option(asio::socket_base::reuse_address(true), ec);
            acceptor_.bind(at, ec);
        }
        if (!ec) {
            acceptor_.listen(asio::socket_base::max_listen_connections, ec);
        }
    } else {
        socket_.open(endpoint_.protocol(), ec);
        if (!ec) {
            socket_.bind(endpoint_, ec);
        }
        if (!ec && strays_) {
            stray_.open(endpoint_.protocol(), ec);
        }
        if (!ec && strays_) {
            stray_.bind(udp::endpoint(endpoint_.address(), 0), ec);
        }
    }
    if (ec) {
        error = "demo server " + endpoint_.address().to_string() + ":" +
                std::to_string(endpoint_.port()) + ": " + ec.message();
        return false;
    }
    if (acceptor_.is_open()) {
        asio::co_spawn(acceptor_.get_executor(), ServeTcp(), asio::detached);
        return true;
    }
    socket_.non_blocking(true, ec);
    asio::co_spawn(socket_.get_executor(), Serve(), asio::detached);
    return true;
}

std::uint16_t DemoGameServer::LocalPort() const {
    boost::system::error_code ec;
    if (acceptor_.is_open()) {
        const auto endpoint = acceptor_.local_endpoint(ec);
        return ec ? 0 : endpoint.port();
    }
    const auto endpoint = socket_.local_endpoint(ec);
    return ec ? 0 : endpoint.port();
}

void DemoGameServer::Stop() {
    boost::system::error_code ignored;
    socket_.close(ignored);
    stray_.close(ignored);
    acceptor_.close(ignored);
}

StatusInfo DemoGameServer::Status() const {
    const bool colourCodes = answers_ != nullptr && answers_->colourCodes;
    StatusInfo status;
    status.hostname = colourCodes ? profile_.hostname : CleanName(profile_.hostname);
    status.map = profile_.maps.empty() ? "oa_dm1" : profile_.maps[mapIndex_];
    status.maxClients = profile_.maxClients;
    status.players = players_;
    for (auto& player : status.players) {
        player.name = colourCodes ? player.name : CleanName(player.name);
    }
    return status;
}

void DemoGameServer::Advance() {
    std::uniform_int_distribution<int> roll(0, 99);
    for (auto& player : players_) {
        player.score += roll(random_) % 4;
        player.ping = 20 + roll(random_);
    }
    if (roll(random_) < 20 && players_.size() < profile_.maxBots) {
        const auto& name = kBotNames[static_cast<std::size_t>(roll(random_)) % kBotNames.size()];
        const bool present = std::any_of(players_.begin(), players_.end(),
                                         [&](const auto& p) { return p.name == name; });
        if (!present) {
            players_.push_back({name, 0, 50});
        }
    } else if (roll(random_) < 15 && players_.size() > profile_.minBots) {
        players_.erase(
            players_.begin() +
            static_cast<std::ptrdiff_t>(static_cast<std::size_t>(roll(random_)) % players_.size()));
    }
    if (++stepsOnMap_ >= 24 && !profile_.maps.empty()) {
        stepsOnMap_ = 0;
        mapIndex_ = (mapIndex_ + 1) % profile_.maps.size();
        for (auto& player : players_) {
            player.score = 0;
        }
    }
}

awaitable<void> DemoGameServer::Serve() {
    std::vector<char> buffer(2048);
    udp::endpoint from;
    while (true) {
        boost::system::error_code ec;
        const std::size_t size = co_await socket_.async_receive_from(
            asio::buffer(buffer), from, asio::redirect_error(asio::use_awaitable, ec));
        if (ec == asio::error::operation_aborted || !socket_.is_open()) {
            break;
        }
        const std::string_view request(buffer.data(), ec ? 0 : size);
        if (!answering_) {
            continue;
        }
        std::vector<std::string> packets = answers_->answer(request, Status(), a2s_);
        if (packets.empty()) {
            continue;
        }
        if (strays_) {
            stray_.send_to(asio::buffer(std::string_view("\x01\x02junk", 6)), from, 0, ec);
            stray_.send_to(asio::buffer(packets.front()), from, 0, ec);
        }
        if (profile_.latency.count() > 0) {
            asio::co_spawn(socket_.get_executor(), AnswerLater(from, std::move(packets)),
                           asio::detached);
            continue;
        }
        for (const auto& packet : packets) {
            socket_.send_to(asio::buffer(packet), from, 0, ec);
        }
    }
}

// OpenTTD and Minecraft: one request per connection, answered (after the latency), then
// the connection closes. Loopback requests arrive whole.
awaitable<void> DemoGameServer::ServeTcp() {
    std::vector<char> buffer(512);
    while (acceptor_.is_open()) {
        boost::system::error_code ec;
        tcp::socket client =
            co_await acceptor_.async_accept(asio::redirect_error(asio::use_awaitable, ec));
        if (ec == asio::error::operation_aborted || !acceptor_.is_open()) {
            break;
        }
        if (ec || !answering_) {
            continue;
        }
        const std::size_t size = co_await client.async_read_some(
            asio::buffer(buffer), asio::redirect_error(asio::use_awaitable, ec));
        const auto answer =
            ec ? std::vector<std::string>{}
               : answers_->answer(std::string_view(buffer.data(), size), Status(), a2s_);
        const std::string reply = answer.empty() ? std::string() : answer.front();
        if (!reply.empty() && profile_.latency.count() > 0) {
            asio::steady_timer delay(acceptor_.get_executor(), profile_.latency);
            co_await delay.async_wait(asio::redirect_error(asio::use_awaitable, ec));
        }
        if (!reply.empty()) {
            co_await asio::async_write(client, asio::buffer(reply),
                                       asio::redirect_error(asio::use_awaitable, ec));
        }
    }
}

awaitable<void> DemoGameServer::AnswerLater(udp::endpoint to, std::vector<std::string> packets) {
    asio::steady_timer delay(socket_.get_executor(), profile_.latency);
    boost::system::error_code ec;
    co_await delay.async_wait(asio::redirect_error(asio::use_awaitable, ec));
    for (const auto& packet : packets) {
        if (socket_.is_open()) {
            socket_.send_to(asio::buffer(packet), to, 0, ec);
        }
    }
}

DemoWorld::DemoWorld(asio::io_context& io, DemoOptions options)
    : io_(io), options_(std::move(options)), timer_(io) {
    boost::system::error_code ec;
    const std::uint32_t first = asio::ip::make_address_v4(options_.firstAddress, ec).to_uint();
    for (std::size_t i = 0; i < options_.count; ++i) {
        DemoProfile profile = kProfiles[i % kProfiles.size()];
        if (!options_.latency || options_.fixedLatency.count() > 0) {
            profile.latency = options_.fixedLatency;
        }
        if (options_.players > 0) {
            profile.minBots = profile.maxBots = options_.players;
            profile.maxClients = static_cast<int>(options_.players);
        }
        if (i >= kProfiles.size()) {
            profile.hostname += " " + std::to_string(i + 1);
        }
        if (!options_.protocols.empty()) {
            profile.protocol = options_.protocols[i % options_.protocols.size()];
        }
        const auto offset = static_cast<std::uint32_t>(i);
        const udp::endpoint endpoint =
            options_.sameAddress
                ? udp::endpoint(asio::ip::address_v4(first),
                                static_cast<std::uint16_t>(options_.firstPort + offset))
                : udp::endpoint(asio::ip::address_v4(first + offset), options_.firstPort);
        servers_.push_back(std::make_unique<DemoGameServer>(io_, endpoint, std::move(profile),
                                                            static_cast<std::uint32_t>(i * 7 + 3)));
        servers_.back()->a2s().splitBytes = options_.a2sSplitBytes;
        servers_.back()->a2s().garbage = options_.garbage;
        servers_.back()->SendStrays(options_.strays);
    }
}

bool DemoWorld::Start(std::string& error) {
    for (auto& server : servers_) {
        if (!server->Start(error)) {
            return false;
        }
    }
    asio::co_spawn(io_, Play(), asio::detached);
    return true;
}

void DemoWorld::Stop() {
    stopped_ = true;
    timer_.cancel();
    for (auto& server : servers_) {
        server->Stop();
    }
}

awaitable<void> DemoWorld::Play() {
    const auto started = std::chrono::steady_clock::now();
    while (!stopped_) {
        timer_.expires_after(options_.step);
        boost::system::error_code ec;
        co_await timer_.async_wait(asio::redirect_error(asio::use_awaitable, ec));
        if (stopped_) {
            break;
        }
        for (auto& server : servers_) {
            server->Advance();
        }
        if (servers_.size() > 1) {
            const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - started);
            const bool down =
                elapsed >= options_.downFirst &&
                (elapsed - options_.downFirst) % options_.downEvery < options_.downFor;
            servers_[1]->SetAnswering(!down);
        }
    }
}

} // namespace lindrel::stats

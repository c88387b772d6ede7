#include "DemoServers.h"

#include <algorithm>

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
    : socket_(io), endpoint_(std::move(endpoint)), profile_(std::move(profile)), random_(seed) {
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
    boost::system::error_code ec;
    socket_.open(endpoint_.protocol(), ec);
    if (!ec) {
        socket_.bind(endpoint_, ec);
    }
    if (ec) {
        error = "demo server " + endpoint_.address().to_string() + ":" +
                std::to_string(endpoint_.port()) + ": " + ec.message();
        return false;
    }
    socket_.non_blocking(true, ec);
    asio::co_spawn(socket_.get_executor(), Serve(), asio::detached);
    return true;
}

std::uint16_t DemoGameServer::LocalPort() const {
    boost::system::error_code ec;
    const auto endpoint = socket_.local_endpoint(ec);
    return ec ? 0 : endpoint.port();
}

void DemoGameServer::Stop() {
    boost::system::error_code ignored;
    socket_.close(ignored);
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

std::string DemoGameServer::StatusPacket(std::string_view challenge) const {
    const std::string map = profile_.maps.empty() ? "oa_dm1" : profile_.maps[mapIndex_];
    return BuildStatusResponse({{"sv_hostname", profile_.hostname},
                                {"mapname", map},
                                {"sv_maxclients", std::to_string(profile_.maxClients)},
                                {"g_gametype", "0"},
                                {"gamename", "baseoa"},
                                {"challenge", std::string(challenge)}},
                               players_);
}

std::string DemoGameServer::InfoPacket(std::string_view challenge) const {
    // The challenge comes back in the reply, as real servers do.
    std::string packet("\xff\xff\xff\xffinfoResponse\n", 17);
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"challenge", std::string(challenge)},
             {"protocol", "71"},
             {"hostname", profile_.hostname},
             {"mapname", profile_.maps.empty() ? "oa_dm1" : profile_.maps[mapIndex_]},
             {"clients", std::to_string(players_.size())},
             {"sv_maxclients", std::to_string(profile_.maxClients)},
             {"gametype", "0"},
             {"gamename", "baseoa"}}) {
        packet += '\\';
        packet += key;
        packet += '\\';
        packet += value;
    }
    return packet;
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
        std::string packet;
        if (request.substr(0, 13) == std::string_view("\xff\xff\xff\xffgetstatus", 13)) {
            packet = StatusPacket(QueryArgument(request, "getstatus"));
        } else if (request.substr(0, 11) == std::string_view("\xff\xff\xff\xffgetinfo", 11)) {
            packet = InfoPacket(QueryArgument(request, "getinfo"));
        } else {
            continue;
        }
        if (profile_.latency.count() > 0) {
            asio::co_spawn(socket_.get_executor(), AnswerLater(from, std::move(packet)),
                           asio::detached);
        } else {
            socket_.send_to(asio::buffer(packet), from, 0, ec);
        }
    }
}

awaitable<void> DemoGameServer::AnswerLater(udp::endpoint to, std::string packet) {
    asio::steady_timer delay(socket_.get_executor(), profile_.latency);
    boost::system::error_code ec;
    co_await delay.async_wait(asio::redirect_error(asio::use_awaitable, ec));
    if (socket_.is_open()) {
        socket_.send_to(asio::buffer(packet), to, 0, ec);
    }
}

DemoWorld::DemoWorld(asio::io_context& io, DemoOptions options)
    : io_(io), options_(std::move(options)), timer_(io) {
    boost::system::error_code ec;
    const std::uint32_t first = asio::ip::make_address_v4(options_.firstAddress, ec).to_uint();
    for (std::size_t i = 0; i < options_.count; ++i) {
        DemoProfile profile = kProfiles[i % kProfiles.size()];
        if (!options_.latency) {
            profile.latency = std::chrono::milliseconds(0);
        }
        if (options_.players > 0) {
            profile.minBots = profile.maxBots = options_.players;
            profile.maxClients = static_cast<int>(options_.players);
        }
        if (i >= kProfiles.size()) {
            profile.hostname += " " + std::to_string(i + 1);
        }
        const auto offset = static_cast<std::uint32_t>(i);
        const udp::endpoint endpoint =
            options_.sameAddress
                ? udp::endpoint(asio::ip::address_v4(first),
                                static_cast<std::uint16_t>(options_.firstPort + offset))
                : udp::endpoint(asio::ip::address_v4(first + offset), options_.firstPort);
        servers_.push_back(std::make_unique<DemoGameServer>(io_, endpoint, std::move(profile),
                                                            static_cast<std::uint32_t>(i * 7 + 3)));
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

#pragma once

#include "asio/Asio.h"
#include "demo/DemoAnswers.h"
#include "protocols/GameStatus.h"

#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

// Small in-process game servers that answer the queries of every protocol the service
// speaks (Quake III by default) from their own sockets, with bots that come and go, score
// and change maps. They stand in for the game servers a fresh machine does not have.
namespace lindrel::stats {

struct DemoProfile {
    std::string hostname;
    std::vector<std::string> maps;
    int maxClients = 16;
    std::size_t minBots = 2;
    std::size_t maxBots = 8;
    // How long the server takes to answer, so the demo shows pings a network would.
    std::chrono::milliseconds latency{0};
    std::string protocol = "q3"; // a QueryDriver's name; a TCP one's answers come over TCP
};

class DemoGameServer {
public:
    DemoGameServer(asio::io_context& io, udp::endpoint endpoint, DemoProfile profile,
                   std::uint32_t seed);
    bool Start(std::string& error);
    void Stop();

    // A server that does not answer is down for whoever queries it.
    void SetAnswering(bool answering) { answering_ = answering; }
    // Junk and forged answers from another port, besides every answer.
    void SendStrays(bool strays) { strays_ = strays; }
    bool answering() const { return answering_; }
    // The UDP port it answers on (the one the kernel chose when bound to port 0).
    std::uint16_t LocalPort() const;
    // One step of the game: scores and pings move, bots join or leave, maps rotate.
    void Advance();
    // What the server would say now, its names plain in every protocol but Quake III's.
    StatusInfo Status() const;
    const std::vector<PlayerInfo>& players() const { return players_; }
    // A scripted game: exactly these players, until the next Advance.
    void SetPlayers(std::vector<PlayerInfo> players) { players_ = std::move(players); }
    // How its A2S answers are made (the challenge, the split, stray packets).
    DemoA2s& a2s() { return a2s_; }

private:
    awaitable<void> Serve();
    awaitable<void> ServeTcp();
    awaitable<void> AnswerLater(udp::endpoint to, std::vector<std::string> packets);

    udp::socket socket_;
    udp::socket stray_; // sends the packets that come from elsewhere
    tcp::acceptor acceptor_;
    DemoA2s a2s_;
    udp::endpoint endpoint_;
    DemoProfile profile_;
    const QueryDriver* driver_;   // null for a protocol name no driver has
    const DemoProtocol* answers_; // null for a driver without demo answers
    std::mt19937 random_;
    std::vector<PlayerInfo> players_;
    std::size_t mapIndex_ = 0;
    int stepsOnMap_ = 0;
    bool answering_ = true;
    bool strays_ = false;
};

struct DemoOptions {
    std::string firstAddress = "127.0.0.1"; // servers on consecutive addresses ...
    std::uint16_t firstPort = 27960;        // ... or, with sameAddress, consecutive ports
    bool sameAddress = false;
    std::size_t count = 5;
    std::chrono::milliseconds step{5000};
    // The second server goes down for downFor once every downEvery, first after downFirst.
    std::chrono::milliseconds downFirst{90'000};
    std::chrono::milliseconds downEvery{240'000};
    std::chrono::milliseconds downFor{60'000};
    // Answer after each profile's latency (off for load runs, which time the service).
    bool latency = true;
    // Every answer after this long instead, when above 0: as servers across the internet
    // answer, so that a load run has every query of a refresh in flight at once.
    std::chrono::milliseconds fixedLatency{0};
    // Players on every server, all the time (0: each profile's own, coming and going).
    std::size_t players = 0;
    // The protocols of the servers, in turn: server i speaks protocols[i % size].
    std::vector<std::string> protocols{"q3"};
    // A2S servers split replies longer than this and, with garbage, send junk between the
    // parts. With strays, every server also sends junk and a forged copy of each answer
    // from another port, as a spoofer would.
    std::size_t a2sSplitBytes = 1200;
    bool garbage = false;
    bool strays = false;
};

// The demo servers and the timer that plays their game.
class DemoWorld {
public:
    DemoWorld(asio::io_context& io, DemoOptions options);
    bool Start(std::string& error);
    void Stop();
    std::vector<std::unique_ptr<DemoGameServer>>& servers() { return servers_; }

private:
    awaitable<void> Play();

    asio::io_context& io_;
    DemoOptions options_;
    std::vector<std::unique_ptr<DemoGameServer>> servers_;
    asio::steady_timer timer_;
    bool stopped_ = false;
};

} // namespace lindrel::stats

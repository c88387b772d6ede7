#include "service/StatsService.h"

#include "base/Text.h"
#include "base/UrlCodec.h"
#include "pages/Replies.h"
#include "platform/Platform.h"

#include <iostream>

namespace lindrel::stats {

namespace {

constexpr std::size_t kMaxStateFileBytes = 16 << 20;

// The player counts and the free slots the webhooks ask to be told of.
ServerEvents::Thresholds ThresholdsOf(const Config& config) {
    ServerEvents::Thresholds thresholds;
    for (const WebhookEntry& entry : config.notify) {
        if (entry.atLeast) {
            thresholds.players.push_back(entry.minPlayers);
        }
        if (entry.slotsFree) {
            thresholds.freeSlots.push_back(entry.minFreeSlots);
        }
    }
    return thresholds;
}

} // namespace

StatsService::StatsService(asio::io_context& io, Config config)
    : config_(std::move(config)), poller_(io, registry_, config_.poll),
      resolver_(io, registry_, config_.resolveInterval),
      lookup_(registry_, poller_, resolver_, config_.lookups),
      frontEnd_(io, config_.frontEnd,
                [this](std::string target, asio::ip::address client) {
                    return router_.Route(std::move(target), std::move(client));
                }),
      io_(io), events_(ThresholdsOf(config_)), notifier_(io, config_.notify) {
    AddRoutes();
}

void StatsService::AddRoutes() {
    router_.AddPlain("f=1", [this](const QueryPairs&) { return GameTypesReply(config_); });
    router_.AddPlain("f=2", [this](const QueryPairs&) { return UpdateReply(config_); });
    router_.AddPlain("f=3", [this](const QueryPairs&) { return DirectoryReply(config_); });
    router_.AddPlain("d", [this](const QueryPairs& pairs) {
        ++counters_.polls;
        return StatusReply(registry_, ValueOf(pairs, "d"), ValueOf(pairs, "t"),
                           ValueOf(pairs, "s"));
    });
    router_.AddPlain("p2", [this](const QueryPairs& pairs) {
        return PlayersReply(registry_, ValueOf(pairs, "p2"), ValueOf(pairs, "s"));
    });
    router_.Add(
        "r",
        [this](const QueryPairs& pairs, const asio::ip::address& client) -> awaitable<HttpReply> {
            const LookupOutcome found = co_await lookup_.Find(ValueOf(pairs, "r"), client);
            switch (found.kind) {
            case LookupOutcome::Kind::NotFound:
                ++counters_.lookupsNotFound;
                break;
            case LookupOutcome::Kind::Known:
                ++counters_.lookupsKnown;
                break;
            case LookupOutcome::Kind::Added:
                ++counters_.lookupsAdded;
                break;
            }
            co_return HttpReply{200, LookupReply(registry_.FindById(found.id))};
        });
    AddWebRoutes();
}

bool StatsService::Start(std::string& error) {
    std::unordered_map<int, const QueryDriver*> protocols;
    for (const auto& type : config_.gameTypes) {
        protocols[type.uid] = FindDriver(type.protocol); // known: the configuration checked
    }
    registry_.SetProtocols(std::move(protocols));
    for (const auto* list : {&config_.directory, &config_.servers}) {
        for (const auto& entry : *list) {
            GameServer server;
            server.id = entry.id;
            server.configuredName = entry.name;
            server.gameType = entry.gameType;
            server.host = entry.address;
            server.port = entry.port;
            server.queryPort = entry.queryPort;
            registry_.Add(std::move(server));
        }
    }
    if (!config_.stateFile.empty()) {
        const auto saved = platform::ReadRegularFile(config_.stateFile, kMaxStateFileBytes, error);
        if (!error.empty()) {
            return false;
        }
        if (saved) {
            registry_.LoadRegistered(*saved, config_.lookups.maxRegistered, WallSeconds());
        }
    }

    std::vector<HostPort> listeners{{config_.listenAddress, config_.listenPort}};
    listeners.insert(listeners.end(), config_.alsoListen.begin(), config_.alsoListen.end());
    for (const auto& at : listeners) {
        const auto address = ParseAddress(at.host);
        if (!address) {
            error = "bad listen address " + at.host;
            return false;
        }
        if (!frontEnd_.Listen(tcp::endpoint(*address, at.port), error)) {
            return false;
        }
    }
    if (!poller_.Open(error)) {
        return false;
    }
    StartHistory();
    poller_.onRefreshDone = [this](Clock::duration took) {
        AfterRefresh(took);
        if (onRefreshDone) {
            onRefreshDone(took);
        }
    };
    poller_.onRegisteredDropped = [this] { SaveState(); };
    lookup_.onRegistered = [this] { SaveState(); };
    poller_.Start([this]() { return resolver_.ResolveAllThenKeepUp(); });
    return true;
}

void StatsService::Stop() {
    lookup_.Stop();
    frontEnd_.Stop();
    poller_.Stop();
    resolver_.Stop();
    notifier_.Stop();
    if (history_) {
        history_->Stop();
    }
}

void StatsService::SaveState() const {
    if (!config_.stateFile.empty() &&
        !platform::ReplaceFileContent(config_.stateFile, registry_.SerializeRegistered())) {
        std::cerr << "lindrel-stats: cannot write " << config_.stateFile << "\n";
    }
}

} // namespace lindrel::stats

#include "service/StatsService.h"

#include "base/Text.h"
#include "base/UrlCodec.h"
#include "pages/Replies.h"
#include "platform/Platform.h"

#include <iostream>

namespace lindrel::stats {

namespace {

constexpr std::size_t kMaxStateFileBytes = 16 << 20;
// A live message's id: "live,<key>,<id>" in the state file (a line the registered servers'
// reader passes over), "live_message.<key>" in the history file.
constexpr std::string_view kLiveLine = "live,";
constexpr std::string_view kLiveKept = "live_message.";
constexpr std::size_t kMaxLiveIds = 64;

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
    anyLive_ = std::any_of(config_.notify.begin(), config_.notify.end(),
                           [](const WebhookEntry& entry) { return entry.live; });
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
    std::string saved;
    if (!config_.stateFile.empty()) {
        const auto read = platform::ReadRegularFile(config_.stateFile, kMaxStateFileBytes, error);
        if (!error.empty()) {
            return false;
        }
        if (read) {
            saved = *read;
            registry_.LoadRegistered(saved, config_.lookups.maxRegistered, WallSeconds());
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
    RestoreLiveIds(saved);
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
    if (config_.stateFile.empty()) {
        return;
    }
    std::string text = registry_.SerializeRegistered();
    for (const auto& [key, id] : liveIds_) {
        text.append(kLiveLine).append(key).append(",").append(id).append("\n");
    }
    if (!platform::ReplaceFileContent(config_.stateFile, text)) {
        std::cerr << "lindrel-stats: cannot write " << config_.stateFile << "\n";
    }
}

void StatsService::RestoreLiveIds(std::string_view stateFile) {
    if (!anyLive_) {
        return;
    }
    notifier_.onLiveId = [this](const std::string& key, const std::string& id) {
        KeepLiveId(key, id);
    };
    KeptTexts ids;
    if (history_) {
        for (const auto& [name, id] : history_->keptAtOpen()) {
            if (name.starts_with(kLiveKept)) {
                ids.emplace(name.substr(kLiveKept.size()), id);
            }
        }
    } else if (!config_.stateFile.empty()) {
        LineReader lines(stateFile);
        std::string_view line;
        while (lines.Next(line) && liveIds_.size() < kMaxLiveIds) {
            const auto fields = Split(line, ',');
            if (fields.size() == 3 && fields[0] == "live" && fields[1].size() == 32 &&
                IsMessageId(fields[2])) {
                liveIds_.emplace(fields[1], fields[2]);
            }
        }
        ids = liveIds_;
    } else {
        std::cerr << "lindrel-stats: no history or state file: a restart makes the live "
                     "messages anew"
                  << std::endl;
    }
    notifier_.RestoreLiveIds(ids);
}

void StatsService::KeepLiveId(const std::string& key, const std::string& id) {
    if (history_) {
        history_->Keep(std::string(kLiveKept) + key, id);
    } else if (!config_.stateFile.empty() &&
               (liveIds_.size() < kMaxLiveIds || liveIds_.contains(key))) {
        liveIds_[key] = id;
        SaveState();
    }
}

void StatsService::ShowLiveMessages() {
    std::vector<LiveRow> rows;
    for (const GameServer& server : registry_.servers()) {
        if (server.registered || !server.Known()) {
            continue; // shown once it is known to be up or down
        }
        LiveRow row;
        row.serverId = server.id;
        row.name = server.Name();
        if (quietNow_.contains(server.id)) {
            row.state = LiveState::Maintenance;
        } else if (server.Up()) {
            row.state = LiveState::Up;
            row.map = server.status.map;
            row.players = OnlineCount(server.status);
            row.maxPlayers = server.status.maxClients;
        }
        rows.push_back(std::move(row));
    }
    notifier_.ShowLive(config_.pageTitle, rows);
}

} // namespace lindrel::stats

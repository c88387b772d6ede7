// The stats service's query handling: any query string gives an answer of bounded size
// whose lines never carry a CR.
#include "pages/Replies.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string query(reinterpret_cast<const char*>(data), size);
    static const lindrel::stats::Registry registry = [] {
        lindrel::stats::Registry made;
        for (int id = 1; id <= 3; ++id) {
            lindrel::stats::GameServer server;
            server.id = id;
            server.host = "127.0.0.1";
            server.port = static_cast<std::uint16_t>(27960 + id);
            lindrel::stats::StatusInfo status;
            status.hostname = "Server " + std::to_string(id);
            status.map = "q3dm" + std::to_string(id);
            status.players = {{"Grism", 1, 2}, {"Angelyss", 3, 4}};
            lindrel::stats::Registry::RecordAnswer(server, status, 10);
            made.Add(server);
        }
        return made;
    }();
    const auto pairs = lindrel::stats::ParseQuery(query);
    auto value = [&](std::string_view key) {
        for (const auto& [name, text] : pairs) {
            if (name == key) {
                return text;
            }
        }
        return std::string_view();
    };
    const std::string status =
        lindrel::stats::StatusReply(registry, value("d"), value("t"), value("s"));
    const std::string players = lindrel::stats::PlayersReply(registry, value("p2"), value("s"));
    if (status.find('\r') != std::string::npos || players.find('\r') != std::string::npos ||
        status.size() > 4096 || players.size() > 4096) {
        std::abort();
    }
    return 0;
}

#include "config/Config.h"

namespace lindrel::stats {

namespace {

ServerEntry DemoServer(int id, const char* name, int lastOctet) {
    return {id, name, 10, "127.0.0." + std::to_string(lastOctet), 27960};
}

} // namespace

Config DefaultConfig() {
    Config config;
    config.directory = {DemoServer(7, "Quorvane Other", 1), DemoServer(4, "Quorvane TS", 2),
                        DemoServer(8, "Quorvane CTF", 3), DemoServer(6, "Quorvane Duel", 4),
                        DemoServer(9, "Quorvane Public", 5)};
    config.gameTypes = {{10, "Quake III Arena", "", "+set rconpassword", "+set password"},
                        {11, "OpenArena", "", "+set rconpassword", "+set password"}};
    return config;
}

} // namespace lindrel::stats

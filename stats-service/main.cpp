#include "base/Text.h"
#include "config/ConfigFile.h"
#include "demo/DemoServers.h"
#include "platform/Platform.h"
#include "service/StatsService.h"

#include <boost/asio/signal_set.hpp>
#include <exception>
#include <iostream>
#include <optional>

using namespace lindrel::stats;

namespace {

constexpr const char* kUsage =
    R"(Usage: lindrel-stats [--config FILE] [--listen ADDRESS:PORT] [--demo]
       lindrel-stats --check-config FILE

The stats service of the Lindrel monitor: answers the monitor's HTTP queries with the
live status of the game servers it queries, and serves a status page at /, JSON at
/api/servers and metrics at /metrics; it keeps their history and sends webhooks as its
configuration says.

  --config FILE           read the configuration (TOML; see lindrel-stats.example.toml)
  --check-config FILE     check a configuration, say what is wrong, and exit (0 when good)
  --listen ADDRESS:PORT   listen there instead of the configured address (127.0.0.1:27950;
                          an IPv6 address goes in brackets: [::1]:27950)
  --demo                  also run five demo game servers on 127.0.0.1 to 127.0.0.5, port
                          27960, which the built-in configuration watches
  --verbose               print the duration and outcome of every refresh
  --help                  show this text
)";

struct Options {
    std::string config;
    bool checkOnly = false;
    std::string listen;
    bool demo = false;
    bool verbose = false;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if ((arg == "--config" || arg == "--check-config" || arg == "--listen") && i + 1 < argc) {
            options.checkOnly = options.checkOnly || arg == "--check-config";
            (arg == "--listen" ? options.listen : options.config) = argv[++i];
        } else if (arg == "--demo") {
            options.demo = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else {
            return std::nullopt;
        }
    }
    return options;
}

bool ApplyListen(const std::string& listen, Config& config) {
    const auto at = ParseListenAddress(listen);
    if (!at) {
        return false;
    }
    config.listenAddress = at->host;
    config.listenPort = at->port;
    config.alsoListen.clear();
    return true;
}

int Run(int argc, char** argv) {
    const auto options = ParseOptions(argc, argv);
    if (!options || (argc == 2 && std::string_view(argv[1]) == "--help")) {
        std::cout << kUsage;
        return options ? 0 : 2;
    }
    std::string error;
    std::optional<Config> config = DefaultConfig();
    if (!options->config.empty()) {
        config = LoadConfig(options->config, error);
    }
    if (!config) {
        std::cerr << "lindrel-stats: " << error << "\n";
        return 1;
    }
    if (options->checkOnly) {
        std::cout << "lindrel-stats: " << options->config << " is good\n";
        return 0;
    }
    if (!options->listen.empty() && !ApplyListen(options->listen, *config)) {
        std::cerr << "lindrel-stats: --listen takes ADDRESS:PORT ([V6-ADDRESS]:PORT)\n";
        return 2;
    }

    // Each TCP query holds a socket: as many as the system lets this process open, less
    // what the front end and the service keep.
    const std::size_t wanted = config->poll.tcpParallel;
    config->poll.tcpParallel =
        TcpParallelWithin(lindrel::platform::RaiseOpenFileLimit(), wanted, config->frontEnd);
    if (config->poll.tcpParallel < wanted) {
        std::cerr << "lindrel-stats: " << config->poll.tcpParallel << " TCP queries at once, not "
                  << wanted << ": the limit of open files allows no more\n";
    }

    asio::io_context io;
    std::optional<DemoWorld> demo;
    if (options->demo) {
        demo.emplace(io, DemoOptions{});
        if (!demo->Start(error)) {
            std::cerr << "lindrel-stats: " << error << "\n";
            return 1;
        }
    }
    StatsService service(io, *config);
    if (options->verbose) {
        service.onRefreshDone = [&service](Clock::duration took) {
            std::size_t up = 0;
            for (const auto& server : service.registry().servers()) {
                up += server.Up() && server.missedInARow == 0 ? 1u : 0u; // answered this refresh
            }
            std::cout << "refresh: " << service.registry().servers().size() << " servers, " << up
                      << " answered, " << std::chrono::duration<double, std::milli>(took).count()
                      << " ms" << std::endl;
        };
    }
    if (!service.Start(error)) {
        std::cerr << "lindrel-stats: " << error << "\n";
        return 1;
    }
    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](const boost::system::error_code&, int) {
        service.Stop();
        if (demo) {
            demo->Stop();
        }
    });
    std::cout << "lindrel-stats: listening on http://"
              << FormatHostPort(config->listenAddress, service.httpPort()) << "/"
              << (options->demo ? " with five demo servers" : "") << std::endl;
    io.run();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // A failure the program does not expect (a socket option refused, an address it cannot
    // take) ends it with a message instead of an abort.
    try {
        return Run(argc, argv);
    } catch (const std::exception& failure) {
        std::cerr << "lindrel-stats: " << failure.what() << "\n";
        return 1;
    }
}

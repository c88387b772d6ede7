#include "DemoServers.h"
#include "Net.h"
#include "base/Text.h"

#include <exception>
#include <iostream>

using namespace lindrel::stats;

namespace {

// Runs many demo game servers on consecutive ports of one address, answering at once,
// for load runs and for comparing the service's refresh with other query tools.
int Run(int argc, char** argv) {
    DemoOptions options;
    options.sameAddress = true;
    options.firstPort = 30000;
    options.downFirst = std::chrono::hours(24 * 365);
    options.latency = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view flag = argv[i];
        const auto number = lindrel::ParseInt32(argv[i + 1]);
        if (flag == "--count" && number && *number > 0 && *number <= 5000) {
            options.count = static_cast<std::size_t>(*number);
        } else if (flag == "--players" && number && *number >= 0 && *number <= 256) {
            options.players = static_cast<std::size_t>(*number);
        } else if (flag == "--port" && number && *number > 0 && *number < 65535) {
            options.firstPort = static_cast<std::uint16_t>(*number);
        } else if (const auto address = ParseAddress(argv[i + 1]);
                   flag == "--address" && address && address->is_v4()) {
            options.firstAddress = argv[i + 1];
        } else {
            std::cerr << "usage: lindrel-demo-servers [--count N] [--address A] [--port P] "
                         "[--players N]\n";
            return 2;
        }
    }
    asio::io_context io;
    DemoWorld world(io, options);
    std::string error;
    if (!world.Start(error)) {
        std::cerr << "lindrel-demo-servers: " << error << "\n";
        return 1;
    }
    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](const boost::system::error_code&, int) { world.Stop(); });
    std::cout << "ready " << options.count << std::endl;
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
        std::cerr << "lindrel-demo-servers: " << failure.what() << "\n";
        return 1;
    }
}

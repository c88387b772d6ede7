#include "base/Text.h"
#include "demo/DemoServers.h"
#include "protocols/QueryDriver.h"

#include <boost/asio/signal_set.hpp>
#include <exception>
#include <iostream>

using namespace lindrel::stats;

namespace {

bool ReadProtocols(std::string_view list, std::vector<std::string>& into) {
    into.clear();
    for (const auto name : lindrel::Split(list, ',')) {
        if (FindDriver(name) == nullptr) {
            return false;
        }
        into.emplace_back(name);
    }
    return !into.empty();
}

void PrintUsage(std::ostream& out) {
    out << "usage: lindrel-demo-servers [--count N] [--address A] [--port P] [--players N] "
           "[--protocols NAME,...] [--latency-ms MS] [--split BYTES] [--garbage 0|1] "
           "[--strays 0|1]\n"
           "protocols: "
        << DriverNames() << "\n";
}

// Runs many demo game servers on consecutive ports of one address, answering at once,
// for load runs, tests and for comparing the service's refresh with other query tools.
int Run(int argc, char** argv) {
    DemoOptions options;
    options.sameAddress = true;
    options.firstPort = 30000;
    options.downFirst = std::chrono::hours(24 * 365);
    options.latency = false;
    for (int i = 1; i < argc; i += 2) {
        const std::string_view flag = argv[i];
        if (flag == "--help") {
            PrintUsage(std::cout);
            return 0;
        }
        // A flag without its value is refused as an unknown one is.
        if (i + 1 >= argc) {
            PrintUsage(std::cerr);
            return 2;
        }
        const auto number = lindrel::ParseInt32(argv[i + 1]);
        if (flag == "--count" && number && *number > 0 && *number <= 10000) {
            options.count = static_cast<std::size_t>(*number);
        } else if (flag == "--players" && number && *number >= 0 && *number <= 256) {
            options.players = static_cast<std::size_t>(*number);
        } else if (flag == "--port" && number && *number > 0 && *number < 65535) {
            options.firstPort = static_cast<std::uint16_t>(*number);
        } else if (flag == "--latency-ms" && number && *number >= 0 && *number <= 5000) {
            options.fixedLatency = std::chrono::milliseconds(*number);
        } else if (flag == "--split" && number && *number >= 16 && *number <= 1400) {
            options.a2sSplitBytes = static_cast<std::size_t>(*number);
        } else if (flag == "--garbage" && number && (*number == 0 || *number == 1)) {
            options.garbage = *number == 1;
        } else if (flag == "--strays" && number && (*number == 0 || *number == 1)) {
            options.strays = *number == 1;
        } else if (flag == "--protocols" && ReadProtocols(argv[i + 1], options.protocols)) {
        } else if (boost::system::error_code ec;
                   flag == "--address" && (asio::ip::make_address_v4(argv[i + 1], ec), !ec)) {
            options.firstAddress = argv[i + 1];
        } else {
            PrintUsage(std::cerr);
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

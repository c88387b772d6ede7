#pragma once

#include "service/HttpFetch.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

namespace lindrel::test {

// The processor time a process has used so far, user and system, in seconds.
inline double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name, which may hold spaces, start past its ")".
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int index = 3; fields >> field && index <= 15; ++index) {
        if (index >= 14) {
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// The bundled service with its demo game servers, answering on 127.0.0.1:port. Returns
// once it reports the status of a watched server (at most ten seconds).
inline std::unique_ptr<ChildProcess> StartDemoService(int port, const TempDir& logs) {
    const std::string listen = "127.0.0.1:" + std::to_string(port);
    auto service = std::make_unique<ChildProcess>(
        std::vector<std::string>{LINDREL_STATS_PROGRAM, "--demo", "--listen", listen},
        std::vector<std::string>{}, (logs / "service.out").string());
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/?";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        std::istringstream directory(GetURL(base + "f=3"));
        std::string line;
        std::string ids;
        while (std::getline(directory, line)) {
            ids.append(ids.empty() ? "" : ",").append(line.substr(0, line.find('|')));
        }
        std::string status = base;
        status.append("d=").append(ids).append("&t=0,0,0,0,0&s=");
        if (!ids.empty() && GetURL(status).find('|') != std::string::npos) {
            return service;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("the stats service did not answer");
}

} // namespace lindrel::test

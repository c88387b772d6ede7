#pragma once

#include "service/HttpFetch.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace lindrel::test {

// A program started with extra environment, its output going to a file; killed when the
// object goes.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::string& outputFile) {
        // Everything the child needs is built before the fork: only exec follows it.
        std::vector<char*> args;
        args.reserve(argv.size() + 1);
        for (const auto& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        // The extra entries first: the first of two same names is the one that counts.
        std::vector<char*> environment(env.size());
        std::transform(env.begin(), env.end(), environment.begin(),
                       [](const std::string& pair) { return const_cast<char*>(pair.c_str()); });
        for (char** entry = environ; *entry != nullptr; ++entry) {
            environment.push_back(*entry);
        }
        environment.push_back(nullptr);
        const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (out < 0) {
            throw std::runtime_error("cannot open " + outputFile);
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::execve(args[0], args.data(), environment.data());
            ::_exit(127);
        }
        ::close(out);
        if (pid_ < 0) {
            throw std::runtime_error("fork failed");
        }
    }
    ~ChildProcess() { Kill(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    void Kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    // The exit status once the program ended by itself within limit; -1 otherwise.
    int WaitExit(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
};

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

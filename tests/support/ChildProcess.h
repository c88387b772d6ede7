#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace lindrel::test {

// A program a test starts: with extra environment, optionally in a folder of its own, its
// output going to a file (outputFile) or to a pipe the test reads lines from (outputFile
// empty). Killed and reaped when the object goes.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::string& outputFile, const std::string& workDir = {}) {
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
        int out = -1;
        int pipeEnds[2] = {-1, -1};
        if (outputFile.empty()) {
            if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
                throw std::runtime_error("pipe failed");
            }
            out = pipeEnds[1];
        } else {
            out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
            if (out < 0) {
                throw std::runtime_error("cannot open " + outputFile);
            }
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out, 1);
            if (!outputFile.empty()) {
                ::dup2(out, 2);
            }
            if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) {
                ::_exit(126);
            }
            ::execve(args[0], args.data(), environment.data());
            ::_exit(127);
        }
        ::close(out);
        output_ = pipeEnds[0];
        if (pid_ < 0) {
            Close();
            throw std::runtime_error("fork failed");
        }
    }
    ~ChildProcess() {
        Kill();
        Close();
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }

    // The next line the program writes to its standard output (without the LF), waiting at
    // most limit; empty when it ends, closes its output or stays silent that long.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::string line;
        char c = 0;
        while (output_ >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{output_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) != 1) {
                return std::nullopt;
            }
            const ssize_t got = ::read(output_, &c, 1);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got != 1) {
                return std::nullopt;
            }
            if (c == '\n') {
                return line;
            }
            line += c;
        }
        return std::nullopt;
    }

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
    void Close() {
        if (output_ >= 0) {
            ::close(output_);
            output_ = -1;
        }
    }

    pid_t pid_ = -1;
    int output_ = -1;
};

} // namespace lindrel::test

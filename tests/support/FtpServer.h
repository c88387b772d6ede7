#pragma once

#include "support/TempDir.h"

#include <cstdio>
#include <signal.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace lindrel::test {

// pyftpdlib on 127.0.0.1 and a free port, serving a fresh temporary folder; downloads at
// most bytesPerSecond fast when that is above 0.
class FtpServer {
public:
    explicit FtpServer(std::string user = "lindrel", std::string password = "secret",
                       int bytesPerSecond = 0)
        : user_(std::move(user)), password_(std::move(password)) {
        const std::string limit = std::to_string(bytesPerSecond);
        int out[2];
        if (::pipe(out) != 0) {
            throw std::runtime_error("pipe failed");
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::close(out[1]);
            const std::string root = root_.str();
            ::execl("/usr/bin/python3", "python3", LINDREL_FTP_SERVER_SCRIPT, root.c_str(),
                    user_.c_str(), password_.c_str(),
                    bytesPerSecond > 0 ? limit.c_str() : static_cast<char*>(nullptr),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        std::FILE* reader = ::fdopen(out[0], "r");
        char line[32] = {};
        if (reader == nullptr || std::fgets(line, sizeof line, reader) == nullptr) {
            Stop();
            throw std::runtime_error("the FTP server did not start (python3-pyftpdlib?)");
        }
        std::fclose(reader);
        port_ = std::stoi(line);
    }
    ~FtpServer() { Stop(); }
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    int port() const { return port_; }
    const std::string& user() const { return user_; }
    const std::string& password() const { return password_; }
    const TempDir& root() const { return root_; }
    void Stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    TempDir root_;
    std::string user_;
    std::string password_;
    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace lindrel::test

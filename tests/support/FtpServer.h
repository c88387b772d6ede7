#pragma once

#include "support/PeerProcess.h"
#include "support/TempDir.h"

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace lindrel::test {

// pyftpdlib on 127.0.0.1 and a free port, serving a fresh temporary folder; downloads at
// most bytesPerSecond fast when that is above 0.
class FtpServer {
public:
    explicit FtpServer(std::string user = "lindrel", std::string password = "secret",
                       int bytesPerSecond = 0)
        : user_(std::move(user)), password_(std::move(password)) {
        std::vector<std::string> argv = {"/usr/bin/python3", LINDREL_FTP_SERVER_SCRIPT, root_.str(),
                                         user_, password_};
        if (bytesPerSecond > 0) {
            argv.push_back(std::to_string(bytesPerSecond));
        }
        process_ = std::make_unique<PeerProcess>(argv);
        // The server writes its port once it listens.
        const auto line = process_->ReadLine(std::chrono::seconds(10));
        if (!line) {
            throw std::runtime_error("the FTP server did not start (python3-pyftpdlib?)");
        }
        port_ = std::stoi(*line);
    }
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    int port() const { return port_; }
    const std::string& user() const { return user_; }
    const std::string& password() const { return password_; }
    const TempDir& root() const { return root_; }
    void Stop() { process_->Kill(); }

private:
    TempDir root_;
    std::string user_;
    std::string password_;
    std::unique_ptr<PeerProcess> process_;
    int port_ = 0;
};

} // namespace lindrel::test

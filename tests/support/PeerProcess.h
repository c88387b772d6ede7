#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lindrel::test {

// A peer the tests start on this machine (pyftpdlib, say), that tells what a test needs
// on its standard output. Under POSIX it is the test's own child; a test built for
// Windows and run under wine asks peer_launcher.py, which the test script starts beside
// it, to run the peer on the Linux side (support/posix and support/win32 each implement
// this). Killed when the object goes.
class PeerProcess {
public:
    explicit PeerProcess(const std::vector<std::string>& argv);
    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    // The next line the peer writes (without the LF), waiting at most limit; empty when
    // it ends or stays silent that long.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit);
    // Ends the peer and returns once it is gone.
    void Kill();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace lindrel::test

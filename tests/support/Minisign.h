#pragma once

#include "support/PeerProcess.h"
#include "support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace lindrel::test {

// Debian's minisign, run as a peer (on the Linux side under wine too): a key pair made in
// a folder of its own, and signatures made with it as a clan's admin makes them.
class MinisignKey {
public:
    MinisignKey() {
        Run({"-G", "-W", "-f", "-p", (folder_ / "key.pub").string(), "-s",
             (folder_ / "key.sec").string()});
        const std::string pub = ReadFile(folder_ / "key.pub");
        const auto start = pub.find('\n');
        publicKey_ = pub.substr(start + 1, pub.find('\n', start + 1) - start - 1);
        if (publicKey_.empty()) {
            throw std::runtime_error("minisign made no key (is minisign installed?)");
        }
    }

    // The second line of minisign.pub, as the build takes it.
    const std::string& publicKey() const { return publicKey_; }

    // Signs file into signature (file.minisig when empty) with this trusted comment, in
    // minisign's default (prehashed) format or its legacy one.
    void Sign(const std::filesystem::path& file, const std::string& trustedComment,
              std::filesystem::path signature = {}, bool legacy = false) const {
        if (signature.empty()) {
            signature = file.string() + ".minisig";
        }
        std::vector<std::string> arguments = {"-S",
                                              "-s",
                                              (folder_ / "key.sec").string(),
                                              "-m",
                                              file.string(),
                                              "-x",
                                              signature.string(),
                                              "-t",
                                              trustedComment};
        if (legacy) {
            arguments.emplace_back("-l");
        }
        Run(arguments);
        if (!std::filesystem::exists(signature)) {
            throw std::runtime_error("minisign did not sign " + file.string());
        }
    }

private:
    // minisign, ended by a line of ours: under wine the launcher tells no end of a peer.
    static void Run(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv = {
            "/bin/sh", "-c", "minisign \"$@\" >/dev/null 2>&1 </dev/null; echo done", "minisign"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        PeerProcess minisign(argv);
        minisign.ReadLine(std::chrono::seconds(20));
    }

    TempDir folder_;
    std::string publicKey_;
};

} // namespace lindrel::test

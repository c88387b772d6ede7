#include "core/AppState.h"
#include "support/FtpServer.h"
#include "support/LogLines.h"
#include "support/Minisign.h"
#include "support/ScriptedService.h"
#include "update/Signature.h"
#include "update/Update.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace lindrel {
namespace {

using test::LogMessages;

// Updates signed for real by minisign with a key made here, served by a real FTP server:
// whatever is wrong with one file's signature, nothing is started and nothing fetched stays.
class SignedUpdate : public ::testing::Test {
protected:
    SignedUpdate() {
        state.StatsBaseURL = service.BaseUrl();
        state.UpdatePublicKey = key.publicKey();
        std::filesystem::create_directory(ftp.root() / "pub");
    }
    std::filesystem::path Served(const std::string& name) const {
        return ftp.root() / "pub" / name;
    }
    // Both files served and signed as a clan's admin signs them for version 9.9.
    void ServeSignedUpdate() {
        for (const char* name : {"update.exe", "newfile.dat"}) {
            test::WriteFile(Served(name), std::string("the new ") + name);
            key.Sign(Served(name), std::string("lindrel-update 9.9 ") + name);
        }
    }
    std::string Reply(const std::string& versionLine = "9.9\n") const {
        return versionLine + "127.0.0.1," + ftp.user() + "," + ftp.password() + "," +
               std::to_string(ftp.port()) + "\npub,update.exe\npub,newfile.dat\n";
    }
    // Nothing the check fetched is left in the program's folder.
    void ExpectNothingLeft() const {
        for (const char* name :
             {"update.exe", "newfile.dat", "update.exe.minisig", "newfile.dat.minisig"}) {
            EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
        }
    }

    test::TempDir dir;
    test::ScriptedService service;
    test::FtpServer ftp;
    test::MinisignKey key;
    AppState state{dir.str()};
};

TEST_F(SignedUpdate, EachFaultRefusesTheWholeUpdate) {
    const test::MinisignKey otherKey;
    struct Case {
        const char* what;
        std::function<void()> spoil;
        std::string logged;
    };
    const auto changeFirstByte = [this](const char* name) {
        std::string content = test::ReadFile(Served(name));
        content[0] = static_cast<char>(content[0] ^ 1);
        test::WriteFile(Served(name), content);
    };
    const std::vector<Case> cases = {
        {"a changed byte in the updater", [&] { changeFirstByte("update.exe"); },
         "update.exe: bad signature"},
        {"a changed byte in the data file", [&] { changeFirstByte("newfile.dat"); },
         "newfile.dat: bad signature"},
        {"another key",
         [&] { otherKey.Sign(Served("update.exe"), "lindrel-update 9.9 update.exe"); },
         "update.exe: signed by another key"},
        {"no signature", [&] { std::filesystem::remove(Served("newfile.dat.minisig")); },
         "newfile.dat: no signature"},
        {"another version",
         [&] { key.Sign(Served("update.exe"), "lindrel-update 9.8 update.exe"); },
         "update.exe: trusted comment does not match"},
        {"another file's name",
         [&] { key.Sign(Served("update.exe"), "lindrel-update 9.9 newfile.dat"); },
         "update.exe: trusted comment does not match"},
        {"a truncated signature",
         [&] {
             const std::string signature = test::ReadFile(Served("update.exe.minisig"));
             test::WriteFile(Served("update.exe.minisig"),
                             signature.substr(0, signature.size() / 2));
         },
         "update.exe: unreadable signature"},
        {"a garbage signature",
         [&] { test::WriteFile(Served("newfile.dat.minisig"), std::string(300, '\x9c')); },
         "newfile.dat: unreadable signature"},
        {"the trusted comment changed",
         [&] {
             std::string signature = test::ReadFile(Served("update.exe.minisig"));
             signature.replace(signature.find("9.9"), 3, "9.8");
             test::WriteFile(Served("update.exe.minisig"), signature);
         },
         "update.exe: bad signature"},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        ServeSignedUpdate();
        each.spoil();
        service.Answer("f=2", Reply());
        EXPECT_FALSE(CheckForUpdate(state, [] {}));
        EXPECT_EQ(LogMessages(dir).back(), "Update Refused: " + each.logged);
        ExpectNothingLeft();
    }
    // Every file was fetched and logged as before; the refusal is the one line after them.
    const auto log = LogMessages(dir);
    EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
              (std::vector<std::string>{"Update Found: 9.9", "DownloadFile: pub|update.exe",
                                        "DownloadFile: pub|newfile.dat",
                                        "Update Refused: " + cases.back().logged}));
}

// A version line ending in CR (a CR LF reply) is never the version a file was signed for.
TEST_F(SignedUpdate, AVersionWithACarriageReturnNeverMatches) {
    ServeSignedUpdate();
    service.Answer("f=2", Reply("9.9\r\n"));
    EXPECT_FALSE(CheckForUpdate(state, [] {}));
    EXPECT_EQ(LogMessages(dir).back(),
              "Update Refused: update.exe: trusted comment does not match");
    ExpectNothingLeft();
}

// A build without a key fetches nothing, whatever is on offer, and the start goes on.
TEST_F(SignedUpdate, ABuildWithoutAKeyFetchesNothing) {
    ServeSignedUpdate();
    state.UpdatePublicKey.clear();
    service.Answer("f=2", Reply());
    EXPECT_FALSE(CheckForUpdate(state, [] {}));
    EXPECT_EQ(LogMessages(dir),
              (std::vector<std::string>{"Update Found: 9.9",
                                        "Update Refused: this build has no update key"}));
    ExpectNothingLeft();
}

// minisign's legacy format (the signature over the file itself, "-l") verifies as the
// prehashed one does.
TEST_F(SignedUpdate, LegacySignaturesVerify) {
    test::WriteFile(dir / "file", "content");
    const PublicKey parsed = ParsePublicKey(key.publicKey()).value();
    for (const bool legacy : {false, true}) {
        key.Sign(dir / "file", "lindrel-update 1 file", dir / "file.minisig", legacy);
        const std::string signature = test::ReadFile(dir / "file.minisig");
        EXPECT_EQ(VerifySignature(parsed, "content", signature, "lindrel-update 1 file"),
                  SignatureCheck::Good);
        EXPECT_EQ(VerifySignature(parsed, "Content", signature, "lindrel-update 1 file"),
                  SignatureCheck::Bad);
    }
    EXPECT_FALSE(ParsePublicKey(key.publicKey().substr(1)));
    EXPECT_FALSE(ParsePublicKey(""));
    EXPECT_FALSE(ParseSignature(std::string(kMaxSignatureFileBytes + 1, '\n')));
}

} // namespace
} // namespace lindrel

#include "core/AppState.h"
#include "support/FtpServer.h"
#include "update/clsFTP.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

namespace lindrel {
namespace {

std::string Bytes(std::size_t count) {
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) {
        bytes += static_cast<char>((i * 7 + 3) % 256); // every byte value, CR and LF included
    }
    return bytes;
}

class FtpTest : public ::testing::Test {
protected:
    FtpTest() { std::filesystem::create_directory(server.root() / "pub"); }
    bool Connect(bool passive) {
        passive ? ftp.SetModePassive() : ftp.SetModeActive();
        ftp.SetTransferBinary();
        return ftp.OpenConnection("127.0.0.1", server.user(), server.password(), server.port());
    }

    test::FtpServer server;
    test::TempDir local;
    AppState state{local.str()};
    clsFTP ftp{state};
};

TEST_F(FtpTest, DownloadsEverySizeByteForByte) {
    for (const bool passive : {false, true}) {
        ASSERT_TRUE(Connect(passive)) << ftp.GetLastErrorMessage();
        for (const std::size_t size : {0u, 255u, 300u, 510u, 765u}) {
            const std::string name = "f" + std::to_string(size);
            test::WriteFile(server.root() / "pub" / name, Bytes(size));
            ASSERT_TRUE(ftp.SimpleFTPGetFile((local / name).string(), "pub/" + name))
                << ftp.GetLastErrorMessage();
            EXPECT_EQ(test::ReadFile(local / name), Bytes(size)) << size;
            std::filesystem::remove(local / name);

            int chunks = 0;
            ftp.pumpEvents = [&] { ++chunks; };
            std::string localName = " c" + name + " ";
            std::string remote = "pub/" + name;
            const bool chunked = ftp.FTPDownloadFile(localName, remote);
            ftp.pumpEvents = nullptr;
            if (size == 0) {
                EXPECT_FALSE(chunked);
                EXPECT_EQ(ftp.GetLastErrorMessage(), "File Not Found");
                continue;
            }
            ASSERT_TRUE(chunked) << ftp.GetLastErrorMessage();
            EXPECT_EQ(localName, "c" + name);
            EXPECT_EQ(test::ReadFile(local / ("c" + name)), Bytes(size)) << size;
            EXPECT_EQ(chunks, static_cast<int>((size + 254) / 255)) << size;
        }
        ftp.CloseConnection();
    }
}

TEST_F(FtpTest, ChunkedDownloadTruncatesALongerLocalFile) {
    ASSERT_TRUE(Connect(false));
    test::WriteFile(server.root() / "pub" / "short", "abc");
    test::WriteFile(local / "short", std::string(1000, 'x'));
    std::string name = "short";
    std::string remote = "pub/short";
    ASSERT_TRUE(ftp.FTPDownloadFile(name, remote));
    EXPECT_EQ(test::ReadFile(local / "short"), "abc");
}

TEST_F(FtpTest, AsciiTransfersTranslateLineEnds) {
    ftp.SetModePassive();
    ASSERT_TRUE(ftp.OpenConnection("127.0.0.1", server.user(), server.password(), server.port()));
    test::WriteFile(server.root() / "pub" / "text", "one\r\ntwo\r\n");
    ASSERT_TRUE(ftp.SimpleFTPGetFile((local / "text").string(), "pub/text"));
    // ASCII is the default: lines end as the local system ends them.
    EXPECT_EQ(test::ReadFile(local / "text"),
              "one" LINDREL_TEXT_LINE_END "two" LINDREL_TEXT_LINE_END);
}

TEST_F(FtpTest, UploadsWholeAndChunked) {
    for (const bool passive : {false, true}) {
        ASSERT_TRUE(Connect(passive));
        for (const std::size_t size : {0u, 256u, 510u}) {
            const std::string name = "u" + std::to_string(size) + (passive ? "p" : "a");
            test::WriteFile(local / name, Bytes(size));
            ASSERT_TRUE(ftp.SimpleFTPPutFile((local / name).string(), "pub/" + name))
                << ftp.GetLastErrorMessage();
            EXPECT_EQ(test::ReadFile(server.root() / "pub" / name), Bytes(size));
            std::string path = (local / name).string();
            std::string remote = "pub/c" + name;
            ASSERT_TRUE(ftp.FTPUploadFile(path, remote)) << ftp.GetLastErrorMessage();
            EXPECT_EQ(test::ReadFile(server.root() / "pub" / ("c" + name)), Bytes(size));
        }
    }
    std::string missing = (local / "nope").string();
    std::string remote = "pub/x";
    EXPECT_FALSE(ftp.FTPUploadFile(missing, remote));
    EXPECT_EQ(ftp.GetLastErrorMessage(),
              "FtpUploadFile error code: 26 Message: cannot read " + missing);
}

TEST_F(FtpTest, MissingFilesAndWrongPasswords) {
    ASSERT_TRUE(Connect(false));
    EXPECT_EQ(ftp.GetFTPFileSize("pub/none"), -1) << ftp.GetLastErrorMessage();
    EXPECT_FALSE(ftp.SimpleFTPGetFile((local / "none").string(), "pub/none"));
    EXPECT_FALSE(std::filesystem::exists(local / "none"));
    EXPECT_FALSE(std::filesystem::exists(local / "none.part"));
    std::string name = "none";
    std::string remote = "pub/none";
    EXPECT_FALSE(ftp.FTPDownloadFile(name, remote));
    EXPECT_EQ(ftp.GetLastErrorMessage(), "File Not Found");
    // A local file that cannot be written is a failure with its reason, like any other.
    test::WriteFile(server.root() / "pub" / "some", Bytes(300));
    name = "no such folder/some";
    remote = "pub/some";
    EXPECT_FALSE(ftp.FTPDownloadFile(name, remote));
    EXPECT_EQ(
        ftp.GetLastErrorMessage().rfind("FtpDownloadFile error code: 23 Message: cannot write ", 0),
        0u)
        << ftp.GetLastErrorMessage();

    clsFTP other(state);
    EXPECT_FALSE(other.OpenConnection("127.0.0.1", server.user(), "wrong", server.port()));
    EXPECT_EQ(other.GetLastErrorMessage().substr(0, 4), "530 ") << other.GetLastErrorMessage();

    clsFTP nobody(state);
    const int closed = server.port() == 1 ? 2 : 1; // a privileged port nobody listens on
    EXPECT_FALSE(nobody.OpenConnection("127.0.0.1", "u", "p", closed));
    // The internet library's own code and text: libcurl's 7, WinINet's 12029.
    EXPECT_TRUE(std::regex_match(nobody.GetLastErrorMessage(),
                                 std::regex("InternetConnect error code: [1-9][0-9]* Message: .+")))
        << nobody.GetLastErrorMessage();
    EXPECT_FALSE(nobody.OpenConnection("127.0.0.1", "u", "p", 40000));
    EXPECT_EQ(nobody.GetLastErrorMessage(),
              "InternetConnect error code: 6 Message: Overflow: FTP port 40000");
}

TEST_F(FtpTest, SizesFoldersRenamesAndDeletes) {
    ASSERT_TRUE(Connect(true));
    test::WriteFile(server.root() / "pub" / "sized", Bytes(1234));
    EXPECT_EQ(ftp.GetFTPFileSize("pub/sized"), 1234);
    EXPECT_EQ(ftp.GetFTPDirectory(), "/");
    ASSERT_TRUE(ftp.CreateFTPDirectory("made")) << ftp.GetLastErrorMessage();
    EXPECT_TRUE(std::filesystem::is_directory(server.root() / "made"));
    ASSERT_TRUE(ftp.SetFTPDirectory("pub"));
    EXPECT_EQ(ftp.GetFTPDirectory(), "/pub");
    EXPECT_EQ(ftp.GetFTPFileSize("sized"), 1234);
    ASSERT_TRUE(ftp.RenameFTPFile("sized", "renamed"));
    EXPECT_TRUE(std::filesystem::exists(server.root() / "pub" / "renamed"));
    ASSERT_TRUE(ftp.DeleteFTPFile("renamed"));
    EXPECT_FALSE(std::filesystem::exists(server.root() / "pub" / "renamed"));
    EXPECT_FALSE(ftp.DeleteFTPFile("renamed"));
    EXPECT_EQ(ftp.GetLastErrorMessage().substr(0, 4), "550 ");
    EXPECT_FALSE(ftp.SetFTPDirectory("/nowhere"));
    EXPECT_EQ(ftp.GetFTPDirectory(), "/pub");
    ASSERT_TRUE(ftp.RemoveFTPDirectory("/made"));
    EXPECT_FALSE(std::filesystem::exists(server.root() / "made"));
}

} // namespace
} // namespace lindrel

#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace lindrel {

struct AppState;

// A small FTP client on the system's internet library: WinINet on Windows, libcurl
// elsewhere (one implementation of this class in update/wininet, one in update/curl; the
// same tests hold for both). One object keeps one control connection open between its
// operations. Errors are values: an operation returns false (or -1 and -2 for a size)
// and leaves a readable reason in GetLastErrorMessage, "<operation> error code: <the
// library's code> Message: <its text>", or the server's own answer when it refused;
// nothing here throws.
class clsFTP {
public:
    explicit clsFTP(const AppState& state);
    ~clsFTP();
    clsFTP(const clsFTP&) = delete;
    clsFTP& operator=(const clsFTP&) = delete;

    const std::string& GetLastErrorMessage() const { return sLastError_; }

    bool OpenConnection(const std::string& sServer, const std::string& sUser,
                        const std::string& sPassword, std::int32_t FTPPORT = 0);
    void CloseConnection();

    bool SimpleFTPGetFile(const std::string& sLocal, const std::string& sRemote);
    bool SimpleFTPPutFile(const std::string& sLocal, const std::string& sRemote);
    // Chunked transfers of 255 bytes, running pumpEvents between chunks. The download
    // writes AppFile(sLocal).
    bool FTPDownloadFile(std::string& sLocal, std::string& sRemote);
    bool FTPUploadFile(std::string& sLocal, std::string& sRemote);

    bool RenameFTPFile(const std::string& sExisting, const std::string& sNewName);
    bool CreateFTPDirectory(const std::string& sDirectory);
    bool RemoveFTPDirectory(const std::string& sDirectory);
    bool DeleteFTPFile(const std::string& sRemote);
    std::string GetFTPDirectory();
    bool SetFTPDirectory(const std::string& sDir);
    // Size in bytes, -1 when nothing is there, -2 on another failure.
    std::int32_t GetFTPFileSize(const std::string& sRemote);

    void SetTransferASCII() { ascii_ = true; }
    void SetTransferBinary() { ascii_ = false; }
    void SetModeActive() { passive_ = false; }
    void SetModePassive() { passive_ = true; }

    // Run between the chunks of a chunked transfer (the window's pending events).
    std::function<void()> pumpEvents;

    static constexpr std::size_t kChunk = 255;
    // Ports are 16-bit signed numbers here, as the update's account line has them.
    static constexpr std::int32_t kMaxPort = 32767;
    static constexpr int kDefaultPort = 21;

private:
    // What the internet library holds for the object: its handles, the open connection.
    struct Session;
    // The chunked transfers' own part, per library: the remote file's bytes, 255 at a
    // time, into out (expected of them; a write failure names path), and in's bytes to
    // the remote file. pumpEvents runs after each chunk.
    bool ReceiveChunks(const std::string& sRemote, std::FILE* out, std::size_t expected,
                       const std::string& path);
    bool SendChunks(const std::string& sRemote, std::FILE* in);
    // Connects and logs in, per library, to a port the caller checked (21 for 0 or less).
    bool Connect(const std::string& sServer, const std::string& sUser, const std::string& sPassword,
                 int port);

    const AppState& state_;
    std::unique_ptr<Session> session_;
    bool ascii_ = true;
    bool passive_ = false;
    std::string sLastError_;
};

} // namespace lindrel

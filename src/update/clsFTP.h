#pragma once

#include "platform/Internet.h"

#include <cstdint>
#include <functional>
#include <string>

namespace lindrel {

struct AppState;

// A small FTP client on the platform's FTP connection (WinINet on Windows, libcurl
// elsewhere; the same tests hold for both). One object keeps one control connection open
// between its operations; every local file goes through the platform's file calls. Errors are
// values: an operation returns false (or -1 and -2 for a size) and leaves a readable reason in
// GetLastErrorMessage, "<operation> error code: <the library's code> Message: <its text>", or the
// server's own answer when it refused; nothing here throws.
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
    // The operation's failure as GetLastErrorMessage tells it.
    bool Failed(const char* operation, const platform::InternetError& error);

    const AppState& state_;
    platform::FtpConnection connection_;
    bool ascii_ = true;
    bool passive_ = false;
    std::string sLastError_;
};

} // namespace lindrel

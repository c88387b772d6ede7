#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// What the monitor needs of the internet, over the system's own library: libcurl on POSIX
// systems (posix/), WinINet on Windows (win32/, its wide-character calls). Both take the
// same user agent from the caller and the same direct connection: no proxy of the
// environment or the system is used. Errors are values: false or an empty optional, with
// an InternetError; nothing here throws.
namespace lindrel::platform {

// Bounds of one HTTP fetch. The defaults keep a silent or endless service from freezing
// the window thread, which every fetch blocks.
struct HttpLimits {
    std::chrono::milliseconds connectTimeout{10'000};
    std::chrono::milliseconds totalTimeout{30'000};
    std::size_t maxBodyBytes = 1 << 20;
};

// GETs an http or https URL (redirects followed, at most five) and returns the body's
// bytes as they came, the HTTP status not examined. A transfer that breaks off, a timeout
// after part of the body, or a body past maxBodyBytes gives the bytes read until then;
// any failure before the first byte gives an empty text.
std::string HttpGet(const std::string& url, const std::string& userAgent, const HttpLimits& limits);

// Why an internet operation failed: the library's code and text, or, when the FTP server
// refused, its own answer ("550 No such file", "530 Login incorrect.").
struct InternetError {
    long code = 0;
    std::string message;
    std::string serverAnswer;
};

// One FTP control connection, kept open between the operations that use it. Paths are
// the server's: absolute, or relative to the current folder. Connecting, every answer and
// every transfer are bounded in time (10 s to connect, 30 s for an answer or a stall).
class FtpConnection {
public:
    explicit FtpConnection(std::string userAgent);
    ~FtpConnection();
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    // Logs in; passive or active data connections from then on.
    bool Open(const std::string& server, int port, const std::string& user,
              const std::string& password, bool passive, InternetError& error);
    void Close();

    // The file's size; empty with notThere set when the server has no such file.
    std::optional<std::int64_t> Size(const std::string& remote, bool& notThere,
                                     InternetError& error);
    // The file's bytes, handed to sink piece by piece as they come (false from sink stops
    // the transfer and fails it). ascii: the server's text line ends become this system's.
    bool Get(const std::string& remote, bool ascii,
             const std::function<bool(const char*, std::size_t)>& sink, InternetError& error);
    // Writes what source gives (up to the size asked, 0 at the end) into the remote file.
    bool Put(const std::string& remote, bool ascii,
             const std::function<std::size_t(char*, std::size_t)>& source, InternetError& error);

    bool Rename(const std::string& from, const std::string& to, InternetError& error);
    bool MakeFolder(const std::string& folder, InternetError& error);
    bool RemoveFolder(const std::string& folder, InternetError& error);
    bool Delete(const std::string& remote, InternetError& error);
    bool SetFolder(const std::string& folder, InternetError& error);
    std::optional<std::string> Folder(InternetError& error);

private:
    struct Session; // the library's handles
    std::unique_ptr<Session> session_;
};

} // namespace lindrel::platform

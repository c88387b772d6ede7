#include "update/clsFTP.h"

#include "base/Text.h"
#include "core/AppState.h"
#include "service/curl/CurlGlobal.h"

#include <cstdio>
#include <curl/curl.h>
#include <stdexcept>
#include <vector>

namespace lindrel {

namespace {

constexpr long kConnectTimeoutS = 10;
constexpr long kResponseTimeoutS = 30;
// A transfer that moves less than a byte a second for this long has stalled.
constexpr long kStallTimeoutS = 30;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Percent-encodes a path for an ftp:// URL, keeping the "/" separators.
std::string UrlPath(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string encoded;
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '/' || c == '.' || c == '-' || c == '_' || c == '~') {
            encoded += ch;
        } else {
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 15];
        }
    }
    return encoded;
}

} // namespace

// The curl handle and what one operation hands to and gets from it.
struct clsFTP::Session {
    struct Easy {
        void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
    };
    std::unique_ptr<CURL, Easy> curl{EnsureCurlReady() ? curl_easy_init() : nullptr};
    std::string lastResponse;
    long lastResponseCode = 0;
    std::function<bool(const char*, std::size_t)> sink;    // downloaded bytes
    std::function<std::size_t(char*, std::size_t)> source; // bytes to upload
    bool connected = false;
    bool connectionPassive = false; // the mode the open connection was made in
    std::string server;
    std::string user;
    std::string password;
    int port = 21;
    std::string directory = "/";

    std::string Absolute(const std::string& path) const;
    std::string Url(const std::string& path) const;
    void RecordError(std::string& error, int code, const char* operation) const;
    bool Run(std::string& error, bool ascii, const char* operation, const std::string& path,
             bool upload, bool noBody, const std::vector<std::string>& commands);

    static int Debug(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
        if (type == CURLINFO_HEADER_IN) {
            auto* session = static_cast<Session*>(user);
            std::string line(data, size);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
                line.pop_back();
            }
            session->lastResponse = line;
            session->lastResponseCode = ReadWholeNumber(line.substr(0, 3));
        }
        return 0;
    }
    static std::size_t Write(char* data, std::size_t size, std::size_t count, void* user) {
        auto* session = static_cast<Session*>(user);
        const std::size_t bytes = size * count;
        return !session->sink || session->sink(data, bytes) ? bytes : 0;
    }
    static std::size_t Read(char* buffer, std::size_t size, std::size_t count, void* user) {
        auto* session = static_cast<Session*>(user);
        return session->source ? session->source(buffer, size * count) : 0;
    }
};

clsFTP::clsFTP(const AppState& state) : state_(state), session_(std::make_unique<Session>()) {
    if (!session_->curl) {
        sLastError_ = "InternetOpen error code: 2 Message: " +
                      std::string(curl_easy_strerror(CURLE_FAILED_INIT));
    }
}

clsFTP::~clsFTP() = default;

std::string clsFTP::Session::Absolute(const std::string& path) const {
    if (!path.empty() && path.front() == '/') {
        return path;
    }
    return directory + (directory.empty() || directory.back() != '/' ? "/" : "") + path;
}

std::string clsFTP::Session::Url(const std::string& path) const {
    // "%2F" after the host makes the path absolute rather than below the login folder.
    return "ftp://" + server + ":" + std::to_string(port) + "/%2F" +
           UrlPath(Absolute(path).substr(1));
}

void clsFTP::Session::RecordError(std::string& error, int code, const char* operation) const {
    if (lastResponseCode >= 400 && !lastResponse.empty()) {
        // The server answered with an error: its own words say most.
        error = lastResponse;
        return;
    }
    error = std::string(operation) + " error code: " + std::to_string(code) +
            " Message: " + curl_easy_strerror(static_cast<CURLcode>(code));
}

bool clsFTP::Session::Run(std::string& error, bool ascii, const char* operation,
                          const std::string& path, bool upload, bool noBody,
                          const std::vector<std::string>& commands) {
    if (!curl || !connected) {
        error = std::string(operation) + " error code: " + std::to_string(CURLE_FAILED_INIT) +
                " Message: not connected";
        return false;
    }
    CURL* handle = curl.get();
    // Reset keeps the open control connection, so every operation reuses it.
    curl_easy_reset(handle);
    lastResponse.clear();
    lastResponseCode = 0;
    curl_slist* quote = nullptr;
    for (const auto& command : commands) {
        quote = curl_slist_append(quote, command.c_str());
    }
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> quoteList(
        quote, &curl_slist_free_all);
    const std::string url = Url(path);
    bool ok =
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str()) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_USERNAME, user.c_str()) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_PASSWORD, password.c_str()) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_PROXY, "") == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutS) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_FTP_RESPONSE_TIMEOUT, kResponseTimeoutS) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kStallTimeoutS) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_FTPPORT, connectionPassive ? nullptr : "-") == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_TRANSFERTEXT, ascii ? 1L : 0L) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, &Session::Debug) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_DEBUGDATA, this) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Session::Write) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, this) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_READFUNCTION, &Session::Read) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_READDATA, this) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_UPLOAD, upload ? 1L : 0L) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_NOBODY, noBody ? 1L : 0L) == CURLE_OK &&
        (quote == nullptr || curl_easy_setopt(handle, CURLOPT_QUOTE, quote) == CURLE_OK);
    const CURLcode result = ok ? curl_easy_perform(handle) : CURLE_FAILED_INIT;
    if (result != CURLE_OK) {
        RecordError(error, result, operation);
        return false;
    }
    return true;
}

bool clsFTP::Connect(const std::string& sServer, const std::string& sUser,
                     const std::string& sPassword, int port) {
    session_->server = sServer;
    session_->user = sUser;
    session_->password = sPassword;
    session_->port = port;
    session_->connectionPassive = passive_;
    session_->directory = "/";
    session_->connected = true;
    // Logging in with nothing to transfer opens the control connection and keeps it.
    if (!session_->Run(sLastError_, ascii_, "InternetConnect", "/", false, true, {})) {
        session_->connected = false;
        return false;
    }
    char* entry = nullptr;
    if (curl_easy_getinfo(session_->curl.get(), CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK &&
        entry != nullptr && *entry == '/') {
        session_->directory = entry;
    }
    return true;
}

void clsFTP::CloseConnection() {
    if (session_->connected) {
        // A new handle drops the old one's connection.
        session_->curl.reset(curl_easy_init());
        session_->connected = false;
    }
}

bool clsFTP::SimpleFTPGetFile(const std::string& sLocal, const std::string& sRemote) {
    // Into a side file first, so that a transfer that breaks off never leaves a partial
    // file under the real name.
    const std::string partial = sLocal + ".part";
    File out(std::fopen(partial.c_str(), "wb"));
    if (!out) {
        sLastError_ = "SimpleFtpGetFile error code: 23 Message: cannot write " + sLocal;
        return false;
    }
    session_->sink = [&](const char* data, std::size_t size) {
        return std::fwrite(data, 1, size, out.get()) == size;
    };
    bool ok = session_->Run(sLastError_, ascii_, "SimpleFtpGetFile", sRemote, false, false, {});
    session_->sink = nullptr;
    ok = std::fclose(out.release()) == 0 && ok;
    if (!ok || std::rename(partial.c_str(), sLocal.c_str()) != 0) {
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

bool clsFTP::SimpleFTPPutFile(const std::string& sLocal, const std::string& sRemote) {
    File in(std::fopen(sLocal.c_str(), "rb"));
    if (!in) {
        sLastError_ = "SimpleFtpPutFile error code: 26 Message: cannot read " + sLocal;
        return false;
    }
    session_->source = [&](char* buffer, std::size_t size) {
        return std::fread(buffer, 1, size, in.get());
    };
    const bool ok =
        session_->Run(sLastError_, ascii_, "SimpleFtpPutFile", sRemote, true, false, {});
    session_->source = nullptr;
    return ok;
}

bool clsFTP::ReceiveChunks(const std::string& sRemote, std::FILE* out, std::size_t expected,
                           const std::string& /*path*/) {
    std::size_t written = 0;
    std::string chunk;
    bool writeFailed = false;
    auto flush = [&](std::size_t count) {
        writeFailed = writeFailed || std::fwrite(chunk.data(), 1, count, out) != count;
        written += count;
        chunk.erase(0, count);
        if (pumpEvents) {
            pumpEvents();
        }
    };
    // Only bytes that arrived are written, 255 at a time; the last chunk may be shorter.
    session_->sink = [&](const char* data, std::size_t count) {
        chunk.append(data, count);
        while (chunk.size() >= kChunk) {
            flush(kChunk);
        }
        return !writeFailed && written + chunk.size() <= expected;
    };
    const bool ok =
        session_->Run(sLastError_, ascii_, "InternetReadFile", sRemote, false, false, {});
    session_->sink = nullptr;
    if (ok && !chunk.empty()) {
        flush(chunk.size());
    }
    const bool complete = ok && !writeFailed && written == expected;
    if (!complete && ok) {
        session_->RecordError(sLastError_, CURLE_PARTIAL_FILE,
                              written < expected / kChunk * kChunk ? "InternetReadFile"
                                                                   : "InternetReadFile2");
    }
    return complete;
}

bool clsFTP::SendChunks(const std::string& sRemote, std::FILE* in) {
    session_->source = [&](char* buffer, std::size_t size) {
        const std::size_t got = std::fread(buffer, 1, std::min(size, kChunk), in);
        if (pumpEvents) {
            pumpEvents();
        }
        return got;
    };
    const bool ok =
        session_->Run(sLastError_, ascii_, "InternetWriteFile", sRemote, true, false, {});
    session_->source = nullptr;
    return ok;
}

bool clsFTP::RenameFTPFile(const std::string& sExisting, const std::string& sNewName) {
    return session_->Run(
        sLastError_, ascii_, "RenameFTPFile", "/", false, true,
        {"RNFR " + session_->Absolute(sExisting), "RNTO " + session_->Absolute(sNewName)});
}

bool clsFTP::CreateFTPDirectory(const std::string& sDirectory) {
    return session_->Run(sLastError_, ascii_, "CreateFTPDirectory", "/", false, true,
                         {"MKD " + session_->Absolute(sDirectory)});
}

bool clsFTP::RemoveFTPDirectory(const std::string& sDirectory) {
    return session_->Run(sLastError_, ascii_, "RemoveFTPDirectory", "/", false, true,
                         {"RMD " + session_->Absolute(sDirectory)});
}

bool clsFTP::DeleteFTPFile(const std::string& sRemote) {
    return session_->Run(sLastError_, ascii_, "DeleteFTPFile", "/", false, true,
                         {"DELE " + session_->Absolute(sRemote)});
}

bool clsFTP::SetFTPDirectory(const std::string& sDir) {
    const std::string target = session_->Absolute(sDir);
    if (!session_->Run(sLastError_, ascii_, "FtpSetCurrentDirectory", "/", false, true,
                       {"CWD " + target})) {
        return false;
    }
    session_->directory = target;
    return true;
}

std::string clsFTP::GetFTPDirectory() {
    if (!session_->Run(sLastError_, ascii_, "FtpGetCurrentDirectory", "/", false, true,
                       {"CWD " + session_->directory})) {
        return {};
    }
    return session_->directory;
}

std::int32_t clsFTP::GetFTPFileSize(const std::string& sRemote) {
    if (!session_->Run(sLastError_, ascii_, "FtpFindFirstFile", sRemote, false, true, {})) {
        // 550: the server knows no such file.
        if (session_->lastResponseCode == 550) {
            sLastError_.clear();
            return -1;
        }
        return -2;
    }
    curl_off_t size = -1;
    if (curl_easy_getinfo(session_->curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size) !=
            CURLE_OK ||
        size < 0) {
        return -1;
    }
    // Only the low 32 bits, read as signed: 2 GiB and more come out negative.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(size & 0xffffffff));
}

} // namespace lindrel

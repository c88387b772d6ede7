#include "platform/Internet.h"
#include "platform/posix/CurlGlobal.h"

#include <curl/curl.h>
#include <vector>

namespace lindrel::platform {

namespace {

constexpr long kConnectTimeoutS = 10;
constexpr long kResponseTimeoutS = 30;
// A transfer that moves less than a byte a second for this long has stalled.
constexpr long kStallTimeoutS = 30;
constexpr long kNoSuchFile = 550;

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

long LeadingNumber(const std::string& line) {
    long number = 0;
    for (std::size_t i = 0; i < line.size() && i < 3 && line[i] >= '0' && line[i] <= '9'; ++i) {
        number = number * 10 + (line[i] - '0');
    }
    return number;
}

} // namespace

// The curl handle (its control connection stays open between operations) and what one
// operation hands to and gets from it.
struct FtpConnection::Session {
    struct Easy {
        void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
    };
    std::unique_ptr<CURL, Easy> curl{EnsureCurlReady() ? curl_easy_init() : nullptr};
    std::string userAgent;
    std::string lastAnswer;
    long lastAnswerCode = 0;
    const std::function<bool(const char*, std::size_t)>* sink = nullptr;
    const std::function<std::size_t(char*, std::size_t)>* source = nullptr;
    bool open = false;
    bool passive = false;
    std::string server;
    std::string user;
    std::string password;
    int port = 21;
    std::string folder = "/";

    std::string Absolute(const std::string& path) const {
        if (!path.empty() && path.front() == '/') {
            return path;
        }
        return folder + (folder.empty() || folder.back() != '/' ? "/" : "") + path;
    }
    // "%2F" after the host makes the path absolute rather than below the login folder.
    std::string Url(const std::string& path) const {
        return "ftp://" + server + ":" + std::to_string(port) + "/%2F" +
               UrlPath(Absolute(path).substr(1));
    }
    void Fail(InternetError& error, CURLcode code) const {
        error.code = code;
        error.message = curl_easy_strerror(code);
        // The server answered with an error: its own words say most.
        error.serverAnswer = lastAnswerCode >= 400 ? lastAnswer : std::string();
    }
    bool Run(InternetError& error, const std::string& path, bool ascii, bool upload, bool noBody,
             const std::vector<std::string>& commands);

    static int Debug(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
        if (type == CURLINFO_HEADER_IN) {
            auto* session = static_cast<Session*>(user);
            std::string line(data, size);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
                line.pop_back();
            }
            session->lastAnswerCode = LeadingNumber(line);
            session->lastAnswer = std::move(line);
        }
        return 0;
    }
    static std::size_t Write(char* data, std::size_t size, std::size_t count, void* user) {
        auto* session = static_cast<Session*>(user);
        const std::size_t bytes = size * count;
        return session->sink == nullptr || (*session->sink)(data, bytes) ? bytes : 0;
    }
    static std::size_t Read(char* buffer, std::size_t size, std::size_t count, void* user) {
        auto* session = static_cast<Session*>(user);
        return session->source != nullptr ? (*session->source)(buffer, size * count) : 0;
    }
};

bool FtpConnection::Session::Run(InternetError& error, const std::string& path, bool ascii,
                                 bool upload, bool noBody,
                                 const std::vector<std::string>& commands) {
    if (!curl || !open) {
        error = {CURLE_FAILED_INIT, "not connected", {}};
        return false;
    }
    CURL* handle = curl.get();
    // Reset keeps the open control connection, so every operation reuses it.
    curl_easy_reset(handle);
    lastAnswer.clear();
    lastAnswerCode = 0;
    curl_slist* quote = nullptr;
    for (const auto& command : commands) {
        quote = curl_slist_append(quote, command.c_str());
    }
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> quoteList(
        quote, &curl_slist_free_all);
    const std::string url = Url(path);
    const auto set = [handle](CURLoption option, auto value) {
        return curl_easy_setopt(handle, option, value) == CURLE_OK;
    };
    const bool ok =
        set(CURLOPT_URL, url.c_str()) && set(CURLOPT_USERNAME, user.c_str()) &&
        set(CURLOPT_PASSWORD, password.c_str()) && set(CURLOPT_USERAGENT, userAgent.c_str()) &&
        set(CURLOPT_PROXY, "") && set(CURLOPT_NOPROXY, "*") && set(CURLOPT_NOSIGNAL, 1L) &&
        set(CURLOPT_CONNECTTIMEOUT, kConnectTimeoutS) &&
        set(CURLOPT_FTP_RESPONSE_TIMEOUT, kResponseTimeoutS) && set(CURLOPT_LOW_SPEED_LIMIT, 1L) &&
        set(CURLOPT_LOW_SPEED_TIME, kStallTimeoutS) &&
        set(CURLOPT_FTPPORT, passive ? nullptr : "-") &&
        set(CURLOPT_TRANSFERTEXT, ascii ? 1L : 0L) && set(CURLOPT_DEBUGFUNCTION, &Session::Debug) &&
        set(CURLOPT_DEBUGDATA, this) && set(CURLOPT_VERBOSE, 1L) &&
        set(CURLOPT_WRITEFUNCTION, &Session::Write) && set(CURLOPT_WRITEDATA, this) &&
        set(CURLOPT_READFUNCTION, &Session::Read) && set(CURLOPT_READDATA, this) &&
        set(CURLOPT_UPLOAD, upload ? 1L : 0L) && set(CURLOPT_NOBODY, noBody ? 1L : 0L) &&
        (quote == nullptr || set(CURLOPT_QUOTE, quote));
    const CURLcode result = ok ? curl_easy_perform(handle) : CURLE_FAILED_INIT;
    if (result != CURLE_OK) {
        Fail(error, result);
        return false;
    }
    return true;
}

FtpConnection::FtpConnection(std::string userAgent) : session_(std::make_unique<Session>()) {
    session_->userAgent = std::move(userAgent);
}

FtpConnection::~FtpConnection() = default;

bool FtpConnection::Open(const std::string& server, int port, const std::string& user,
                         const std::string& password, bool passive, InternetError& error) {
    Close();
    if (!session_->curl) {
        error = {CURLE_FAILED_INIT, curl_easy_strerror(CURLE_FAILED_INIT), {}};
        return false;
    }
    session_->server = server;
    session_->user = user;
    session_->password = password;
    session_->port = port;
    session_->passive = passive;
    session_->folder = "/";
    session_->open = true;
    // Logging in with nothing to transfer opens the control connection and keeps it.
    if (!session_->Run(error, "/", false, false, true, {})) {
        session_->open = false;
        return false;
    }
    char* entry = nullptr;
    if (curl_easy_getinfo(session_->curl.get(), CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK &&
        entry != nullptr && *entry == '/') {
        session_->folder = entry;
    }
    return true;
}

void FtpConnection::Close() {
    if (session_->open) {
        // A new handle drops the old one's connection.
        session_->curl.reset(curl_easy_init());
        session_->open = false;
    }
}

std::optional<std::int64_t> FtpConnection::Size(const std::string& remote, bool& notThere,
                                                InternetError& error) {
    notThere = false;
    if (!session_->Run(error, remote, false, false, true, {})) {
        notThere = session_->lastAnswerCode == kNoSuchFile;
        return std::nullopt;
    }
    curl_off_t size = -1;
    if (curl_easy_getinfo(session_->curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size) !=
            CURLE_OK ||
        size < 0) {
        notThere = true; // a folder, or a server that tells no size
        return std::nullopt;
    }
    return size;
}

bool FtpConnection::Get(const std::string& remote, bool ascii,
                        const std::function<bool(const char*, std::size_t)>& sink,
                        InternetError& error) {
    session_->sink = &sink;
    const bool ok = session_->Run(error, remote, ascii, false, false, {});
    session_->sink = nullptr;
    return ok;
}

bool FtpConnection::Put(const std::string& remote, bool ascii,
                        const std::function<std::size_t(char*, std::size_t)>& source,
                        InternetError& error) {
    session_->source = &source;
    const bool ok = session_->Run(error, remote, ascii, true, false, {});
    session_->source = nullptr;
    return ok;
}

bool FtpConnection::Rename(const std::string& from, const std::string& to, InternetError& error) {
    return session_->Run(error, "/", false, false, true,
                         {"RNFR " + session_->Absolute(from), "RNTO " + session_->Absolute(to)});
}

bool FtpConnection::MakeFolder(const std::string& folder, InternetError& error) {
    return session_->Run(error, "/", false, false, true, {"MKD " + session_->Absolute(folder)});
}

bool FtpConnection::RemoveFolder(const std::string& folder, InternetError& error) {
    return session_->Run(error, "/", false, false, true, {"RMD " + session_->Absolute(folder)});
}

bool FtpConnection::Delete(const std::string& remote, InternetError& error) {
    return session_->Run(error, "/", false, false, true, {"DELE " + session_->Absolute(remote)});
}

bool FtpConnection::SetFolder(const std::string& folder, InternetError& error) {
    const std::string target = session_->Absolute(folder);
    if (!session_->Run(error, "/", false, false, true, {"CWD " + target})) {
        return false;
    }
    session_->folder = target;
    return true;
}

std::optional<std::string> FtpConnection::Folder(InternetError& error) {
    if (!session_->Run(error, "/", false, false, true, {"CWD " + session_->folder})) {
        return std::nullopt;
    }
    return session_->folder;
}

} // namespace lindrel::platform

#include "platform/Internet.h"
#include "platform/win32/Wide.h"

#include <algorithm>
#include <optional>
#include <windows.h>
// After windows.h, which it builds on.
#include <wininet.h>

namespace lindrel::platform {

namespace {

constexpr DWORD kPiece = 256;

// Closes an internet handle when it goes.
class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle() {
        if (handle_ != nullptr) {
            ::InternetCloseHandle(handle_);
        }
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET get() const { return handle_; }

private:
    HINTERNET handle_;
};

DWORD Milliseconds(std::chrono::milliseconds duration) {
    return static_cast<DWORD>(std::clamp<long long>(duration.count(), 1, 0x7fffffff));
}

bool SetTimeout(HINTERNET session, DWORD option, DWORD milliseconds) {
    return ::InternetSetOptionW(session, option, &milliseconds, sizeof milliseconds) != FALSE;
}

// The parts of an http or https URL; empty when it is not one.
struct UrlParts {
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring target; // path and query
    bool secure = false;
};

std::optional<UrlParts> CrackUrl(const std::string& url) {
    const std::wstring wide = win32::Widen(url);
    wchar_t host[256] = {};
    wchar_t path[2048] = {};
    wchar_t extra[2048] = {};
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 2048;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = 2048;
    if (wide.empty() ||
        ::InternetCrackUrlW(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &parts) == FALSE ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) ||
        host[0] == L'\0') {
        return std::nullopt;
    }
    UrlParts cracked{host, parts.nPort, path, parts.nScheme == INTERNET_SCHEME_HTTPS};
    cracked.target.append(extra, parts.dwExtraInfoLength);
    if (cracked.target.empty()) {
        cracked.target.push_back(L'/');
    }
    return cracked;
}

} // namespace

std::string HttpGet(const std::string& url, const std::string& userAgent,
                    const HttpLimits& limits) {
    const auto parts = CrackUrl(url);
    if (!parts) {
        return {};
    }
    // A direct connection: the system's proxy settings are not used.
    const InternetHandle session(::InternetOpenW(win32::Widen(userAgent).c_str(),
                                                 INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (session.get() == nullptr) {
        return {};
    }
    const InternetHandle connection(::InternetConnectW(session.get(), parts->host.c_str(),
                                                       parts->port, nullptr, nullptr,
                                                       INTERNET_SERVICE_HTTP, 0, 0));
    if (connection.get() == nullptr) {
        return {};
    }
    const DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD |
                        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                        (parts->secure ? INTERNET_FLAG_SECURE : 0);
    const InternetHandle request(::HttpOpenRequestW(connection.get(), L"GET", parts->target.c_str(),
                                                    nullptr, nullptr, nullptr, flags, 0));
    if (request.get() == nullptr) {
        return {};
    }
    // WinINet bounds each step (connecting, sending, each receive), not the whole; the
    // whole is bounded below, between reads.
    const DWORD receive = Milliseconds(limits.totalTimeout);
    if (!SetTimeout(request.get(), INTERNET_OPTION_CONNECT_TIMEOUT,
                    Milliseconds(limits.connectTimeout)) ||
        !SetTimeout(request.get(), INTERNET_OPTION_SEND_TIMEOUT, receive) ||
        !SetTimeout(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, receive)) {
        return {};
    }
    const auto deadline = std::chrono::steady_clock::now() + limits.totalTimeout;
    if (::HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0) == FALSE) {
        return {};
    }
    // Whatever the outcome, the bytes that arrived are the reply: a transfer that broke
    // off or was cut at the size limit still gives its first part.
    std::string body;
    char piece[kPiece];
    while (body.size() < limits.maxBodyBytes && std::chrono::steady_clock::now() < deadline) {
        const auto wanted =
            static_cast<DWORD>(std::min<std::size_t>(kPiece, limits.maxBodyBytes - body.size()));
        DWORD got = 0;
        if (::InternetReadFile(request.get(), piece, wanted, &got) == FALSE || got == 0) {
            break;
        }
        body.append(piece, got);
    }
    return body;
}

} // namespace lindrel::platform

#include "platform/Internet.h"
#include "platform/win32/Wide.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <wininet.h>

namespace lindrel::platform {

namespace {

constexpr DWORD kConnectTimeoutMs = 10'000;
constexpr DWORD kResponseTimeoutMs = 30'000;
constexpr DWORD kPiece = 4096;
constexpr DWORD kAnswerChars = 2048;
constexpr DWORD kFolderChars = 1024;

struct InternetCloser {
    void operator()(HINTERNET handle) const { ::InternetCloseHandle(handle); }
};
using Internet = std::unique_ptr<void, InternetCloser>;

std::string WithoutLineEnds(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// WinINet's own text for one of its codes, or the system's for any other.
std::string MessageFor(DWORD code) {
    wchar_t text[256] = {};
    const HMODULE wininet = ::GetModuleHandleW(L"wininet.dll");
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    wininet, code, 0, text, 256, nullptr);
    if (length == 0) {
        return win32::SystemMessage(code);
    }
    std::string message = WithoutLineEnds(win32::Narrow(std::wstring_view(text, length)));
    return message.empty() ? "internet error" : message;
}

// The FTP server's last answer on this thread ("550 No such file").
std::string LastAnswer() {
    DWORD code = 0;
    wchar_t text[kAnswerChars] = {};
    DWORD length = kAnswerChars;
    if (::InternetGetLastResponseInfoW(&code, text, &length) == FALSE) {
        return {};
    }
    return WithoutLineEnds(win32::Narrow(std::wstring_view(text, std::min(length, kAnswerChars))));
}

// The failure of the WinINet call just made, with the server's own answer when it refused
// (an error answer, or a refused login).
void Fail(InternetError& error, DWORD code) {
    error.code = static_cast<long>(code);
    error.message = MessageFor(code);
    error.serverAnswer.clear();
    if (code == ERROR_INTERNET_EXTENDED_ERROR || code == ERROR_INTERNET_INCORRECT_PASSWORD ||
        code == ERROR_INTERNET_LOGIN_FAILURE) {
        error.serverAnswer = LastAnswer();
    }
}

bool Done(InternetError& error, BOOL result) {
    if (result == FALSE) {
        Fail(error, ::GetLastError());
        return false;
    }
    return true;
}

DWORD TransferType(bool ascii) {
    return ascii ? FTP_TRANSFER_TYPE_ASCII : FTP_TRANSFER_TYPE_BINARY;
}

} // namespace

struct FtpConnection::Session {
    Internet root;
    Internet connection;
};

FtpConnection::FtpConnection(std::string userAgent) : session_(std::make_unique<Session>()) {
    // A direct connection, as the HTTP fetch's: the system's proxy settings are not used.
    session_->root.reset(::InternetOpenW(win32::Widen(userAgent).c_str(), INTERNET_OPEN_TYPE_DIRECT,
                                         nullptr, nullptr, 0));
    if (!session_->root) {
        return;
    }
    // A silent server cannot hold the window thread for ever: every step has a bound.
    for (const DWORD option : {static_cast<DWORD>(INTERNET_OPTION_CONNECT_TIMEOUT),
                               static_cast<DWORD>(INTERNET_OPTION_SEND_TIMEOUT),
                               static_cast<DWORD>(INTERNET_OPTION_RECEIVE_TIMEOUT)}) {
        DWORD milliseconds =
            option == INTERNET_OPTION_CONNECT_TIMEOUT ? kConnectTimeoutMs : kResponseTimeoutMs;
        ::InternetSetOptionW(session_->root.get(), option, &milliseconds, sizeof milliseconds);
    }
}

FtpConnection::~FtpConnection() {
    // The connection goes before the root handle it was made on.
    session_->connection.reset();
}

bool FtpConnection::Open(const std::string& server, int port, const std::string& user,
                         const std::string& password, bool passive, InternetError& error) {
    Close();
    if (!session_->root) {
        Fail(error, ERROR_INTERNET_INTERNAL_ERROR);
        return false;
    }
    session_->connection.reset(::InternetConnectW(
        session_->root.get(), win32::Widen(server).c_str(), static_cast<INTERNET_PORT>(port),
        win32::Widen(user).c_str(), win32::Widen(password).c_str(), INTERNET_SERVICE_FTP,
        passive ? INTERNET_FLAG_PASSIVE : 0, 0));
    if (!session_->connection) {
        Fail(error, ::GetLastError());
        return false;
    }
    return true;
}

void FtpConnection::Close() {
    session_->connection.reset();
}

std::optional<std::int64_t> FtpConnection::Size(const std::string& remote, bool& notThere,
                                                InternetError& error) {
    notThere = false;
    WIN32_FIND_DATAW found{};
    const Internet search(::FtpFindFirstFileW(
        session_->connection.get(), win32::Widen(remote).c_str(), &found, INTERNET_FLAG_RELOAD, 0));
    if (!search) {
        const DWORD code = ::GetLastError();
        // Nothing matched: the library says so (wine's with no code at all), or the
        // server's 550 does.
        notThere = code == ERROR_NO_MORE_FILES || code == ERROR_SUCCESS ||
                   (code == ERROR_INTERNET_EXTENDED_ERROR && LastAnswer().rfind("550", 0) == 0);
        Fail(error, code);
        return std::nullopt;
    }
    return (static_cast<std::int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

bool FtpConnection::Get(const std::string& remote, bool ascii,
                        const std::function<bool(const char*, std::size_t)>& sink,
                        InternetError& error) {
    const Internet file(::FtpOpenFileW(session_->connection.get(), win32::Widen(remote).c_str(),
                                       GENERIC_READ, TransferType(ascii) | INTERNET_FLAG_RELOAD,
                                       0));
    if (!file) {
        Fail(error, ::GetLastError());
        return false;
    }
    char piece[kPiece];
    while (true) {
        DWORD got = 0;
        if (::InternetReadFile(file.get(), piece, kPiece, &got) == FALSE) {
            Fail(error, ::GetLastError());
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (!sink(piece, got)) {
            error = {ERROR_CANCELLED, MessageFor(ERROR_CANCELLED), {}};
            return false;
        }
    }
}

bool FtpConnection::Put(const std::string& remote, bool ascii,
                        const std::function<std::size_t(char*, std::size_t)>& source,
                        InternetError& error) {
    const Internet file(::FtpOpenFileW(session_->connection.get(), win32::Widen(remote).c_str(),
                                       GENERIC_WRITE, TransferType(ascii), 0));
    if (!file) {
        Fail(error, ::GetLastError());
        return false;
    }
    char piece[kPiece];
    while (const std::size_t got = source(piece, kPiece)) {
        DWORD written = 0;
        if (::InternetWriteFile(file.get(), piece, static_cast<DWORD>(got), &written) == FALSE) {
            Fail(error, ::GetLastError());
            return false;
        }
    }
    return true;
}

bool FtpConnection::Rename(const std::string& from, const std::string& to, InternetError& error) {
    return Done(error, ::FtpRenameFileW(session_->connection.get(), win32::Widen(from).c_str(),
                                        win32::Widen(to).c_str()));
}

bool FtpConnection::MakeFolder(const std::string& folder, InternetError& error) {
    return Done(error,
                ::FtpCreateDirectoryW(session_->connection.get(), win32::Widen(folder).c_str()));
}

bool FtpConnection::RemoveFolder(const std::string& folder, InternetError& error) {
    return Done(error,
                ::FtpRemoveDirectoryW(session_->connection.get(), win32::Widen(folder).c_str()));
}

bool FtpConnection::Delete(const std::string& remote, InternetError& error) {
    return Done(error, ::FtpDeleteFileW(session_->connection.get(), win32::Widen(remote).c_str()));
}

bool FtpConnection::SetFolder(const std::string& folder, InternetError& error) {
    return Done(
        error, ::FtpSetCurrentDirectoryW(session_->connection.get(), win32::Widen(folder).c_str()));
}

std::optional<std::string> FtpConnection::Folder(InternetError& error) {
    wchar_t folder[kFolderChars] = {};
    DWORD length = kFolderChars;
    if (!Done(error, ::FtpGetCurrentDirectoryW(session_->connection.get(), folder, &length))) {
        return std::nullopt;
    }
    return win32::Narrow(std::wstring_view(folder, wcsnlen(folder, kFolderChars)));
}

} // namespace lindrel::platform

#include "update/clsFTP.h"

#include <cstdio>
#include <windows.h>
// After windows.h, which it builds on.
#include <wininet.h>

namespace lindrel {

namespace {

constexpr DWORD kConnectTimeoutMs = 10'000;
constexpr DWORD kResponseTimeoutMs = 30'000;
constexpr DWORD kMessageBytes = 256;
constexpr DWORD kResponseBytes = 2048;
constexpr DWORD kFolderBytes = 1024;
// A data connection that ended before the announced size.
constexpr DWORD kEndedEarly = ERROR_HANDLE_EOF;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

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
    char text[kMessageBytes] = {};
    const HMODULE wininet = ::GetModuleHandleA("wininet.dll");
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    wininet, code, 0, text, kMessageBytes, nullptr);
    if (length == 0) {
        length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, kMessageBytes, nullptr);
    }
    std::string message = WithoutLineEnds(std::string(text, length));
    return message.empty() ? "internet error" : message;
}

// The FTP server's last answer on this thread ("550 No such file").
std::string LastResponse() {
    DWORD code = 0;
    char text[kResponseBytes] = {};
    DWORD length = kResponseBytes;
    if (::InternetGetLastResponseInfoA(&code, text, &length) == FALSE) {
        return {};
    }
    return WithoutLineEnds(std::string(text, std::min(length, kResponseBytes)));
}

} // namespace

struct clsFTP::Session {
    Internet open;
    Internet connection;
};

clsFTP::clsFTP(const AppState& state) : state_(state), session_(std::make_unique<Session>()) {
    session_->open.reset(
        ::InternetOpenA("Orvo FTP Client", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session_->open) {
        const DWORD code = ::GetLastError();
        sLastError_ =
            "InternetOpen error code: " + std::to_string(code) + " Message: " + MessageFor(code);
        return;
    }
    // A silent server cannot hold the window thread for ever: every step has a bound.
    for (const DWORD option : {static_cast<DWORD>(INTERNET_OPTION_CONNECT_TIMEOUT),
                               static_cast<DWORD>(INTERNET_OPTION_SEND_TIMEOUT),
                               static_cast<DWORD>(INTERNET_OPTION_RECEIVE_TIMEOUT)}) {
        DWORD milliseconds =
            option == INTERNET_OPTION_CONNECT_TIMEOUT ? kConnectTimeoutMs : kResponseTimeoutMs;
        ::InternetSetOptionA(session_->open.get(), option, &milliseconds, sizeof milliseconds);
    }
}

clsFTP::~clsFTP() {
    // The connection goes before the root handle it was made on.
    session_->connection.reset();
}

namespace {

// Records the failure of a WinINet call with the code it left; the server's own answer
// when it refused (an error answer, or a refused login).
void RecordError(std::string& error, DWORD code, const char* operation) {
    if (code == ERROR_INTERNET_EXTENDED_ERROR || code == ERROR_INTERNET_INCORRECT_PASSWORD ||
        code == ERROR_INTERNET_LOGIN_FAILURE) {
        if (std::string response = LastResponse(); !response.empty()) {
            error = std::move(response);
            return;
        }
    }
    error = std::string(operation) + " error code: " + std::to_string(code) +
            " Message: " + MessageFor(code);
}

bool Done(std::string& error, BOOL result, const char* operation) {
    if (result == FALSE) {
        RecordError(error, ::GetLastError(), operation);
        return false;
    }
    return true;
}

} // namespace

bool clsFTP::Connect(const std::string& sServer, const std::string& sUser,
                     const std::string& sPassword, int port) {
    session_->connection.reset(::InternetConnectA(
        session_->open.get(), sServer.c_str(), static_cast<INTERNET_PORT>(port), sUser.c_str(),
        sPassword.c_str(), INTERNET_SERVICE_FTP, passive_ ? INTERNET_FLAG_PASSIVE : 0, 0));
    if (!session_->connection) {
        RecordError(sLastError_, ::GetLastError(), "InternetConnect");
        return false;
    }
    return true;
}

void clsFTP::CloseConnection() {
    session_->connection.reset();
}

namespace {

DWORD TransferType(bool ascii) {
    return ascii ? FTP_TRANSFER_TYPE_ASCII : FTP_TRANSFER_TYPE_BINARY;
}

} // namespace

bool clsFTP::SimpleFTPGetFile(const std::string& sLocal, const std::string& sRemote) {
    // Into a side file first, so that a transfer that breaks off never leaves a partial
    // file under the real name.
    const std::string partial = sLocal + ".part";
    const bool ok =
        Done(sLastError_,
             ::FtpGetFileA(session_->connection.get(), sRemote.c_str(), partial.c_str(), FALSE,
                           FILE_ATTRIBUTE_NORMAL, TransferType(ascii_) | INTERNET_FLAG_RELOAD, 0),
             "SimpleFtpGetFile");
    if (!ok || ::MoveFileExA(partial.c_str(), sLocal.c_str(), MOVEFILE_REPLACE_EXISTING) == FALSE) {
        ::DeleteFileA(partial.c_str());
        return false;
    }
    return true;
}

bool clsFTP::SimpleFTPPutFile(const std::string& sLocal, const std::string& sRemote) {
    if (!File(std::fopen(sLocal.c_str(), "rb"))) {
        sLastError_ = "SimpleFtpPutFile error code: 26 Message: cannot read " + sLocal;
        return false;
    }
    return Done(sLastError_,
                ::FtpPutFileA(session_->connection.get(), sLocal.c_str(), sRemote.c_str(),
                              TransferType(ascii_), 0),
                "SimpleFtpPutFile");
}

bool clsFTP::ReceiveChunks(const std::string& sRemote, std::FILE* out, std::size_t expected,
                           const std::string& path) {
    const Internet remote(::FtpOpenFileA(session_->connection.get(), sRemote.c_str(), GENERIC_READ,
                                         TransferType(ascii_) | INTERNET_FLAG_RELOAD, 0));
    if (!remote) {
        RecordError(sLastError_, ::GetLastError(), "FtpOpenFile:GetFile");
        return false;
    }
    const std::size_t wholeChunks = expected / kChunk;
    char chunk[kChunk];
    for (std::size_t done = 0; done < expected;) {
        const std::size_t wanted = std::min(kChunk, expected - done);
        const char* operation =
            done / kChunk < wholeChunks ? "InternetReadFile" : "InternetReadFile2";
        // A read may bring less than asked: the chunk is filled before it is written, and
        // only bytes that arrived are written.
        std::size_t filled = 0;
        while (filled < wanted) {
            DWORD got = 0;
            if (::InternetReadFile(remote.get(), chunk + filled,
                                   static_cast<DWORD>(wanted - filled), &got) == FALSE) {
                RecordError(sLastError_, ::GetLastError(), operation);
                return false;
            }
            if (got == 0) {
                RecordError(sLastError_, kEndedEarly, operation);
                return false;
            }
            filled += got;
        }
        if (std::fwrite(chunk, 1, filled, out) != filled) {
            sLastError_ = "FtpDownloadFile error code: 23 Message: cannot write " + path;
            return false;
        }
        done += filled;
        if (pumpEvents) {
            pumpEvents();
        }
    }
    return true;
}

bool clsFTP::SendChunks(const std::string& sRemote, std::FILE* in) {
    const Internet remote(::FtpOpenFileA(session_->connection.get(), sRemote.c_str(), GENERIC_WRITE,
                                         TransferType(ascii_), 0));
    if (!remote) {
        RecordError(sLastError_, ::GetLastError(), "FtpOpenFile:PutFile");
        return false;
    }
    char chunk[kChunk];
    while (true) {
        const std::size_t got = std::fread(chunk, 1, kChunk, in);
        DWORD written = 0;
        if (::InternetWriteFile(remote.get(), chunk, static_cast<DWORD>(got), &written) == FALSE) {
            RecordError(sLastError_, ::GetLastError(),
                        got == kChunk ? "InternetWriteFile" : "InternetWriteFile2");
            return false;
        }
        if (pumpEvents) {
            pumpEvents();
        }
        if (got < kChunk) {
            return true; // the last, short or empty, write
        }
    }
}

bool clsFTP::RenameFTPFile(const std::string& sExisting, const std::string& sNewName) {
    return Done(sLastError_,
                ::FtpRenameFileA(session_->connection.get(), sExisting.c_str(), sNewName.c_str()),
                "RenameFTPFile");
}

bool clsFTP::CreateFTPDirectory(const std::string& sDirectory) {
    return Done(sLastError_, ::FtpCreateDirectoryA(session_->connection.get(), sDirectory.c_str()),
                "CreateFTPDirectory");
}

bool clsFTP::RemoveFTPDirectory(const std::string& sDirectory) {
    return Done(sLastError_, ::FtpRemoveDirectoryA(session_->connection.get(), sDirectory.c_str()),
                "RemoveFTPDirectory");
}

bool clsFTP::DeleteFTPFile(const std::string& sRemote) {
    return Done(sLastError_, ::FtpDeleteFileA(session_->connection.get(), sRemote.c_str()),
                "DeleteFTPFile");
}

bool clsFTP::SetFTPDirectory(const std::string& sDir) {
    return Done(sLastError_, ::FtpSetCurrentDirectoryA(session_->connection.get(), sDir.c_str()),
                "FtpSetCurrentDirectory");
}

std::string clsFTP::GetFTPDirectory() {
    char folder[kFolderBytes] = {};
    DWORD length = kFolderBytes;
    if (!Done(sLastError_, ::FtpGetCurrentDirectoryA(session_->connection.get(), folder, &length),
              "FtpGetCurrentDirectory")) {
        return {};
    }
    return std::string(folder, strnlen(folder, kFolderBytes));
}

std::int32_t clsFTP::GetFTPFileSize(const std::string& sRemote) {
    WIN32_FIND_DATAA found{};
    const Internet search(::FtpFindFirstFileA(session_->connection.get(), sRemote.c_str(), &found,
                                              INTERNET_FLAG_RELOAD, 0));
    if (!search) {
        const DWORD code = ::GetLastError();
        // Nothing matched: the library says so (wine's with no code at all), or the
        // server's 550 does.
        if (code == ERROR_NO_MORE_FILES || code == ERROR_SUCCESS ||
            (code == ERROR_INTERNET_EXTENDED_ERROR && LastResponse().rfind("550", 0) == 0)) {
            sLastError_.clear();
            return -1;
        }
        RecordError(sLastError_, code, "FtpFindFirstFile");
        return -2;
    }
    // Only the low 32 bits, read as signed: 2 GiB and more come out negative.
    return static_cast<std::int32_t>(found.nFileSizeLow);
}

} // namespace lindrel

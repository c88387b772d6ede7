#include "update/clsFTP.h"

#include "base/Text.h"
#include "base/Version.h"
#include "core/AppState.h"
#include "platform/Platform.h"

namespace lindrel {

namespace {

// The code and text a transfer that ended before the file's announced size reports.
constexpr long kEndedEarly = 18;
constexpr std::size_t kCopyPiece = 4096;

// Trims both names in place, as the callers' variables are; false when one is then empty.
bool TrimNames(std::string& sLocal, std::string& sRemote) {
    sLocal = std::string(TrimSpaces(sLocal));
    sRemote = std::string(TrimSpaces(sRemote));
    return !sLocal.empty() && !sRemote.empty();
}

} // namespace

clsFTP::clsFTP(const AppState& state) : state_(state), connection_(kUserAgent) {}

clsFTP::~clsFTP() = default;

bool clsFTP::Failed(const char* operation, const platform::InternetError& error) {
    // When the server refused, its own words say most.
    sLastError_ = !error.serverAnswer.empty()
                      ? error.serverAnswer
                      : std::string(operation) + " error code: " + std::to_string(error.code) +
                            " Message: " + error.message;
    return false;
}

bool clsFTP::OpenConnection(const std::string& sServer, const std::string& sUser,
                            const std::string& sPassword, std::int32_t FTPPORT) {
    CloseConnection();
    if (FTPPORT > kMaxPort || FTPPORT < -kMaxPort - 1) {
        sLastError_ =
            "InternetConnect error code: 6 Message: Overflow: FTP port " + std::to_string(FTPPORT);
        return false;
    }
    platform::InternetError error;
    return connection_.Open(sServer, FTPPORT <= 0 ? kDefaultPort : FTPPORT, sUser, sPassword,
                            passive_, error) ||
           Failed("InternetConnect", error);
}

void clsFTP::CloseConnection() {
    connection_.Close();
}

bool clsFTP::SimpleFTPGetFile(const std::string& sLocal, const std::string& sRemote) {
    // Into a side file first, so that a transfer that breaks off never leaves a partial
    // file under the real name.
    const std::string partial = sLocal + ".part";
    auto out = platform::LocalFile::OpenToWrite(partial);
    if (!out) {
        sLastError_ = "SimpleFtpGetFile error code: 23 Message: cannot write " + sLocal;
        return false;
    }
    bool writeFailed = false;
    platform::InternetError error;
    const bool got = connection_.Get(
        sRemote, ascii_,
        [&](const char* data, std::size_t size) {
            writeFailed = !out->Write(data, size);
            return !writeFailed;
        },
        error);
    const bool kept = out->Close();
    if (!got || writeFailed || !kept || !platform::RenameFile(partial, sLocal)) {
        static_cast<void>(platform::RemoveFile(partial));
        if (!got && !writeFailed) {
            return Failed("SimpleFtpGetFile", error);
        }
        sLastError_ = "SimpleFtpGetFile error code: 23 Message: cannot write " + sLocal;
        return false;
    }
    return true;
}

bool clsFTP::SimpleFTPPutFile(const std::string& sLocal, const std::string& sRemote) {
    auto in = platform::LocalFile::OpenToRead(sLocal);
    if (!in) {
        sLastError_ = "SimpleFtpPutFile error code: 26 Message: cannot read " + sLocal;
        return false;
    }
    platform::InternetError error;
    return connection_.Put(
               sRemote, ascii_,
               [&](char* buffer, std::size_t size) {
                   return in->Read(buffer, std::min(size, kCopyPiece));
               },
               error) ||
           Failed("SimpleFtpPutFile", error);
}

bool clsFTP::FTPDownloadFile(std::string& sLocal, std::string& sRemote) {
    if (!TrimNames(sLocal, sRemote)) {
        return false;
    }
    const std::int32_t size = GetFTPFileSize(sRemote);
    if (size <= 0) {
        sLastError_ = "File Not Found";
        return false;
    }
    const auto expected = static_cast<std::size_t>(size);
    const std::string path = state_.AppFile(sLocal);
    // Opened to write, it is emptied: a longer old file never keeps a tail of stale bytes.
    auto out = platform::LocalFile::OpenToWrite(path);
    if (!out) {
        sLastError_ = "FtpDownloadFile error code: 23 Message: cannot write " + path;
        return false;
    }
    std::size_t written = 0;
    std::string chunk;
    bool writeFailed = false;
    const auto flush = [&](std::size_t count) {
        writeFailed = writeFailed || !out->Write(chunk.data(), count);
        written += count;
        chunk.erase(0, count);
        if (pumpEvents) {
            pumpEvents();
        }
    };
    // Only bytes that arrived are written, 255 at a time; the last chunk may be shorter.
    platform::InternetError error;
    const bool got = connection_.Get(
        sRemote, ascii_,
        [&](const char* data, std::size_t count) {
            chunk.append(data, count);
            while (chunk.size() >= kChunk) {
                flush(kChunk);
            }
            return !writeFailed && written + chunk.size() <= expected;
        },
        error);
    if (got && !chunk.empty()) {
        flush(chunk.size());
    }
    if (writeFailed || !out->Close()) {
        sLastError_ = "FtpDownloadFile error code: 23 Message: cannot write " + path;
        return false;
    }
    // The last, short chunk has its own name, as the chunks before it have theirs.
    const char* operation =
        written < expected / kChunk * kChunk ? "InternetReadFile" : "InternetReadFile2";
    if (!got) {
        return Failed(operation, error);
    }
    if (written != expected) {
        return Failed(operation, {kEndedEarly, "the transfer ended before the file's end", {}});
    }
    return true;
}

bool clsFTP::FTPUploadFile(std::string& sLocal, std::string& sRemote) {
    if (!TrimNames(sLocal, sRemote)) {
        return false;
    }
    auto in = platform::LocalFile::OpenToRead(sLocal);
    if (!in) {
        sLastError_ = "FtpUploadFile error code: 26 Message: cannot read " + sLocal;
        return false;
    }
    std::size_t sent = 0;
    platform::InternetError error;
    const bool put = connection_.Put(
        sRemote, ascii_,
        [&](char* buffer, std::size_t size) {
            const std::size_t got = in->Read(buffer, std::min(size, kChunk));
            sent += got;
            if (pumpEvents) {
                pumpEvents();
            }
            return got;
        },
        error);
    return put || Failed(sent % kChunk == 0 ? "InternetWriteFile" : "InternetWriteFile2", error);
}

bool clsFTP::RenameFTPFile(const std::string& sExisting, const std::string& sNewName) {
    platform::InternetError error;
    return connection_.Rename(sExisting, sNewName, error) || Failed("RenameFTPFile", error);
}

bool clsFTP::CreateFTPDirectory(const std::string& sDirectory) {
    platform::InternetError error;
    return connection_.MakeFolder(sDirectory, error) || Failed("CreateFTPDirectory", error);
}

bool clsFTP::RemoveFTPDirectory(const std::string& sDirectory) {
    platform::InternetError error;
    return connection_.RemoveFolder(sDirectory, error) || Failed("RemoveFTPDirectory", error);
}

bool clsFTP::DeleteFTPFile(const std::string& sRemote) {
    platform::InternetError error;
    return connection_.Delete(sRemote, error) || Failed("DeleteFTPFile", error);
}

bool clsFTP::SetFTPDirectory(const std::string& sDir) {
    platform::InternetError error;
    return connection_.SetFolder(sDir, error) || Failed("FtpSetCurrentDirectory", error);
}

std::string clsFTP::GetFTPDirectory() {
    platform::InternetError error;
    auto folder = connection_.Folder(error);
    if (!folder) {
        Failed("FtpGetCurrentDirectory", error);
        return {};
    }
    return std::move(*folder);
}

std::int32_t clsFTP::GetFTPFileSize(const std::string& sRemote) {
    bool notThere = false;
    platform::InternetError error;
    const auto size = connection_.Size(sRemote, notThere, error);
    if (!size) {
        if (notThere) {
            sLastError_.clear();
            return -1;
        }
        Failed("FtpFindFirstFile", error);
        return -2;
    }
    // Only the low 32 bits, read as signed: 2 GiB and more come out negative.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*size & 0xffffffff));
}

} // namespace lindrel

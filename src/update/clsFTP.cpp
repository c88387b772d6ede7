#include "update/clsFTP.h"

#include "base/Text.h"
#include "core/AppState.h"

namespace lindrel {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Trims both names in place, as the callers' variables are; false when one is then empty.
bool TrimNames(std::string& sLocal, std::string& sRemote) {
    sLocal = std::string(TrimSpaces(sLocal));
    sRemote = std::string(TrimSpaces(sRemote));
    return !sLocal.empty() && !sRemote.empty();
}

} // namespace

// The port's check, and the chunked transfers' checks and local files: the same over
// every internet library.

bool clsFTP::OpenConnection(const std::string& sServer, const std::string& sUser,
                            const std::string& sPassword, std::int32_t FTPPORT) {
    CloseConnection();
    if (FTPPORT > kMaxPort || FTPPORT < -kMaxPort - 1) {
        sLastError_ =
            "InternetConnect error code: 6 Message: Overflow: FTP port " + std::to_string(FTPPORT);
        return false;
    }
    return Connect(sServer, sUser, sPassword, FTPPORT <= 0 ? kDefaultPort : FTPPORT);
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
    const std::string path = state_.AppFile(sLocal);
    // "wb" truncates: a longer old file never keeps a tail of stale bytes.
    File out(std::fopen(path.c_str(), "wb"));
    if (!out) {
        sLastError_ = "FtpDownloadFile error code: 23 Message: cannot write " + path;
        return false;
    }
    return ReceiveChunks(sRemote, out.get(), static_cast<std::size_t>(size), path) &&
           std::fclose(out.release()) == 0;
}

bool clsFTP::FTPUploadFile(std::string& sLocal, std::string& sRemote) {
    if (!TrimNames(sLocal, sRemote)) {
        return false;
    }
    const File in(std::fopen(sLocal.c_str(), "rb"));
    if (!in) {
        sLastError_ = "FtpUploadFile error code: 26 Message: cannot read " + sLocal;
        return false;
    }
    return SendChunks(sRemote, in.get());
}

} // namespace lindrel

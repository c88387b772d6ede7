#include "platform/posix/CurlGlobal.h"

#include <curl/curl.h>
#include <libssh2.h>

namespace lindrel::platform {

bool EnsureCurlReady() {
    static const bool ready = [] {
        // The program speaks HTTP and FTP only, but Debian's libcurl also carries libssh2,
        // whose first initialisation sets up OpenSSL's every cipher and engine: 1.4 MiB and
        // a few milliseconds of the start. Initialised first without its crypto, libssh2
        // only counts libcurl's own call.
        static_cast<void>(libssh2_init(LIBSSH2_INIT_NO_CRYPTO));
        return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    }();
    return ready;
}

} // namespace lindrel::platform

#include "curlstart.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <mutex>

namespace zva {
namespace {

// libssh2's LIBSSH2_INIT_NO_CRYPTO.
constexpr int kLibssh2WithoutCrypto = 0x0001;

// curl_global_init starts libssh2, which libcurl brings for SCP and SFTP, and libssh2 then
// starts OpenSSL's ciphers and engines: about 1.5 MB of pages in every process, for protocols
// no request here allows. libssh2 starts its crypto only at its first start, so starting it
// once before libcurl does, without crypto, leaves OpenSSL untouched. A libcurl without
// libssh2 has none loaded, and nothing happens.
void startLibssh2WithoutCrypto() {
    void* libssh2 = dlopen("libssh2.so.1", RTLD_LAZY | RTLD_NOLOAD);
    if (libssh2 == nullptr) {
        return;
    }
    using Init = int (*)(int);
    if (auto init = reinterpret_cast<Init>(dlsym(libssh2, "libssh2_init"))) {
        init(kLibssh2WithoutCrypto);
    }
    dlclose(libssh2);
}

}  // namespace

void startCurl() {
    static std::once_flag once;
    std::call_once(once, [] {
        startLibssh2WithoutCrypto();
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
}

}  // namespace zva

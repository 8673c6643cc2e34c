#include "net/CTlsContext.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <cstdlib>

namespace {

std::mutex g_lock;
SSL_CTX* g_context = nullptr;
std::string g_contextCaFile;
std::string g_extraCaFile;
bool g_extraCaFileSet = false;

std::string CaFileInForce() {
    if (g_extraCaFileSet) {
        return g_extraCaFile;
    }
    const char* fromEnvironment = std::getenv("KELDWICK_CA_FILE");
    return fromEnvironment != nullptr ? fromEnvironment : "";
}

int OnNewSession(SSL* ssl, SSL_SESSION* session) {
    auto* sink = static_cast<ITlsSessionSink*>(SSL_get_app_data(ssl));
    if (sink == nullptr) {
        return 0;
    }
    sink->TakeSession(session);
    return 1;
}

} // namespace

void CTlsContext::SetExtraCaFile(const std::string& path) {
    const std::lock_guard lock(g_lock);
    g_extraCaFile = path;
    g_extraCaFileSet = !path.empty();
}

SSL_CTX* CTlsContext::Make(const std::string& caFile, std::string& failure) {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (context == nullptr) {
        failure = "the TLS library could not make a context";
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    // The system's store is always trusted; a private CA file adds to it, never replaces it.
    SSL_CTX_set_default_verify_paths(context);
    if (!caFile.empty() && SSL_CTX_load_verify_locations(context, caFile.c_str(), nullptr) != 1) {
        ERR_clear_error();
        SSL_CTX_free(context);
        failure = "the CA file " + caFile + " holds no certificate that can be read";
        return nullptr;
    }
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    // A record is read whole with what follows it, not its five-byte header first.
    SSL_CTX_set_read_ahead(context, 1);
    // Sessions go to the connection that made them (see CTlsSocket), not to a shared cache.
    SSL_CTX_set_session_cache_mode(context,
                                   SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(context, OnNewSession);
    return context;
}

SSL_CTX* CTlsContext::Acquire(std::string& failure) {
    const std::lock_guard lock(g_lock);
    const std::string caFile = CaFileInForce();
    if (g_context == nullptr || caFile != g_contextCaFile) {
        SSL_CTX* made = Make(caFile, failure);
        if (made == nullptr) {
            return nullptr;
        }
        // Connections made from the old context keep it alive through their own references.
        SSL_CTX_free(g_context);
        g_context = made;
        g_contextCaFile = caFile;
    }
    SSL_CTX_up_ref(g_context);
    return g_context;
}

#pragma once
// The process's one OpenSSL client context: TLS 1.2 or newer, the peer's chain checked against
// the system's trust store plus an optional PEM file of private CAs, client sessions handed to
// their connection for resumption. Made when first asked for, and made again when the CA file
// changes.

#include <mutex>
#include <string>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_session_st SSL_SESSION;

// Where a connection's new sessions go: the connection's app data points at one.
class ITlsSessionSink {
public:
    // Takes over the reference to `session`.
    virtual void TakeSession(SSL_SESSION* session) = 0;

protected:
    ~ITlsSessionSink() = default;
};

class CTlsContext {
public:
    // The context for the CA file in force (SetExtraCaFile, else KELDWICK_CA_FILE), with one
    // reference for the caller (SSL_CTX_free it), or null with `failure` set.
    [[nodiscard]] static SSL_CTX* Acquire(std::string& failure);
    static void SetExtraCaFile(const std::string& path);

private:
    [[nodiscard]] static SSL_CTX* Make(const std::string& caFile, std::string& failure);
};

#include "net/CTlsSocket.h"

#include "net/CTlsContext.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <sys/socket.h>
#include <utility>

// The OpenSSL side of one connection. The session outlives connections: it is what the next
// handshake to the same place resumes.
struct CTlsSocket::State final : ITlsSessionSink {
    SSL* ssl = nullptr;
    SSL_SESSION* session = nullptr;
    std::string sessionFor;
    std::string connectingTo;
    std::string failure;
    // Set while PeerHasClosed looks without waiting.
    bool probing = false;
    bool sawEnd = false;
    // The first failure of the chain check, and the names of the certificate when they did not
    // match the host.
    int verifyError = 0;
    std::string certificateNames;
    std::string host;
    TlsSessionInfo info;
    TlsCounters counters;
    std::string scratch;

    void TakeSession(SSL_SESSION* fresh) override {
        SSL_SESSION_free(session);
        session = fresh;
        sessionFor = connectingTo;
    }
    ~State() {
        SSL_free(ssl);
        SSL_SESSION_free(session);
    }
};

// The BIO under each connection's TLS: its reads and writes are the socket's bounded ones.
struct TlsBridge {
    static CTlsSocket* Owner(BIO* bio) { return static_cast<CTlsSocket*>(BIO_get_data(bio)); }

    static int Read(BIO* bio, char* data, size_t room, size_t* got) {
        CTlsSocket* socket = Owner(bio);
        BIO_clear_retry_flags(bio);
        *got = 0;
        if (socket->m_tls->probing) {
            const ssize_t n = recv(socket->NativeHandle(), data, room, MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                BIO_set_retry_read(bio);
                return 0;
            }
            *got = n > 0 ? static_cast<size_t>(n) : 0;
            return n > 0 ? 1 : 0;
        }
        auto length = static_cast<std::uint32_t>(std::min<size_t>(room, UINT32_MAX));
        if (!socket->CSyncSocket::ReceiveSome(data, length) || length == 0) {
            socket->m_tls->sawEnd = length == 0;
            return 0;
        }
        *got = length;
        return 1;
    }

    static int Write(BIO* bio, const char* data, size_t length, size_t* written) {
        CTlsSocket* socket = Owner(bio);
        BIO_clear_retry_flags(bio);
        const SocketBuffer piece{data, length};
        std::uint32_t sent = 0;
        const bool ok = socket->CSyncSocket::SendBuffers({&piece, 1}, sent);
        *written = sent;
        return ok && sent == length ? 1 : 0;
    }

    static long Control(BIO*, int command, long, void*) {
        return command == BIO_CTRL_FLUSH ? 1 : 0;
    }

    static BIO_METHOD* Method() {
        static BIO_METHOD* const method = [] {
            BIO_METHOD* made =
                BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "keldwick socket");
            BIO_meth_set_read_ex(made, Read);
            BIO_meth_set_write_ex(made, Write);
            BIO_meth_set_ctrl(made, Control);
            return made;
        }();
        return method;
    }

    static int Verify(int ok, X509_STORE_CTX* store) {
        auto* ssl = static_cast<SSL*>(
            X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
        auto* state =
            static_cast<CTlsSocket::State*>(static_cast<ITlsSessionSink*>(SSL_get_app_data(ssl)));
        const int error = X509_STORE_CTX_get_error(store);
        if (ok == 0 && state->verifyError == 0) {
            state->verifyError = error;
            if (error == X509_V_ERR_HOSTNAME_MISMATCH || error == X509_V_ERR_IP_ADDRESS_MISMATCH) {
                state->certificateNames = NamesOf(X509_STORE_CTX_get_current_cert(store));
            }
        }
        return ok;
    }

    // The DNS names and addresses a certificate is for, else its common name.
    static std::string NamesOf(X509* certificate) {
        std::string names;
        auto* list = static_cast<GENERAL_NAMES*>(
            X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
        for (int i = 0; i < sk_GENERAL_NAME_num(list); ++i) {
            const GENERAL_NAME* name = sk_GENERAL_NAME_value(list, i);
            std::string one;
            if (name->type == GEN_DNS) {
                const ASN1_STRING* text = name->d.dNSName;
                one.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(text)),
                           static_cast<std::size_t>(ASN1_STRING_length(text)));
            } else if (name->type == GEN_IPADD) {
                const ASN1_STRING* bytes = name->d.iPAddress;
                char text[INET6_ADDRSTRLEN] = {};
                const int family = ASN1_STRING_length(bytes) == 16 ? AF_INET6 : AF_INET;
                if (inet_ntop(family, ASN1_STRING_get0_data(bytes), text, sizeof text) != nullptr) {
                    one = text;
                }
            }
            if (!one.empty()) {
                names.append(names.empty() ? "" : ", ").append(one);
            }
        }
        GENERAL_NAMES_free(list);
        if (names.empty()) {
            char common[256] = {};
            if (X509_NAME_get_text_by_NID(X509_get_subject_name(certificate), NID_commonName,
                                          common, sizeof common) > 0) {
                names = common;
            }
        }
        return names.empty() ? "no name" : names;
    }
};

namespace {

bool IsAddressLiteral(const char* host) {
    unsigned char address[16];
    return inet_pton(AF_INET, host, address) == 1 || inet_pton(AF_INET6, host, address) == 1;
}

std::string NameLine(X509_NAME* name) {
    if (name == nullptr) {
        return "(none)";
    }
    char text[512] = {};
    X509_NAME_oneline(name, text, sizeof text);
    return text;
}

} // namespace

CTlsSocket::CTlsSocket() : m_tls(std::make_unique<State>()) {}

CTlsSocket::~CTlsSocket() {
    CTlsSocket::CloseConnection();
}

void CTlsSocket::SetExtraCaFile(const std::string& path) {
    CTlsContext::SetExtraCaFile(path);
}

bool CTlsSocket::IsSecured() const {
    return m_tls->ssl != nullptr;
}
const std::string& CTlsSocket::TlsFailure() const {
    return m_tls->failure;
}
const TlsSessionInfo& CTlsSocket::SessionInfo() const {
    return m_tls->info;
}
const TlsCounters& CTlsSocket::TlsCounts() const {
    return m_tls->counters;
}

namespace {

// Why a handshake failed, in words, from what the chain check and the library recorded.
std::string HandshakeFailure(const CTlsSocket::State& state) {
    const int error = state.verifyError;
    if (error == X509_V_ERR_HOSTNAME_MISMATCH || error == X509_V_ERR_IP_ADDRESS_MISMATCH) {
        return "certificate is for " + state.certificateNames + ", not " + state.host;
    }
    if (error == X509_V_ERR_CERT_HAS_EXPIRED) {
        return "certificate has expired";
    }
    if (error != 0) {
        return std::string("certificate verify failed (") + X509_verify_cert_error_string(error) +
               ")";
    }
    if (state.sawEnd) {
        return "the server closed the connection during the handshake";
    }
    const unsigned long code = ERR_peek_last_error();
    const char* reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
    return reason != nullptr ? reason : "the handshake did not complete";
}

} // namespace

bool CTlsSocket::StartTls(const char* host, std::uint16_t port) {
    State& state = *m_tls;
    state.failure.clear();
    state.verifyError = 0;
    state.sawEnd = false;
    state.info = {};
    state.host = host;
    state.connectingTo = std::string(host) + ":" + std::to_string(port);
    ERR_clear_error();
    SSL_CTX* context = CTlsContext::Acquire(state.failure);
    if (context == nullptr) {
        CloseConnection();
        return false;
    }
    state.ssl = SSL_new(context);
    SSL_CTX_free(context);
    BIO* bio = state.ssl != nullptr ? BIO_new(TlsBridge::Method()) : nullptr;
    if (bio == nullptr) {
        state.failure = "the TLS library could not make a connection";
        CloseConnection();
        return false;
    }
    BIO_set_data(bio, this);
    BIO_set_init(bio, 1);
    SSL_set_bio(state.ssl, bio, bio);
    SSL_set_app_data(state.ssl, static_cast<ITlsSessionSink*>(&state));
    SSL_set_verify(state.ssl, SSL_VERIFY_PEER, TlsBridge::Verify);
    if (IsAddressLiteral(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(state.ssl), host);
    } else {
        SSL_set_tlsext_host_name(state.ssl, host);
        SSL_set1_host(state.ssl, host);
        SSL_set_hostflags(state.ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    }
    if (state.session != nullptr && state.sessionFor == state.connectingTo) {
        SSL_set_session(state.ssl, state.session);
    }
    m_lastError = 0;
    if (SSL_connect(state.ssl) != 1) {
        if (m_lastError == 0) {
            state.failure = HandshakeFailure(state);
        }
        ERR_clear_error();
        // The peer never finished the handshake: no close_notify is owed.
        SSL_set_quiet_shutdown(state.ssl, 1);
        CloseConnection();
        return false;
    }
    RecordSession();
    return true;
}

void CTlsSocket::RecordSession() {
    State& state = *m_tls;
    TlsSessionInfo& info = state.info;
    info.version = SSL_get_version(state.ssl);
    info.cipher = SSL_get_cipher_name(state.ssl);
    info.resumed = SSL_session_reused(state.ssl) == 1;
    if (X509* peer = SSL_get1_peer_certificate(state.ssl)) {
        info.subject = NameLine(X509_get_subject_name(peer));
        info.issuer = NameLine(X509_get_issuer_name(peer));
        X509_free(peer);
    }
    ++(info.resumed ? state.counters.resumptions : state.counters.fullHandshakes);
}

bool CTlsSocket::SendBuffers(std::span<const SocketBuffer> buffers, std::uint32_t& bytesSent) {
    SSL* ssl = m_tls->ssl;
    if (ssl == nullptr) {
        return CSyncSocket::SendBuffers(buffers, bytesSent);
    }
    bytesSent = 0;
    // One TLS write for the whole request keeps it in as few records and sends as it can.
    const void* data = buffers.empty() ? nullptr : buffers[0].data;
    std::size_t length = buffers.empty() ? 0 : buffers[0].length;
    if (buffers.size() > 1) {
        std::string& joined = m_tls->scratch;
        joined.clear();
        for (const SocketBuffer& buffer : buffers) {
            joined.append(static_cast<const char*>(buffer.data), buffer.length);
        }
        data = joined.data();
        length = joined.size();
    }
    if (length == 0) {
        return true;
    }
    m_lastError = 0;
    std::size_t written = 0;
    if (SSL_write_ex(ssl, data, length, &written) != 1) {
        if (m_lastError == 0) {
            m_lastError = ECONNRESET;
        }
        ERR_clear_error();
        return false;
    }
    bytesSent = static_cast<std::uint32_t>(written);
    return true;
}

bool CTlsSocket::ReceiveSome(void* buffer, std::uint32_t& length) {
    SSL* ssl = m_tls->ssl;
    if (ssl == nullptr) {
        return CSyncSocket::ReceiveSome(buffer, length);
    }
    const std::uint32_t room = length;
    length = 0;
    m_lastError = 0;
    std::size_t got = 0;
    if (SSL_read_ex(ssl, buffer, room, &got) == 1) {
        length = static_cast<std::uint32_t>(got);
        return true;
    }
    const int error = SSL_get_error(ssl, 0);
    ERR_clear_error();
    // The server's close_notify is the clean end of the stream.
    if (error == SSL_ERROR_ZERO_RETURN) {
        return true;
    }
    // A close without close_notify may be a cut made by someone else: not a clean end.
    if (m_lastError == 0) {
        m_lastError = ECONNRESET;
    }
    return false;
}

bool CTlsSocket::PeerHasClosed() {
    SSL* ssl = m_tls->ssl;
    if (ssl == nullptr) {
        return CSyncSocket::PeerHasClosed();
    }
    // Decrypted bytes nobody asked for make the connection unfit, as on a plain one.
    if (SSL_pending(ssl) > 0) {
        return true;
    }
    if (!CSyncSocket::PeerHasClosed()) {
        return false;
    }
    // Something arrived: a session ticket leaves the connection fit, anything else does not.
    m_tls->probing = true;
    char probe = 0;
    std::size_t got = 0;
    const int result = SSL_peek_ex(ssl, &probe, 1, &got);
    const int error = SSL_get_error(ssl, result);
    m_tls->probing = false;
    ERR_clear_error();
    return !(result != 1 && error == SSL_ERROR_WANT_READ);
}

void CTlsSocket::CloseConnection() {
    if (m_tls != nullptr && m_tls->ssl != nullptr) {
        SSL* ssl = std::exchange(m_tls->ssl, nullptr);
        if (IsConnected()) {
            // The close_notify tells the server the end is meant; its answer is not awaited.
            SSL_shutdown(ssl);
        }
        ERR_clear_error();
        SSL_free(ssl);
    }
    CSyncSocket::CloseConnection();
}

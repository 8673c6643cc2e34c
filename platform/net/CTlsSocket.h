#pragma once
// A client connection that can speak TLS (1.2 or newer) over the TCP connection of CSyncSocket.
// Until StartTls succeeds it is a plain CSyncSocket, byte for byte. After it, sends and receives
// go through TLS, and every byte TLS moves on the wire goes through CSyncSocket's own bounded
// sends and receives: the handshake and each TLS read and write keep the wait bound and the
// deadline, and a time-out leaves net::kErrorTimedOut in m_lastError as on a plain connection.
//
// Trust: the system's store (OpenSSL's default paths), plus the CA certificates of one PEM file
// when one is named (SetExtraCaFile, else the variable KELDWICK_CA_FILE). Nothing turns the check
// off. The certificate must be for the host the caller names, or for its address when the host
// is an IP literal.
//
// The session of the last handshake is kept, so that the next connection to the same host and
// port resumes it instead of making a full handshake.

#include "net/CSyncSocket.h"

#include <cstdint>
#include <memory>
#include <string>

// What the last handshake agreed, for a person reading a trace.
struct TlsSessionInfo {
    std::string version;
    std::string cipher;
    std::string subject;
    std::string issuer;
    bool resumed = false;
};

struct TlsCounters {
    std::uint32_t fullHandshakes = 0;
    std::uint32_t resumptions = 0;
};

class CTlsSocket : public CSyncSocket {
public:
    CTlsSocket();
    ~CTlsSocket() override;

    // Makes the open connection a TLS one for `host` (sent as the server name unless it is an IP
    // literal) at `port`. On false the connection is closed and TlsFailure says why, unless a wait
    // ran out or the socket failed (m_lastError then holds the reason).
    [[nodiscard]] bool StartTls(const char* host, std::uint16_t port);
    [[nodiscard]] bool IsSecured() const;
    [[nodiscard]] const std::string& TlsFailure() const;
    [[nodiscard]] const TlsSessionInfo& SessionInfo() const;
    [[nodiscard]] const TlsCounters& TlsCounts() const;

    // A PEM file of CA certificates trusted beside the system's for connections started after
    // the call; empty: back to KELDWICK_CA_FILE.
    static void SetExtraCaFile(const std::string& path);

    [[nodiscard]] bool SendBuffers(std::span<const SocketBuffer> buffers,
                                   std::uint32_t& bytesSent) override;
    [[nodiscard]] bool ReceiveSome(void* buffer, std::uint32_t& length) override;
    void CloseConnection() override;
    // Over TLS a close_notify, a closed socket or application bytes nobody asked for count as
    // closed; a session ticket that arrived while idle does not.
    [[nodiscard]] bool PeerHasClosed() override;

    struct State;

private:
    friend struct TlsBridge;

    void RecordSession();

    std::unique_ptr<State> m_tls;
};

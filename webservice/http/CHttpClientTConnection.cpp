#include "webservice/http/CHttpClientT.h"

// Connection and reuse: which kept connection is fit for the next request, and the one resend of
// a request whose kept connection turned out to be closed.

void CHttpClientT::DropUnfitConnection() {
    if (m_peerClosed) {
        CloseConnection();
        m_peerClosed = false;
    }
    if (!IsConnected()) {
        return;
    }
    if (m_connectedHost != m_currentUrl.HostName() ||
        m_connectedPort != m_currentUrl.PortNumber() ||
        m_connectedSecure != (m_currentUrl.Scheme() == UrlSchemeHttps) ||
        m_connectedProxy != (m_proxy.Used() ? m_proxy.Where() : std::string())) {
        CloseConnection();
        return;
    }
    // A server may close a kept connection while it lies idle; a request sent on it could be read
    // and then lost with the connection. Looking first costs one call, so only an idle one pays.
    if (m_responsesOnConnection > 0 && Clock::now() - m_lastResponseEnd >= m_idleCheckAfter &&
        PeerHasClosed()) {
        CloseConnection();
    }
}

bool CHttpClientT::EnsureConnected() {
    DropUnfitConnection();
    if (IsConnected()) {
        if (m_trace != nullptr) {
            m_trace->OnReusing(m_connectedHost, m_connectedPort);
        }
        return true;
    }
    m_stage = ExchangeStage::Connecting;
    // Through a proxy the connection goes to the proxy; an https one then tunnels through it.
    const bool viaProxy = m_proxy.Used();
    const std::uint16_t port = viaProxy ? m_proxy.port : m_currentUrl.PortNumber();
    if (!ConnectTo(viaProxy ? m_proxy.host.c_str() : m_currentUrl.HostNameText(), port)) {
        return false;
    }
    if (m_trace != nullptr) {
        m_trace->OnConnected(viaProxy ? m_proxy.host : m_currentUrl.HostName(), port);
    }
    ++m_counters.connectionsOpened;
    m_connectedSecure = m_currentUrl.Scheme() == UrlSchemeHttps;
    m_connectedProxy = viaProxy ? m_proxy.Where() : std::string();
    if (m_connectedSecure && viaProxy && !OpenTunnel()) {
        CloseConnection();
        return false;
    }
    if (m_connectedSecure && !SecureConnection()) {
        return false;
    }
    m_connectedHost.assign(m_currentUrl.HostName());
    m_connectedPort = m_currentUrl.PortNumber();
    m_responsesOnConnection = 0;
    return true;
}

void CHttpClientT::Resend() {
    CloseConnection();
    if (m_trace != nullptr) {
        m_trace->OnResending();
    }
}

// A connection kept from an earlier exchange may have been closed by the server in the meantime;
// that shows as a failed send or as a close before any response byte. Such a request is sent once
// more on a fresh connection. `sent` reports whether the request reached a connection.
bool CHttpClientT::SendAndRead(const std::string& head, bool& sent) {
    for (int attempt = 0;; ++attempt) {
        if (!EnsureConnected()) {
            sent = false;
            return false;
        }
        const bool reused = m_responsesOnConnection > 0;
        sent = true;
        m_lastError = 0;
        m_stage = ExchangeStage::Sending;
        if (!SendRequestOnce(head)) {
            if (reused && attempt == 0 && m_lastError != net::kErrorTimedOut) {
                Resend();
                continue;
            }
            return false;
        }
        m_stage = ExchangeStage::Receiving;
        const ReadOutcome outcome = ReadResponse();
        // A slow server is not a closed one: a time-out is not retried.
        if (outcome == ReadHeadMissing && m_response.Length() == 0 && reused && attempt == 0 &&
            m_lastError != net::kErrorTimedOut) {
            Resend();
            continue;
        }
        return outcome == ReadSucceeded;
    }
}

bool CHttpClientT::SecureConnection() {
    m_stage = ExchangeStage::Securing;
    if (!StartTls(m_currentUrl.HostNameText(), m_currentUrl.PortNumber())) {
        return false;
    }
    if (m_trace != nullptr) {
        const TlsSessionInfo& info = SessionInfo();
        m_trace->OnNote(info.version + " with " + info.cipher + ", " +
                        (info.resumed ? "session resumed" : "full handshake"));
        m_trace->OnNote("server certificate: subject " + info.subject + ", issuer " + info.issuer);
    }
    m_stage = ExchangeStage::Connecting;
    return true;
}

// CONNECT host:port through the proxy; any answer but 2xx refuses the tunnel.
bool CHttpClientT::OpenTunnel() {
    m_stage = ExchangeStage::Tunnelling;
    std::string target;
    AppendHostForHead(target);
    target.append(":").append(std::to_string(m_currentUrl.PortNumber()));
    const std::string head = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n" +
                             m_proxy.authorizationLine + "\r\n";
    if (m_trace != nullptr) {
        m_trace->OnRequest(MaskProxyCredentials(head), {});
    }
    const SocketBuffer piece{head.data(), head.size()};
    std::uint32_t sent = 0;
    ++m_counters.sends;
    if (!SendBuffers({&piece, 1}, sent) || sent != head.size()) {
        return false;
    }
    m_response.Reset();
    m_parsePosition = 0;
    if (FindHeadEnd(0) != HeadSearch::Found || ParseHead(0) != ReadSucceeded) {
        m_failureNote = "the proxy " + m_proxy.Where() + " gave no answer to CONNECT";
        return false;
    }
    if (m_trace != nullptr) {
        m_trace->OnResponse(Head(), {});
    }
    const bool accepted =
        m_statusCode >= 200 && m_statusCode <= 299 && m_parsePosition == m_response.Length();
    if (!accepted) {
        m_failureNote = "the proxy " + m_proxy.Where() + " refused the tunnel to " + target +
                        ": it answered \"" + std::string(StatusLine()) + "\"";
        return false;
    }
    m_response.Reset();
    m_headers.RemoveAll();
    m_statusCode = -1;
    m_headLength = 0;
    m_parsePosition = 0;
    return true;
}

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
        m_connectedSecure != (m_currentUrl.Scheme() == UrlSchemeHttps)) {
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
    if (!ConnectTo(m_currentUrl.HostNameText(), m_currentUrl.PortNumber())) {
        return false;
    }
    if (m_trace != nullptr) {
        m_trace->OnConnected(m_currentUrl.HostName(), m_currentUrl.PortNumber());
    }
    ++m_counters.connectionsOpened;
    m_connectedSecure = m_currentUrl.Scheme() == UrlSchemeHttps;
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

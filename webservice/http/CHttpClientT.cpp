#include "webservice/http/CHttpClientT.h"

#include "webservice/http/HttpText.h"

#include <algorithm>
#include <cstring>
#include <netdb.h>

// The exchange as a whole: taking the URL, running the steps, judging the status and saying why
// an exchange failed. The steps live beside this file: connection and reuse, writing the request,
// reading the response, redirects.

namespace {

using httptext::Printable;
using httptext::Trim;
using text::EqualsIgnoringAsciiCase;

// "4 s" for whole seconds, "1500 ms" otherwise.
std::string Duration(std::uint64_t milliseconds) {
    return milliseconds % 1000 == 0 ? std::to_string(milliseconds / 1000) + " s"
                                    : std::to_string(milliseconds) + " ms";
}

} // namespace

CHttpClientT::CHttpClientT() {
    ResetExchange();
}

CHttpClientT::~CHttpClientT() = default;

bool CHttpClientT::NegotiateAuth(bool) {
    return false;
}

void CHttpClientT::OnSetCookie(std::string_view) {}

void CHttpClientT::ResetExchange() {
    m_stage = ExchangeStage::Preparing;
    m_failureNote.clear();
    m_headers.RemoveAll();
    m_response.Reset();
    m_currentUrl.Clear();
    m_method.clear();
    m_headStart = m_headLength = m_bodyLength = 0;
    m_parsePosition = 0;
    m_statusCode = -1;
    m_options = nullptr;
    m_readOutcome = ReadNothingYet;
    m_redirects = 0;
    m_redirectFailed = false;
}

std::uint32_t CHttpClientT::EffectiveWait() const {
    return net::EffectiveWaitMs(m_waitTimeout);
}

bool CHttpClientT::FindHeader(std::string_view name, std::string& value) const {
    const std::string* found = m_headers.Find(name);
    if (found == nullptr) {
        return false;
    }
    value = *found;
    return true;
}

// Stored values keep trailing white space; the framing headers are judged without it.
bool CHttpClientT::HeaderEquals(const HeaderTable::Key& name, std::string_view value) const {
    const std::string* found = m_headers.Find(name);
    return found != nullptr && EqualsIgnoringAsciiCase(Trim(*found), value);
}

std::string_view CHttpClientT::Head() const {
    return m_response.View().substr(std::min<std::size_t>(m_headStart, m_response.Length()),
                                    m_headLength);
}

const char* CHttpClientT::BodyStart() const {
    const std::size_t offset =
        std::min<std::size_t>(std::size_t{m_headStart} + m_headLength, m_response.Length());
    return m_response.Data() + offset;
}

bool CHttpClientT::TakeUrl(const UrlParts& url) {
    m_currentUrl = url;
    const bool secure = m_currentUrl.Scheme() == UrlSchemeHttps;
    if ((m_currentUrl.Scheme() != UrlSchemeHttp && !secure) || m_currentUrl.HostName().empty()) {
        return false;
    }
    if (m_currentUrl.UrlPath().empty() && !m_currentUrl.SetUrlPath("/")) {
        return false;
    }
    if (m_currentUrl.PortNumber() == 0) {
        m_currentUrl.SetPortNumber(secure ? std::uint16_t{443} : m_options->port);
    }
    if (!m_proxyEnvironmentRead) {
        m_proxyEnvironment = ProxyEnvironment::Read();
        m_proxyEnvironmentRead = true;
    }
    if (!ProxyRoute::ForUrl(m_currentUrl, m_proxyEnvironment, m_proxy)) {
        m_failureNote = "the proxy variable holds no usable http URL";
        return false;
    }
    return true;
}

bool CHttpClientT::ExchangeRequest(const UrlParts& url, const RequestOptions* options) {
    ResetExchange();
    m_options = options != nullptr ? options : &m_defaultOptions;
    m_method = m_options->method != nullptr ? m_options->method : "GET";
    m_waitTimeout = m_options->timeout;
    SetDeadline(Clock::now() +
                std::chrono::milliseconds(std::uint64_t{EffectiveWait()} * kExchangeBoundFactor));
    const bool ok = RunExchange(url);
    ClearDeadline();
    m_options = nullptr;
    return ok;
}

bool CHttpClientT::RunExchange(const UrlParts& url) {
    m_stage = ExchangeStage::Preparing;
    if (!TakeUrl(url)) {
        m_failureNote =
            m_failureNote.empty() ? "it is not an http or https URL with a host" : m_failureNote;
        return false;
    }
    if (!ComposeRequestHead(m_requestHead)) {
        m_failureNote = "a line of the request would carry a control character, or a body "
                        "length has no body";
        return false;
    }
    if (SendsBodyInEmptyBlocks()) {
        // Settled before any send, so that a kept connection is not taken for one the server
        // closed and the request tried again on a new one.
        m_failureNote = "the body is to be sent in blocks of 0 bytes";
        CloseConnection();
        return false;
    }
    bool sent = false;
    if (!SendAndRead(m_requestHead, sent)) {
        if (sent) {
            CloseConnection();
        }
        return false;
    }
    m_stage = ExchangeStage::Judging;
    if (m_statusCode == 101) {
        return false;
    }
    if ((m_options->flags & EvaluateStatus) != 0 && !CheckStatus(m_options->flags)) {
        CloseConnection();
        return false;
    }
    return true;
}

bool CHttpClientT::CheckStatus(std::uint32_t flags) {
    const int status = m_statusCode;
    if ((status >= 200 && status <= 206) || status == 304 || status == 305) {
        return true;
    }
    if (status >= 301 && status <= 303) {
        return (flags & FollowMoved) != 0 && FollowRedirect();
    }
    if (status == 401 || status == 407) {
        return NegotiateAuth(status == 407);
    }
    return false;
}

std::string CHttpClientT::Where() const {
    const std::string_view host = m_currentUrl.HostName();
    const bool bracket = host.find(':') != std::string_view::npos;
    // Built by appending: GCC 12 at -O3 mistakes "literal" + std::string for an overlapping copy.
    std::string where(bracket ? "[" : "");
    where.append(Printable(host)).append(bracket ? "]:" : ":");
    return where.append(std::to_string(m_currentUrl.PortNumber()));
}

std::string_view CHttpClientT::StatusLine() const {
    const std::string_view head = Head();
    return head.substr(0, head.find("\r\n"));
}

std::string CHttpClientT::ErrorText() const {
    const std::int32_t code = m_lastError;
    if (net::IsTimeOut(code)) {
        // Two bounds can end a wait (a name's lookup included): its own, and the one of the whole
        // exchange.
        const std::uint32_t wait = EffectiveWait();
        if (DeadlineCutLastWait()) {
            return "the whole exchange ran past its bound of " +
                   Duration(std::uint64_t{wait} * kExchangeBoundFactor) + " (" +
                   std::to_string(kExchangeBoundFactor) + " times the wait bound)";
        }
        return "timed out after " + Duration(wait);
    }
    if (net::IsResolverError(code)) {
        return gai_strerror(code);
    }
    return code != 0 ? std::strerror(code) : "the connection was closed";
}

std::string CHttpClientT::ReceiveFailureReason() const {
    const std::string where = Where();
    const bool timedOut = m_lastError == net::kErrorTimedOut;
    switch (m_readOutcome) {
    case ReadHeadMissing:
        if (m_response.Length() == 0) {
            return "waiting for the answer from " + where + " failed: " +
                   (timedOut ? ErrorText() : "the server closed the connection without answering");
        }
        return "reading the answer's head from " + where + " failed: " +
               (timedOut ? ErrorText() : "the connection closed before the head ended");
    case ReadNoStatusCode:
        return "reading the answer's head from " + where + " failed: the answer had no status line";
    case ReadBadHeaders:
        return "reading the answer's head from " + where + " failed: the status code is too large";
    case ReadBodyMissing:
        if (!m_failureNote.empty()) {
            return "reading the body from " + where + " failed: " + m_failureNote;
        }
        return "reading the body from " + where + " failed: " +
               (timedOut || m_lastError != 0
                    ? ErrorText()
                    : "the connection closed before the whole body arrived, or it passed the size "
                      "bound");
    case ReadChunkedFailed:
        return "reading the body from " + where + " failed: the chunked body did not decode" +
               (timedOut ? " (" + ErrorText() + ")" : std::string());
    case ReadSucceeded:
    case ReadNothingYet:
        break;
    }
    return "reading the answer from " + where + " failed: " + ErrorText();
}

std::string CHttpClientT::FailureReason() const {
    switch (m_stage) {
    case ExchangeStage::Preparing:
        return "the request was not sent: " + m_failureNote;
    case ExchangeStage::Connecting:
        if (net::IsResolverError(m_lastError)) {
            return "resolving " + Printable(m_currentUrl.HostName()) + " failed: " + ErrorText();
        }
        if (m_proxy.Used()) {
            return "connecting to the proxy " + m_proxy.Where() + " failed: " + ErrorText();
        }
        return "connecting to " + Where() + " failed: " + ErrorText();
    case ExchangeStage::Tunnelling:
        return m_failureNote.empty()
                   ? "asking the proxy " + m_proxy.Where() + " for a tunnel failed: " + ErrorText()
                   : m_failureNote;
    case ExchangeStage::Securing:
        return "TLS handshake with " + Where() +
               " failed: " + (TlsFailure().empty() ? ErrorText() : TlsFailure());
    case ExchangeStage::Sending:
        return "sending the request to " + Where() + " failed: " + ErrorText();
    case ExchangeStage::Receiving:
        return ReceiveFailureReason();
    case ExchangeStage::Judging:
        if (UsesAbsoluteForm() && (m_statusCode == 407 || m_statusCode == 403)) {
            return "the proxy " + m_proxy.Where() + " refused the request: it answered \"" +
                   Printable(StatusLine()) + "\"";
        }
        return Where() + " answered \"" + Printable(StatusLine()) + "\"";
    case ExchangeStage::Redirecting:
        return "following a redirect failed: " + m_failureNote;
    }
    return "the exchange failed";
}

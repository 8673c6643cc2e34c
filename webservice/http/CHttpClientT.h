#pragma once
// The HTTP/1.1 client under the SOAP client: one connection (the client is its own socket), one
// request/response exchange per call, the connection kept open between exchanges.
//
// An https URL (port 443 unless given) runs the same exchange over TLS (see CTlsSocket); a kept TLS
// connection is reused like a plain one, and a redirect from https to http is refused.
//
// Request side: the request head is composed in this order: request line (path and extra info, not
// the absolute URL), Content-Length when there is a body, Content-Type when given, the caller's
// extra header lines unchanged, Host (the bare host name, never the port), User-Agent, blank line.
//
// No control character reaches the wire: a head whose lines would carry one (other than a tab in a
// value) is not sent, a space in the request target goes out as "%20", and the fragment of a URL
// ("#...") stays with the client.
//
// Response side: status line, interim 1xx responses passed over (101 fails: no protocol switch is
// asked for), header lines (continuation
// lines joined into the value), then a sized, unsized or chunked body. Everything read from the
// wire is bounded: the whole response by ResponseBuffer's maximum, each header name and value by
// kMaxHeaderField, the number of redirects in a row by kMaxRedirects, and the whole exchange
// (redirects included) by kExchangeBoundFactor times the wait time-out.

#include "net/CTlsSocket.h"
#include "webservice/http/HeaderTable.h"
#include "webservice/http/IHttpTrace.h"
#include "webservice/http/ProxyRoute.h"
#include "webservice/http/RequestOptions.h"
#include "webservice/http/ResponseBuffer.h"
#include "webservice/http/UrlParts.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

enum ReadOutcome : std::int32_t {
    ReadSucceeded = 0,
    ReadNoStatusCode = 2,  // the status line has no status code
    ReadBadHeaders = 3,    // the header lines failed to parse
    ReadHeadMissing = 4,   // the connection gave no more data before the blank line
    ReadBodyMissing = 5,   // the body failed to arrive
    ReadChunkedFailed = 6, // the chunked body failed to decode
    ReadNothingYet = 7,    // nothing has been read since the last reset
};

// What a client has done since it was made, for benchmarks and tests.
struct HttpCounters {
    std::uint32_t connectionsOpened = 0;
    // System-level send operations (each one gathered send).
    std::uint32_t sends = 0;
};

// Where an exchange was when it ended; with the socket's error and the read outcome it says why
// an exchange failed.
enum class ExchangeStage : std::uint8_t {
    Preparing,   // checking the URL and composing the head
    Connecting,  // resolving the host and connecting
    Tunnelling,  // asking the proxy for a tunnel to the server
    Securing,    // the TLS handshake and the check of the server's certificate
    Sending,     // sending the request
    Receiving,   // waiting for and reading the answer
    Judging,     // the answer arrived; its status decides
    Redirecting, // a redirect could not be followed
};

class CHttpClientT : private CTlsSocket {
public:
    // A header name or value of this many bytes or more makes its line ignored.
    static constexpr std::size_t kMaxHeaderField = 1024;
    // Redirects followed in a row; the next one fails the exchange.
    static constexpr std::uint32_t kMaxRedirects = 10;
    // No exchange lasts longer than this many times the wait time-out.
    static constexpr std::uint32_t kExchangeBoundFactor = 4;
    static constexpr const char* kUserAgent = "Keldwick/3.1";

    CHttpClientT();
    ~CHttpClientT() override;

    // One complete request/response exchange. True when the response was read and, with
    // EvaluateStatus, judged a success. `options` may be null for the defaults.
    [[nodiscard]] bool ExchangeRequest(const UrlParts& url,
                                       const RequestOptions* options = nullptr);

    // -1 when no status line has been read; kept after a failed exchange.
    [[nodiscard]] int GetStatus() const { return m_statusCode; }
    [[nodiscard]] ReadOutcome GetReadOutcome() const { return m_readOutcome; }
    // Case-insensitive lookup in the headers of the last response.
    [[nodiscard]] bool FindHeader(std::string_view name, std::string& value) const;
    [[nodiscard]] const HeaderTable& Headers() const { return m_headers; }
    // The head (status line through the blank line) and the body of the last response. Both stay
    // valid until the next exchange on this client.
    [[nodiscard]] std::string_view Head() const;
    [[nodiscard]] const char* BodyStart() const;
    [[nodiscard]] std::uint32_t GetBodyLength() const { return m_bodyLength; }
    [[nodiscard]] std::string_view Body() const { return {BodyStart(), m_bodyLength}; }
    [[nodiscard]] std::uint32_t GetHeadStart() const { return m_headStart; }
    [[nodiscard]] std::uint32_t GetHeadLength() const { return m_headLength; }
    [[nodiscard]] const ResponseBuffer& Response() const { return m_response; }
    // The URL of the exchange in progress or last run (after redirects, the final one).
    [[nodiscard]] const UrlParts& CurrentUrl() const { return m_currentUrl; }
    [[nodiscard]] std::uint32_t RedirectsFollowed() const { return m_redirects; }
    [[nodiscard]] const HttpCounters& Counters() const { return m_counters; }

    // Reports the exchange as it happens; null for none. The trace must outlive the client's use.
    void SetTrace(IHttpTrace* trace) { m_trace = trace; }
    [[nodiscard]] ExchangeStage Stage() const { return m_stage; }
    // After a failed exchange: what failed, where and why, in words for a person, for example
    // "connecting to 127.0.0.1:8731 failed: Connection refused".
    [[nodiscard]] std::string FailureReason() const;
    // "host:port" of the exchange's current URL.
    [[nodiscard]] std::string Where() const;
    // The first line of the last response head, without its line end.
    [[nodiscard]] std::string_view StatusLine() const;

    // A kept connection idle for this long or longer is checked, without blocking, for a close by
    // the server before a request is sent on it.
    void SetIdleCheckAfter(std::chrono::milliseconds idle) { m_idleCheckAfter = idle; }

    using CSyncSocket::IsConnected;
    using CSyncSocket::m_lastError;
    using CSyncSocket::m_waitTimeout;
    using CSyncSocket::NativeHandle;
    using CTlsSocket::CloseConnection;
    using CTlsSocket::IsSecured;
    using CTlsSocket::SessionInfo;
    using CTlsSocket::TlsCounts;

protected:
    // Called for 401 (server) and 407 (proxy); no scheme is registered, so the answer is failure.
    [[nodiscard]] virtual bool NegotiateAuth(bool proxy);
    // Called with the value of every "Set-Cookie" line; cookies are not kept.
    virtual void OnSetCookie(std::string_view value);

    [[nodiscard]] bool ComposeRequestHead(std::string& head) const;
    [[nodiscard]] bool EnsureConnected();
    // The TLS handshake on a fresh connection to an https URL, traced.
    [[nodiscard]] bool SecureConnection();
    [[nodiscard]] bool OpenTunnel();
    // Appends the URL's host as a head names it (an IPv6 literal in brackets).
    void AppendHostForHead(std::string& head) const;
    // A plain http URL through a proxy: the request line carries the whole URL.
    [[nodiscard]] bool UsesAbsoluteForm() const;
    // A body to go in blocks of 0 bytes can never be sent.
    [[nodiscard]] bool SendsBodyInEmptyBlocks() const;
    // `head` with the value of its Proxy-Authorization line replaced by "********".
    [[nodiscard]] std::string MaskProxyCredentials(std::string_view head) const;
    // Drops a kept connection that goes to another host or port, or that the server has closed
    // while it lay idle.
    void DropUnfitConnection();
    [[nodiscard]] ReadOutcome ReadResponse();
    [[nodiscard]] bool CheckStatus(std::uint32_t flags);
    [[nodiscard]] bool FollowRedirect();
    // Resolves a Location value against the current URL into `absolute`.
    [[nodiscard]] bool AbsoluteLocation(std::string_view location, std::string& absolute) const;
    void StoreHeaderLine(std::string_view line);

private:
    enum class HeadSearch { Found, Failed };

    void ResetExchange();
    // Drops the kept connection that failed before any answer, so that the request goes again.
    void Resend();
    [[nodiscard]] std::string ErrorText() const;
    [[nodiscard]] std::string ReceiveFailureReason() const;
    [[nodiscard]] bool TakeUrl(const UrlParts& url);
    [[nodiscard]] bool RunExchange(const UrlParts& url);
    [[nodiscard]] bool SendAndRead(const std::string& head, bool& sent);
    [[nodiscard]] bool SendRequestOnce(const std::string& head);
    [[nodiscard]] bool SendBodyInBlocks(std::uint32_t offset, std::uint32_t& sent);
    [[nodiscard]] bool ReceiveInto(ResponseBuffer& buffer, std::size_t want, std::uint32_t& got);
    [[nodiscard]] HeadSearch FindHeadEnd(std::size_t responseStart);
    [[nodiscard]] ReadOutcome ParseHead(std::size_t responseStart);
    [[nodiscard]] ReadOutcome ReadBody();
    [[nodiscard]] bool ReadUnsizedBody(std::uint32_t block);
    [[nodiscard]] bool ReadSizedBody(std::int64_t contentLength, std::uint32_t held);
    [[nodiscard]] bool DecodeChunkedBody();
    [[nodiscard]] bool HeaderEquals(const HeaderTable::Key& name, std::string_view value) const;
    [[nodiscard]] std::uint32_t EffectiveWait() const;

    UrlParts m_currentUrl;
    std::string m_method;
    // Kept between exchanges so that its room is reused.
    std::string m_requestHead;
    const RequestOptions* m_options = nullptr;
    RequestOptions m_defaultOptions;
    int m_statusCode = -1;
    HeaderTable m_headers;
    ResponseBuffer m_response;
    std::uint32_t m_headStart = 0;
    std::uint32_t m_headLength = 0;
    std::uint32_t m_bodyLength = 0;
    std::size_t m_parsePosition = 0;
    ReadOutcome m_readOutcome = ReadNothingYet;
    std::uint32_t m_redirects = 0;
    // True while the peer has been seen to close; the next exchange reconnects.
    bool m_peerClosed = false;
    // Responses read on the connection in use; above 0 the connection is a kept one.
    std::uint32_t m_responsesOnConnection = 0;
    // Set when a redirect could not be followed through to a final response.
    bool m_redirectFailed = false;
    // Where the open connection goes; an exchange for another host or port needs a new one.
    std::string m_connectedHost;
    std::uint16_t m_connectedPort = 0;
    bool m_connectedSecure = false;
    // "host:port" of the proxy the open connection goes through, empty when direct.
    std::string m_connectedProxy;
    // The proxy of the exchange's URL, from the environment.
    ProxyRoute m_proxy;
    // The proxy variables, read at the client's first exchange and kept for its life.
    ProxyEnvironment m_proxyEnvironment;
    bool m_proxyEnvironmentRead = false;
    // When the last response on the connection ended.
    Clock::time_point m_lastResponseEnd{};
    std::chrono::milliseconds m_idleCheckAfter{1000};
    HttpCounters m_counters;
    IHttpTrace* m_trace = nullptr;
    ExchangeStage m_stage = ExchangeStage::Preparing;
    // What the stage and the socket error cannot tell (a refused Location, a bad length).
    std::string m_failureNote;
};

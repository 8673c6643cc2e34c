#include "webservice/http/CHttpClientT.h"

#include "text/Ascii.h"

#include "webservice/http/CChunkedDecoder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <netdb.h>
#include <new>

namespace {

// A response may stop sending without closing; this many empty receives in a row end the wait.
constexpr int kEmptyReceivesForHead = 5;
constexpr int kEmptyReceivesForBody = 5;
constexpr int kEmptyReceivesForUnsizedBody = 6;
constexpr std::uint32_t kHeadReceiveSize = 2048;
constexpr std::uint32_t kDefaultBodyBlock = 2048;

using text::EqualsIgnoringAsciiCase;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A decimal Content-Length value with optional surrounding white space; false when it is not a
// plain number or passes `limit`.
bool ParseContentLength(std::string_view text, std::uint64_t limit, std::uint64_t& value) {
    text = Trim(text);
    if (text.empty()) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > limit) {
            return false;
        }
    }
    return true;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

using text::IsAsciiControl;

bool HasControl(std::string_view part) {
    return text::FindAsciiControl(part) != std::string_view::npos;
}

// The caller's extra header text: whole lines, each ending in CR LF, none empty, no control
// character but a tab. Everything else in the head is checked where it is added, so nothing can
// end a line early or add one.
bool IsCleanHeaderBlock(std::string_view block) {
    std::size_t lineStart = 0;
    std::size_t at = text::FindAsciiControl(block);
    while (at != std::string_view::npos) {
        if (block[at] != '\t') {
            if (block[at] != '\r' || at == lineStart || at + 1 == block.size() ||
                block[at + 1] != '\n') {
                return false;
            }
            lineStart = at + 2;
            ++at;
        }
        at = text::FindAsciiControl(block, at + 1);
    }
    return lineStart == block.size();
}

// The request target: the path and the query, never the fragment, with spaces percent-encoded.
bool AppendRequestTarget(std::string& head, std::string_view path, std::string_view extra) {
    extra = extra.substr(0, extra.find('#'));
    for (std::string_view part : {path, extra}) {
        // Runs of plain characters go in whole; a space is written out.
        std::size_t runStart = 0;
        for (std::size_t i = 0; i < part.size(); ++i) {
            const char c = part[i];
            if (IsAsciiControl(c)) {
                return false;
            }
            if (c == ' ') {
                head.append(part.substr(runStart, i - runStart)).append("%20");
                runStart = i + 1;
            }
        }
        head.append(part.substr(runStart));
    }
    return true;
}

// A URI reference is absolute when it starts with a scheme: a letter, then letters, digits, "+",
// "-" or ".", then ":".
bool StartsWithScheme(std::string_view reference) {
    const std::size_t colon = reference.find(':');
    if (colon == std::string_view::npos || colon == 0 || !IsLetter(reference[0])) {
        return false;
    }
    for (char c : reference.substr(1, colon - 1)) {
        if (!IsLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

// A text from the wire, fit to show on one line: control characters as "\xNN".
std::string Printable(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (IsAsciiControl(c)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
            out.append(escaped);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// Responses that never carry a body whatever their headers say.
bool HasNoBody(int status, std::string_view method) {
    return method == "HEAD" || (status >= 100 && status < 200) || status == 204 || status == 304;
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
bool CHttpClientT::HeaderEquals(std::string_view name, std::string_view value) const {
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
    if (m_currentUrl.Scheme() != UrlSchemeHttp || m_currentUrl.HostName().empty()) {
        return false;
    }
    if (m_currentUrl.UrlPath().empty() && !m_currentUrl.SetUrlPath("/")) {
        return false;
    }
    if (m_currentUrl.PortNumber() == 0) {
        m_currentUrl.SetPortNumber(m_options->port);
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
        m_failureNote = "it is not a plain http URL with a host";
        return false;
    }
    if (!ComposeRequestHead(m_requestHead)) {
        m_failureNote = "a line of the request would carry a control character, or a body "
                        "length has no body";
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

bool CHttpClientT::ComposeRequestHead(std::string& head) const {
    if (m_options->bodyLength > 0 && m_options->body == nullptr) {
        return false;
    }
    // The parts that make up one line each must not be able to start another.
    const char* contentType = m_options->contentType != nullptr ? m_options->contentType : "";
    if (m_method.empty() || HasControl(m_method) || m_method.find(' ') != std::string::npos ||
        HasControl(contentType) || HasControl(m_currentUrl.HostName())) {
        return false;
    }
    try {
        head.clear();
        head.reserve(256);
        head.append(m_method).append(" ");
        if (!AppendRequestTarget(head, m_currentUrl.UrlPath(), m_currentUrl.ExtraInfo())) {
            return false;
        }
        head.append(" HTTP/1.1\r\n");
        if (m_options->bodyLength > 0) {
            head.append("Content-Length: ").append(std::to_string(m_options->bodyLength));
            head.append("\r\n");
        }
        if (m_options->contentType != nullptr && m_options->contentType[0] != '\0') {
            head.append("Content-Type: ").append(m_options->contentType).append("\r\n");
        }
        if (m_options->extraHeaders != nullptr) {
            // Lines that do not end in CR LF would run into the Host line.
            const std::string_view extra = m_options->extraHeaders;
            if (!IsCleanHeaderBlock(extra)) {
                return false;
            }
            head.append(extra);
        }
        // An IPv6 literal needs its brackets back so the line stays parseable.
        const bool bracket = m_currentUrl.HostName().find(':') != std::string_view::npos;
        head.append("Host: ").append(bracket ? "[" : "").append(m_currentUrl.HostName());
        head.append(bracket ? "]\r\n" : "\r\n");
        head.append("User-Agent: ").append(kUserAgent).append("\r\n\r\n");
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CHttpClientT::DropUnfitConnection() {
    if (m_peerClosed) {
        CloseConnection();
        m_peerClosed = false;
    }
    if (!IsConnected()) {
        return;
    }
    if (m_connectedHost != m_currentUrl.HostName() ||
        m_connectedPort != m_currentUrl.PortNumber()) {
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
    m_connectedHost.assign(m_currentUrl.HostName());
    m_connectedPort = m_currentUrl.PortNumber();
    m_responsesOnConnection = 0;
    return true;
}

// The first block has left with the head; the rest follow one send each.
bool CHttpClientT::SendBodyInBlocks(std::uint32_t offset, std::uint32_t& sent) {
    const std::uint32_t block = m_options->sendBlockSize;
    const auto* body = static_cast<const char*>(m_options->body);
    while (offset < m_options->bodyLength) {
        const std::uint32_t length = std::min(block, m_options->bodyLength - offset);
        const SocketBuffer piece{body + offset, length};
        std::uint32_t count = 0;
        ++m_counters.sends;
        const bool ok = SendBuffers({&piece, 1}, count);
        sent += count;
        if (!ok || count != length) {
            return false;
        }
        offset += length;
    }
    return true;
}

// The head and the body (or, in blocks, its first block) leave in one gathered send: a request
// that fits costs one system call, and no segment waits for the acknowledgement of another.
bool CHttpClientT::SendRequestOnce(const std::string& head) {
    const std::uint32_t bodyLength = m_options->body != nullptr ? m_options->bodyLength : 0;
    const bool inBlocks = (m_options->flags & BodyInBlocks) != 0;
    if (inBlocks && bodyLength > 0 && m_options->sendBlockSize == 0) {
        return false;
    }
    const std::uint32_t first =
        inBlocks ? std::min(bodyLength, m_options->sendBlockSize) : bodyLength;
    const std::array<SocketBuffer, 2> pieces{SocketBuffer{head.data(), head.size()},
                                             SocketBuffer{m_options->body, first}};
    std::uint32_t sent = 0;
    if (m_trace != nullptr) {
        m_trace->OnRequest(head, {static_cast<const char*>(m_options->body), bodyLength});
    }
    ++m_counters.sends;
    bool ok = SendBuffers({pieces.data(), first == 0 ? 1u : 2u}, sent);
    ok = ok && std::uint64_t{sent} == head.size() + first;
    if (ok && first < bodyLength) {
        ok = SendBodyInBlocks(first, sent);
    }
    return ok && std::uint64_t{sent} == head.size() + std::uint64_t{bodyLength};
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

bool CHttpClientT::ReceiveInto(ResponseBuffer& buffer, std::size_t want, std::uint32_t& got) {
    got = 0;
    char* target = buffer.PrepareAppend(want);
    if (target == nullptr) {
        return false;
    }
    std::uint32_t length = static_cast<std::uint32_t>(want);
    if (!ReceiveSome(target, length)) {
        return false;
    }
    buffer.Commit(length);
    if (length == 0) {
        m_peerClosed = true;
    }
    got = length;
    return true;
}

// The head ends at the first CR LF CR LF. The search resumes where the last one stopped (less the
// three bytes that may start the marker), so a long head costs linear time.
CHttpClientT::HeadSearch CHttpClientT::FindHeadEnd(std::size_t responseStart) {
    int emptyReceives = 0;
    for (;;) {
        const std::string_view data = m_response.View();
        const std::size_t from = std::max(responseStart, m_parsePosition);
        const std::size_t end = data.find("\r\n\r\n", from);
        if (end != std::string_view::npos) {
            m_headStart = static_cast<std::uint32_t>(responseStart);
            m_headLength = static_cast<std::uint32_t>(end + 4 - responseStart);
            m_parsePosition = end + 4;
            return HeadSearch::Found;
        }
        m_parsePosition = std::max(from, data.size() >= 3 ? data.size() - 3 : 0);
        std::uint32_t got = 0;
        if (!ReceiveInto(m_response, kHeadReceiveSize, got)) {
            return HeadSearch::Failed;
        }
        emptyReceives = got == 0 ? emptyReceives + 1 : 0;
        if (emptyReceives >= kEmptyReceivesForHead) {
            return HeadSearch::Failed;
        }
    }
}

ReadOutcome CHttpClientT::ParseHead(std::size_t responseStart) {
    const std::string_view head = m_response.View().substr(responseStart, m_headLength);
    const std::size_t lineEnd = head.find("\r\n");
    std::string_view status = head.substr(0, lineEnd);
    while (!status.empty() && !IsSpace(status.front())) {
        status.remove_prefix(1);
    }
    while (!status.empty() && IsBlank(status.front())) {
        status.remove_prefix(1);
    }
    if (status.empty() || status.front() < '0' || status.front() > '9') {
        return ReadNoStatusCode;
    }
    std::int64_t code = 0;
    for (std::size_t i = 0; i < status.size() && status[i] >= '0' && status[i] <= '9'; ++i) {
        code = code * 10 + (status[i] - '0');
        if (code > std::numeric_limits<std::int32_t>::max()) {
            return ReadBadHeaders;
        }
    }
    m_statusCode = static_cast<int>(code);
    // Header lines run from after the status line to the blank line; a CR LF followed by a blank
    // continues the line.
    const std::size_t areaEnd = head.size() - 2;
    std::size_t lineStart = lineEnd + 2;
    std::size_t search = lineStart;
    while (lineStart < areaEnd) {
        const std::size_t crlf = head.find("\r\n", search);
        if (crlf + 2 < areaEnd && IsBlank(head[crlf + 2])) {
            search = crlf + 2;
            continue;
        }
        StoreHeaderLine(head.substr(lineStart, crlf - lineStart));
        lineStart = search = crlf + 2;
    }
    return ReadSucceeded;
}

void CHttpClientT::StoreHeaderLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon >= kMaxHeaderField) {
        return;
    }
    const std::string_view name = line.substr(0, colon);
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && IsSpace(value.front())) {
        value.remove_prefix(1);
    }
    if (value.size() >= kMaxHeaderField) {
        return;
    }
    if (EqualsIgnoringAsciiCase(name, "set-cookie")) {
        OnSetCookie(value);
    }
    m_headers.Add(name, value);
}

ReadOutcome CHttpClientT::ReadResponse() {
    m_response.Reset();
    m_parsePosition = 0;
    m_readOutcome = ReadSucceeded;
    std::size_t start = 0;
    ReadOutcome outcome = ReadSucceeded;
    for (;;) {
        m_headers.RemoveAll();
        m_statusCode = -1;
        m_headLength = m_bodyLength = 0;
        if (FindHeadEnd(start) != HeadSearch::Found) {
            outcome = ReadHeadMissing;
            break;
        }
        outcome = ParseHead(start);
        // Interim answers (100 Continue, 102 Processing, 103 Early Hints) precede the real one.
        if (outcome != ReadSucceeded || m_statusCode < 100 || m_statusCode > 199 ||
            m_statusCode == 101) {
            break;
        }
        if (m_trace != nullptr) {
            m_trace->OnResponse(m_response.View().substr(start, m_headLength), {});
        }
        start = m_parsePosition;
    }
    if (outcome == ReadSucceeded) {
        outcome = ReadBody();
        ++m_responsesOnConnection;
    }
    if (m_trace != nullptr && m_headLength > 0) {
        m_trace->OnResponse(Head(), Body());
    }
    // After 101 the connection would speak another protocol, which this client never asks for.
    if (m_peerClosed || m_statusCode == 101 || HeaderEquals("Connection", "close")) {
        CloseConnection();
        m_peerClosed = false;
    }
    m_lastResponseEnd = Clock::now();
    m_readOutcome = outcome;
    return outcome;
}

ReadOutcome CHttpClientT::ReadBody() {
    const auto held = static_cast<std::uint32_t>(m_response.Length() - m_parsePosition);
    if (HasNoBody(m_statusCode, m_method)) {
        // Anything after the head belongs to no response; the connection is out of step.
        m_peerClosed = m_peerClosed || held > 0;
        return ReadSucceeded;
    }
    if (HeaderEquals("Transfer-Encoding", "chunked")) {
        return DecodeChunkedBody() ? ReadSucceeded : ReadChunkedFailed;
    }
    std::int64_t contentLength = -1;
    if (const std::string* text = m_headers.Find("Content-Length")) {
        std::uint64_t value = 0;
        if (!ParseContentLength(*text, m_response.MaxLength(), value)) {
            m_peerClosed = true;
            m_failureNote = "the Content-Length \"" + Printable(*text) +
                            "\" is not one plain number within the size bound";
            return ReadBodyMissing;
        }
        contentLength = static_cast<std::int64_t>(value);
    }
    return ReadSizedBody(contentLength, held) ? ReadSucceeded : ReadBodyMissing;
}

bool CHttpClientT::ReadSizedBody(std::int64_t contentLength, std::uint32_t held) {
    const std::uint32_t block =
        m_options->readBlockSize == 0 ? kDefaultBodyBlock : m_options->readBlockSize;
    const std::size_t bodyStart = m_parsePosition;
    if (contentLength < 0) {
        // The body runs to the close of the connection, which is also the end of its framing.
        m_peerClosed = true;
        int emptyReceives = 0;
        bool tooLarge = false;
        while (emptyReceives < kEmptyReceivesForUnsizedBody) {
            const std::size_t room =
                std::min<std::size_t>(block, m_response.MaxLength() - m_response.Length());
            std::uint32_t got = 0;
            // A body that reaches the size bound did not arrive whole.
            tooLarge = room == 0;
            if (tooLarge || !ReceiveInto(m_response, room, got)) {
                break;
            }
            emptyReceives = got == 0 ? emptyReceives + 1 : 0;
        }
        m_bodyLength = static_cast<std::uint32_t>(m_response.Length() - bodyStart);
        return !tooLarge;
    }
    const auto wanted = static_cast<std::uint64_t>(contentLength);
    if (wanted > m_response.MaxLength() - bodyStart) {
        m_peerClosed = true;
        return false;
    }
    int emptyReceives = 0;
    while (held < wanted) {
        std::uint32_t got = 0;
        const auto room = static_cast<std::size_t>(std::min<std::uint64_t>(block, wanted - held));
        if (!ReceiveInto(m_response, room, got)) {
            m_peerClosed = true;
            return false;
        }
        held += got;
        emptyReceives = got == 0 ? emptyReceives + 1 : 0;
        if (emptyReceives >= kEmptyReceivesForBody) {
            return false;
        }
    }
    // Bytes past the announced length belong to no response: they are not body, and the
    // connection can no longer be trusted to be in step.
    if (held > wanted) {
        m_peerClosed = true;
    }
    m_bodyLength = static_cast<std::uint32_t>(wanted);
    return true;
}

bool CHttpClientT::DecodeChunkedBody() {
    ResponseBuffer decoded(m_response.MaxLength());
    CChunkedDecoder decoder(decoded);
    if (!decoded.Append(m_response.Data() + m_headStart, m_headLength)) {
        return false;
    }
    std::size_t leftover = 0;
    const std::string_view early = m_response.View().substr(m_parsePosition);
    leftover = early.size() - decoder.Feed(early);
    const std::uint32_t block =
        m_options->readBlockSize == 0 ? kDefaultBodyBlock : m_options->readBlockSize;
    std::unique_ptr<char[]> raw(new (std::nothrow) char[block]);
    if (!raw) {
        return false;
    }
    while (!decoder.Done() && !decoder.Failed()) {
        std::uint32_t length = block;
        if (!ReceiveSome(raw.get(), length) || length == 0) {
            m_peerClosed = true;
            (void)decoder.FinishAtEnd();
            break;
        }
        const std::string_view bytes(raw.get(), length);
        leftover = bytes.size() - decoder.Feed(bytes);
    }
    if (!decoder.Done()) {
        m_peerClosed = true;
        return false;
    }
    if (leftover > 0) {
        m_peerClosed = true;
    }
    if (m_headers.Find("Trailer") != nullptr) {
        for (const std::string& line : decoder.TrailerLines()) {
            StoreHeaderLine(line);
        }
    }
    m_response.Reset();
    if (!m_response.Append(decoded.Data(), decoded.Length())) {
        return false;
    }
    m_headStart = 0;
    m_parsePosition = m_headLength;
    m_bodyLength = static_cast<std::uint32_t>(decoder.DecodedLength());
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

bool CHttpClientT::AbsoluteLocation(std::string_view location, std::string& absolute) const {
    location = Trim(location);
    // A folded or otherwise broken value could carry a line break into the next request.
    if (location.empty() || HasControl(location)) {
        return false;
    }
    if (StartsWithScheme(location)) {
        absolute.assign(location);
        return true;
    }
    if (location.substr(0, 2) == "//") {
        absolute.assign(m_currentUrl.SchemeName()).append(":").append(location);
        return true;
    }
    UrlParts target = m_currentUrl;
    const std::size_t extraAt = location.find_first_of("?#");
    std::string_view path = location.substr(0, extraAt);
    // A Location that brings its own query replaces the current one; otherwise the current stays.
    if (extraAt != std::string_view::npos && !target.SetExtraInfo(location.substr(extraAt))) {
        return false;
    }
    std::string joined;
    if (!path.empty() && path.front() == '/') {
        joined.assign(path);
    } else {
        std::string_view base = m_currentUrl.UrlPath();
        if (base.empty()) {
            base = "/";
        }
        joined.assign(base.substr(0, base.rfind('/') + 1)).append(path);
    }
    if (!target.SetUrlPath(joined)) {
        return false;
    }
    char buffer[UrlParts::kPathCapacity + 1];
    std::uint32_t size = sizeof buffer;
    if (!target.JoinUrl(buffer, size)) {
        return false;
    }
    absolute.assign(buffer, size);
    return true;
}

bool CHttpClientT::FollowRedirect() {
    const std::string* location = m_headers.Find("Location");
    if (location == nullptr) {
        return true;
    }
    if (++m_redirects > kMaxRedirects) {
        m_redirectFailed = true;
        m_stage = ExchangeStage::Redirecting;
        m_failureNote = "more than " + std::to_string(kMaxRedirects) + " redirects in a row";
        return false;
    }
    std::string absolute;
    UrlParts next;
    if (!AbsoluteLocation(*location, absolute) || !next.SplitUrl(absolute) || !TakeUrl(next)) {
        m_redirectFailed = true;
        m_stage = ExchangeStage::Redirecting;
        m_failureNote = "the Location \"" + Printable(*location) + "\" cannot be followed";
        return false;
    }
    if (m_trace != nullptr) {
        m_trace->OnRedirect(absolute);
    }
    // A connection to another host or port is replaced by EnsureConnected.
    m_headers.RemoveAll();
    m_response.Reset();
    bool sent = false;
    if (!ComposeRequestHead(m_requestHead)) {
        m_redirectFailed = true;
        m_stage = ExchangeStage::Redirecting;
        m_failureNote = "the redirect's request would carry a control character";
        return false;
    }
    if (!SendAndRead(m_requestHead, sent)) {
        m_redirectFailed = true;
        return false;
    }
    // The final status is the caller's to judge; only a failure to reach it fails the redirect.
    m_stage = ExchangeStage::Judging;
    (void)CheckStatus(m_options->flags);
    return !m_redirectFailed;
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
        const std::uint32_t wait = EffectiveWait();
        return wait % 1000 == 0 ? "timed out after " + std::to_string(wait / 1000) + " s"
                                : "timed out after " + std::to_string(wait) + " ms";
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
        return "connecting to " + Where() + " failed: " + ErrorText();
    case ExchangeStage::Sending:
        return "sending the request to " + Where() + " failed: " + ErrorText();
    case ExchangeStage::Receiving:
        return ReceiveFailureReason();
    case ExchangeStage::Judging:
        return Where() + " answered \"" + Printable(StatusLine()) + "\"";
    case ExchangeStage::Redirecting:
        return "following a redirect failed: " + m_failureNote;
    }
    return "the exchange failed";
}

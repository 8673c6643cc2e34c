#include "webservice/http/CHttpClientT.h"

#include "webservice/http/CChunkedDecoder.h"
#include "webservice/http/HttpText.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

// Reading the response: the head, interim answers, and the sized, unsized or chunked body.

namespace {

using httptext::IsBlank;
using httptext::IsSpace;
using httptext::Printable;
using httptext::Trim;
using text::EqualsIgnoringAsciiCase;

constexpr HeaderTable::Key kConnection("Connection");
constexpr HeaderTable::Key kContentLength("Content-Length");
constexpr HeaderTable::Key kTrailer("Trailer");
constexpr HeaderTable::Key kTransferEncoding("Transfer-Encoding");

// A response may stop sending without closing; this many empty receives in a row end the wait.
constexpr int kEmptyReceivesForHead = 5;
constexpr int kEmptyReceivesForBody = 5;
constexpr int kEmptyReceivesForUnsizedBody = 6;
constexpr std::uint32_t kHeadReceiveSize = 2048;
constexpr std::uint32_t kDefaultBodyBlock = 2048;

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

// Responses that never carry a body whatever their headers say.
bool HasNoBody(int status, std::string_view method) {
    return method == "HEAD" || (status >= 100 && status < 200) || status == 204 || status == 304;
}

} // namespace

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
    if (m_peerClosed || m_statusCode == 101 || HeaderEquals(kConnection, "close")) {
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
    if (HeaderEquals(kTransferEncoding, "chunked")) {
        return DecodeChunkedBody() ? ReadSucceeded : ReadChunkedFailed;
    }
    std::int64_t contentLength = -1;
    if (const std::string* text = m_headers.Find(kContentLength)) {
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

// The body runs to the close of the connection, which is also the end of its framing. Only the
// close ends it whole: a wait that runs out, a reset, or the size bound leave it cut short, and a
// cut body reported as a success would hand the caller part of a document as all of it.
bool CHttpClientT::ReadUnsizedBody(std::uint32_t block) {
    const std::size_t bodyStart = m_parsePosition;
    m_peerClosed = true;
    int emptyReceives = 0;
    bool whole = false;
    while (!whole) {
        const std::size_t room =
            std::min<std::size_t>(block, m_response.MaxLength() - m_response.Length());
        std::uint32_t got = 0;
        if (room == 0 || !ReceiveInto(m_response, room, got)) {
            break;
        }
        emptyReceives = got == 0 ? emptyReceives + 1 : 0;
        whole = emptyReceives >= kEmptyReceivesForUnsizedBody;
    }
    m_bodyLength = static_cast<std::uint32_t>(m_response.Length() - bodyStart);
    return whole;
}

bool CHttpClientT::ReadSizedBody(std::int64_t contentLength, std::uint32_t held) {
    const std::uint32_t block =
        m_options->readBlockSize == 0 ? kDefaultBodyBlock : m_options->readBlockSize;
    const std::size_t bodyStart = m_parsePosition;
    if (contentLength < 0) {
        return ReadUnsizedBody(block);
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
    if (m_headers.Find(kTrailer) != nullptr) {
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

#include "webservice/http/CHttpClientT.h"

#include "text/Ascii.h"
#include "webservice/http/HttpText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <new>

// Writing the request: composing the head and sending it with the body.

namespace {

using httptext::HasControl;

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
        if (HasControl(part)) {
            return false;
        }
        // Runs of plain characters go in whole; a space is written out.
        for (std::size_t space = part.find(' '); space != std::string_view::npos;
             space = part.find(' ')) {
            head.append(part.substr(0, space)).append("%20");
            part.remove_prefix(space + 1);
        }
        head.append(part);
    }
    return true;
}

// The decimal digits of a length, without a string of their own.
void AppendDecimal(std::string& head, std::uint64_t value) {
    char digits[24];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    head.append(digits, static_cast<std::size_t>(written.ptr - digits));
}

} // namespace

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
        // A proxy is asked for the whole URL (the absolute form); a server for the path.
        const bool absolute = UsesAbsoluteForm();
        if (absolute) {
            head.append("http://");
            AppendHostForHead(head);
            if (m_currentUrl.PortNumber() != 80) {
                head.push_back(':');
                AppendDecimal(head, m_currentUrl.PortNumber());
            }
        }
        if (!AppendRequestTarget(head, m_currentUrl.UrlPath(), m_currentUrl.ExtraInfo())) {
            return false;
        }
        if (m_options->bodyLength > 0) {
            head.append(" HTTP/1.1\r\nContent-Length: ");
            AppendDecimal(head, m_options->bodyLength);
            head.append("\r\n");
        } else {
            head.append(" HTTP/1.1\r\n");
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
        if (absolute) {
            head.append(m_proxy.authorizationLine);
        }
        head.append("Host: ");
        AppendHostForHead(head);
        head.append("\r\nUser-Agent: ").append(kUserAgent).append("\r\n\r\n");
    } catch (const std::bad_alloc&) {
        return false;
    }
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
    if (SendsBodyInEmptyBlocks()) {
        return false; // the blocks would never end
    }
    const std::uint32_t first =
        inBlocks ? std::min(bodyLength, m_options->sendBlockSize) : bodyLength;
    const std::array<SocketBuffer, 2> pieces{SocketBuffer{head.data(), head.size()},
                                             SocketBuffer{m_options->body, first}};
    std::uint32_t sent = 0;
    if (m_trace != nullptr) {
        const std::string_view body(static_cast<const char*>(m_options->body), bodyLength);
        if (UsesAbsoluteForm() && !m_proxy.authorizationLine.empty()) {
            m_trace->OnRequest(MaskProxyCredentials(head), body);
        } else {
            m_trace->OnRequest(head, body);
        }
    }
    ++m_counters.sends;
    bool ok = SendBuffers({pieces.data(), first == 0 ? 1u : 2u}, sent);
    ok = ok && std::uint64_t{sent} == head.size() + first;
    if (ok && first < bodyLength) {
        ok = SendBodyInBlocks(first, sent);
    }
    return ok && std::uint64_t{sent} == head.size() + std::uint64_t{bodyLength};
}

bool CHttpClientT::SendsBodyInEmptyBlocks() const {
    return (m_options->flags & BodyInBlocks) != 0 && m_options->body != nullptr &&
           m_options->bodyLength > 0 && m_options->sendBlockSize == 0;
}

bool CHttpClientT::UsesAbsoluteForm() const {
    return m_proxy.Used() && m_currentUrl.Scheme() == UrlSchemeHttp;
}

// An IPv6 literal needs its brackets back so the line stays parseable.
void CHttpClientT::AppendHostForHead(std::string& head) const {
    const std::string_view host = m_currentUrl.HostName();
    if (host.find(':') != std::string_view::npos) {
        head.append("[").append(host).append("]");
    } else {
        head.append(host);
    }
}

std::string CHttpClientT::MaskProxyCredentials(std::string_view head) const {
    std::string masked(head);
    const std::string_view line = m_proxy.authorizationLine;
    const std::size_t at = line.empty() ? std::string::npos : masked.find(line);
    if (at != std::string::npos) {
        const std::size_t value = line.find("Basic ") + 6;
        masked.replace(at + value, line.size() - value - 2, "********");
    }
    return masked;
}

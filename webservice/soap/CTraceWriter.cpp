#include "webservice/soap/CTraceWriter.h"

#include <algorithm>

namespace {

constexpr std::string_view kMask = "********";

bool EndsName(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '>' || c == '/';
}

} // namespace

CTraceWriter::CTraceWriter(std::FILE* out, int level,
                           std::span<const std::string_view> secretElements)
    : m_out(out), m_level(level), m_secretElements(secretElements.begin(), secretElements.end()) {}

bool CTraceWriter::IsSecret(std::string_view qualifiedName) const {
    const std::size_t colon = qualifiedName.find(':');
    const std::string_view local =
        colon == std::string_view::npos ? qualifiedName : qualifiedName.substr(colon + 1);
    return std::find(m_secretElements.begin(), m_secretElements.end(), local) !=
           m_secretElements.end();
}

// Element text holds no "<" (it would be escaped), so a secret's text runs from the end of its
// start tag to the next "<".
std::string CTraceWriter::MaskSecrets(std::string_view xml) const {
    std::string out;
    out.reserve(xml.size());
    std::size_t copied = 0;
    std::size_t at = 0;
    while ((at = xml.find('<', at)) != std::string_view::npos) {
        std::size_t nameEnd = at + 1;
        while (nameEnd < xml.size() && !EndsName(xml[nameEnd])) {
            ++nameEnd;
        }
        const std::size_t tagEnd = xml.find('>', nameEnd);
        if (tagEnd == std::string_view::npos) {
            break;
        }
        const bool selfClosing = xml[tagEnd - 1] == '/';
        if (!selfClosing && IsSecret(xml.substr(at + 1, nameEnd - at - 1))) {
            const std::size_t textEnd = std::min(xml.find('<', tagEnd), xml.size());
            out.append(xml.substr(copied, tagEnd + 1 - copied)).append(kMask);
            copied = textEnd;
        }
        at = tagEnd;
    }
    out.append(xml.substr(std::min(copied, xml.size())));
    return out;
}

void CTraceWriter::OnConnected(std::string_view host, std::uint16_t port) {
    std::fprintf(m_out, "* connected to %.*s:%u\n", static_cast<int>(host.size()), host.data(),
                 static_cast<unsigned>(port));
}

void CTraceWriter::OnReusing(std::string_view host, std::uint16_t port) {
    std::fprintf(m_out, "* reusing the connection to %.*s:%u\n", static_cast<int>(host.size()),
                 host.data(), static_cast<unsigned>(port));
}

void CTraceWriter::WriteHead(std::string_view marker, std::string_view head) {
    std::size_t start = 0;
    while (start < head.size()) {
        std::size_t end = head.find("\r\n", start);
        if (end == std::string_view::npos) {
            end = head.size();
        }
        if (end > start) {
            const std::string line = MaskSecrets(head.substr(start, end - start));
            std::fprintf(m_out, "%.*s%s\n", static_cast<int>(marker.size()), marker.data(),
                         line.c_str());
        }
        start = end + 2;
    }
}

void CTraceWriter::WriteBody(std::string_view what, std::string_view body) {
    std::fprintf(m_out, "* %.*s body: %zu bytes\n", static_cast<int>(what.size()), what.data(),
                 body.size());
    if (m_level >= 2 && !body.empty()) {
        const std::string masked = MaskSecrets(body);
        std::fwrite(masked.data(), 1, masked.size(), m_out);
        if (masked.back() != '\n') {
            std::fputc('\n', m_out);
        }
    }
}

void CTraceWriter::OnRequest(std::string_view head, std::string_view body) {
    WriteHead("> ", head);
    WriteBody("request", body);
    std::fflush(m_out);
}

void CTraceWriter::OnResponse(std::string_view head, std::string_view body) {
    WriteHead("< ", head);
    WriteBody("response", body);
    std::fflush(m_out);
}

void CTraceWriter::OnRedirect(std::string_view location) {
    std::fprintf(m_out, "* following the redirect to %.*s\n", static_cast<int>(location.size()),
                 location.data());
}

void CTraceWriter::OnNote(std::string_view note) {
    std::fprintf(m_out, "* %.*s\n", static_cast<int>(note.size()), note.data());
}

void CTraceWriter::OnResending() {
    std::fprintf(m_out, "* the kept connection closed before an answer; sending again on a new "
                        "one\n");
}

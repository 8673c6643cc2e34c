#include "webservice/soap/CTraceWriter.h"

#include "webservice/soap/CSecretMasker.h"

CTraceWriter::CTraceWriter(std::FILE* out, int level,
                           std::span<const std::string_view> secretElements)
    : m_out(out), m_level(level), m_secretElements(secretElements.begin(), secretElements.end()) {}

std::string CTraceWriter::MaskSecrets(std::string_view xml) const {
    std::string out;
    out.reserve(xml.size());
    CSecretMasker masker(m_secretElements);
    masker.Feed(xml, out);
    masker.Finish(out);
    return out;
}

std::string CTraceWriter::MaskHeaderLine(std::string_view line) const {
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos) {
        std::string_view name = line.substr(0, colon);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) {
            name.remove_suffix(1);
        }
        if (CSecretMasker::IsSecretHeader(name)) {
            return std::string(line.substr(0, colon + 1)).append(" ").append(CSecretMasker::kMask);
        }
    }
    return MaskSecrets(line);
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
            const std::string line = MaskHeaderLine(head.substr(start, end - start));
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

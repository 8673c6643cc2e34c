#pragma once
// Writes an HTTP exchange as it happens, in the manner of `curl -v`: "* " before notes about the
// connection, "> " before each request-head line, "< " before each response-head line. Level 1
// gives the heads and the body sizes; level 2 adds the bodies. The content of every element named
// in the secret list (a password), and the value of every credential header (Authorization), is
// written as "********" at every level.

#include "webservice/http/IHttpTrace.h"

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CTraceWriter final : public IHttpTrace {
public:
    CTraceWriter(std::FILE* out, int level, std::span<const std::string_view> secretElements);

    void OnConnected(std::string_view host, std::uint16_t port) override;
    void OnReusing(std::string_view host, std::uint16_t port) override;
    void OnRequest(std::string_view head, std::string_view body) override;
    void OnResponse(std::string_view head, std::string_view body) override;
    void OnRedirect(std::string_view location) override;
    void OnResending() override;
    void OnNote(std::string_view note) override;

    // `xml` with the text of each secret element (found by its local name) replaced by "********".
    [[nodiscard]] std::string MaskSecrets(std::string_view xml) const;
    // One head line ("Name: value") with a credential header's value, or secret elements, hidden.
    [[nodiscard]] std::string MaskHeaderLine(std::string_view line) const;

private:
    void WriteHead(std::string_view marker, std::string_view head);
    void WriteBody(std::string_view what, std::string_view body);

    std::FILE* m_out;
    int m_level;
    std::vector<std::string> m_secretElements;
};

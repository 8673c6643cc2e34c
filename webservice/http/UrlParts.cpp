#include "webservice/http/UrlParts.h"

#include "text/Ascii.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace {

struct SchemeEntry {
    std::string_view name;
    std::uint16_t defaultPort;
};

constexpr std::array<SchemeEntry, 8> kSchemes{{
    {"ftp", 21},
    {"gopher", 70},
    {"http", 80},
    {"https", 443},
    {"file", 0},
    {"news", 0},
    {"mailto", 0},
    {"socks", 1080},
}};

using text::EqualsIgnoringAsciiCase;

UrlScheme LookUpScheme(std::string_view name) {
    for (std::size_t i = 0; i < kSchemes.size(); ++i) {
        if (EqualsIgnoringAsciiCase(name, kSchemes[i].name)) {
            return static_cast<UrlScheme>(i);
        }
    }
    return UrlSchemeUnknown;
}

template <std::size_t N>
bool CopyPart(char (&target)[N], std::uint32_t& length, std::string_view text) {
    if (text.size() > N - 1) {
        return false;
    }
    if (!text.empty()) {
        std::memcpy(target, text.data(), text.size());
    }
    target[text.size()] = '\0';
    length = static_cast<std::uint32_t>(text.size());
    return true;
}

bool IsUnreserved(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return std::string_view("!'()*-./:_~%").find(static_cast<char>(c)) != std::string_view::npos;
}

bool ParsePort(std::string_view text, std::uint16_t& port) {
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        if (value > 65535) {
            return false;
        }
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

// Appends text to a bounded output; false once the room is exhausted.
class BoundedWriter {
public:
    BoundedWriter(char* buffer, std::size_t room) : m_buffer(buffer), m_room(room) {}

    void Put(std::string_view text) {
        if (text.empty()) {
            return;
        }
        if (m_length + text.size() < m_room && m_buffer != nullptr) {
            std::memcpy(m_buffer + m_length, text.data(), text.size());
        } else {
            m_overflow = true;
        }
        m_length += text.size();
    }
    [[nodiscard]] bool Finish() {
        if (m_overflow || m_length >= m_room || m_buffer == nullptr) {
            return false;
        }
        m_buffer[m_length] = '\0';
        return true;
    }
    [[nodiscard]] std::size_t Length() const { return m_length; }

private:
    char* m_buffer;
    std::size_t m_room;
    std::size_t m_length = 0;
    bool m_overflow = false;
};

// Where the authority of a URL with "//" lies in `text`: from after "//" to the first "/", "?" or
// "#". Empty when the URL has no authority.
struct HostSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
};

HostSpan FindHost(std::string_view text) {
    const std::size_t slashes = text.find("://");
    if (slashes == std::string_view::npos || text.find_first_of("/?#") < slashes) {
        return {};
    }
    const std::size_t begin = slashes + 3;
    const std::size_t end = text.find_first_of("/?#", begin);
    return {begin, end == std::string_view::npos ? text.size() : end};
}

} // namespace

bool EscapeUrl(std::string_view text, char* buffer, std::size_t bufferSize) {
    static constexpr char kHex[] = "0123456789abcdef";
    if (buffer == nullptr || bufferSize == 0) {
        return false;
    }
    const std::size_t limit = bufferSize - 1 < kMaxUrlLength ? bufferSize - 1 : kMaxUrlLength;
    std::size_t length = 0;
    bool verbatim = false;
    const HostSpan host = FindHost(text);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '?' || ch == '#') {
            verbatim = true;
        }
        // The brackets of an IPv6 literal ("http://[::1]:8080/") delimit the host; escaped they
        // would make it a name no resolver knows.
        const bool hostBracket = (ch == '[' || ch == ']') && i >= host.begin && i < host.end;
        const bool copy = verbatim || hostBracket || IsUnreserved(c);
        const std::size_t need = copy ? 1 : 3;
        if (length + need > limit) {
            buffer[0] = '\0';
            return false;
        }
        if (copy) {
            buffer[length++] = ch;
        } else {
            buffer[length++] = '%';
            buffer[length++] = kHex[c >> 4];
            buffer[length++] = kHex[c & 0xF];
        }
    }
    buffer[length] = '\0';
    return true;
}

UrlParts& UrlParts::operator=(const UrlParts& other) {
    if (this == &other) {
        return *this;
    }
    // Each source part fits the same array here, so no copy can fail.
    (void)CopyPart(m_schemeName, m_schemeNameLength, other.SchemeName());
    (void)CopyPart(m_hostName, m_hostNameLength, other.HostName());
    (void)CopyPart(m_userName, m_userNameLength, other.UserName());
    (void)CopyPart(m_password, m_passwordLength, other.Password());
    (void)CopyPart(m_urlPath, m_urlPathLength, other.UrlPath());
    (void)CopyPart(m_extraInfo, m_extraInfoLength, other.ExtraInfo());
    m_scheme = other.m_scheme;
    m_port = other.m_port;
    return *this;
}

void UrlParts::Clear() {
    m_schemeName[0] = m_hostName[0] = m_userName[0] = m_password[0] = '\0';
    m_urlPath[0] = m_extraInfo[0] = '\0';
    m_schemeNameLength = m_hostNameLength = m_userNameLength = m_passwordLength = 0;
    m_urlPathLength = m_extraInfoLength = 0;
    m_scheme = UrlSchemeUnknown;
    m_port = 0;
}

std::uint16_t UrlParts::DefaultPort(UrlScheme scheme) {
    if (scheme < 0 || static_cast<std::size_t>(scheme) >= kSchemes.size()) {
        return 0;
    }
    return kSchemes[static_cast<std::size_t>(scheme)].defaultPort;
}

bool UrlParts::SetScheme(UrlScheme scheme) {
    if (scheme < 0 || static_cast<std::size_t>(scheme) >= kSchemes.size()) {
        return false;
    }
    m_scheme = scheme;
    m_port = DefaultPort(scheme);
    return CopyPart(m_schemeName, m_schemeNameLength,
                    kSchemes[static_cast<std::size_t>(scheme)].name);
}

bool UrlParts::SetSchemeName(std::string_view name) {
    if (!CopyPart(m_schemeName, m_schemeNameLength, name)) {
        return false;
    }
    m_scheme = LookUpScheme(name);
    return true;
}

bool UrlParts::SetHostName(std::string_view host) {
    return CopyPart(m_hostName, m_hostNameLength, host);
}
bool UrlParts::SetUserName(std::string_view user) {
    return CopyPart(m_userName, m_userNameLength, user);
}
bool UrlParts::SetPassword(std::string_view password) {
    return CopyPart(m_password, m_passwordLength, password);
}
bool UrlParts::SetUrlPath(std::string_view path) {
    return CopyPart(m_urlPath, m_urlPathLength, path);
}
bool UrlParts::SetExtraInfo(std::string_view extra) {
    return CopyPart(m_extraInfo, m_extraInfoLength, extra);
}

// authority = [ user [ ":" password ] "@" ] host [ ":" port ], host possibly in brackets.
bool UrlParts::SplitAuthority(std::string_view authority, bool& hasPort) {
    hasPort = false;
    const std::size_t at = authority.find('@');
    if (at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        const std::size_t colon = userInfo.find(':');
        if (!SetUserName(userInfo.substr(0, colon))) {
            return false;
        }
        if (colon != std::string_view::npos && !SetPassword(userInfo.substr(colon + 1))) {
            return false;
        }
        authority.remove_prefix(at + 1);
    }
    std::string_view host = authority;
    std::string_view rest;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            return false;
        }
        host = authority.substr(1, close - 1);
        rest = authority.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') {
            return false;
        }
    } else {
        const std::size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : authority.substr(colon);
    }
    if (!SetHostName(host)) {
        return false;
    }
    if (rest.size() > 1) {
        hasPort = true;
        return ParsePort(rest.substr(1), m_port);
    }
    return true;
}

bool UrlParts::SplitUrl(std::string_view text) {
    Clear();
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return false;
    }
    const std::string_view schemeName = text.substr(0, colon);
    const UrlScheme scheme = LookUpScheme(schemeName);
    const bool named = scheme == UrlSchemeUnknown ? SetSchemeName(schemeName) : SetScheme(scheme);
    if (!named) {
        Clear();
        return false;
    }
    std::string_view rest = text.substr(colon + 1);
    const bool slashes = rest.substr(0, 2) == "//";
    if (slashes && scheme == UrlSchemeMailto) {
        Clear();
        return false;
    }
    if (slashes) {
        rest.remove_prefix(2);
    }
    bool hasPort = false;
    bool ok = true;
    if (scheme == UrlSchemeFile) {
        ok = SetUrlPath(rest);
    } else {
        if (slashes || (!rest.empty() && rest.front() != '/')) {
            const std::size_t end = rest.find_first_of("/?#");
            ok = SplitAuthority(rest.substr(0, end), hasPort);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
        }
        const std::size_t extra = rest.find_first_of("?#");
        ok = ok && SetUrlPath(rest.substr(0, extra));
        ok = ok && (extra == std::string_view::npos || SetExtraInfo(rest.substr(extra)));
    }
    if (!ok) {
        Clear();
        return false;
    }
    if (scheme == UrlSchemeFile || scheme == UrlSchemeNews || scheme == UrlSchemeMailto) {
        m_port = 0;
    } else if (!hasPort) {
        m_port = DefaultPort(scheme);
    }
    return true;
}

bool UrlParts::JoinUrl(char* buffer, std::uint32_t& size) const {
    BoundedWriter out(buffer, size);
    out.Put(SchemeName());
    out.Put(":");
    if (m_scheme != UrlSchemeMailto) {
        out.Put("//");
    }
    if (m_userNameLength > 0) {
        out.Put(UserName());
        if (m_passwordLength > 0) {
            out.Put(":");
            out.Put(Password());
        }
        out.Put("@");
    }
    const bool bracket = HostName().find(':') != std::string_view::npos;
    out.Put(bracket ? "[" : "");
    out.Put(HostName());
    out.Put(bracket ? "]" : "");
    if (m_port != DefaultPort(m_scheme)) {
        char digits[8];
        const int n = std::snprintf(digits, sizeof digits, ":%u", static_cast<unsigned>(m_port));
        out.Put(std::string_view(digits, static_cast<std::size_t>(n)));
    }
    if (m_urlPathLength > 0 && m_urlPath[0] != '/' && m_urlPath[0] != '\\') {
        out.Put("/");
    }
    out.Put(UrlPath());
    out.Put(ExtraInfo());
    const bool ok = out.Finish();
    size = static_cast<std::uint32_t>(ok ? out.Length() : out.Length() + 1);
    return ok;
}

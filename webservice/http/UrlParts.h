#pragma once
// A URL split into its parts. Every text part lives in a fixed array with its length; a part that
// would pass its capacity makes the operation that fills it fail, never truncates.
//
// Grammar accepted by SplitUrl:
//   url       = scheme ":" [ "//" authority ] [ path ] [ extra ]
//   authority = [ user [ ":" password ] "@" ] host [ ":" port ]
//   host      = name | "[" text "]"
//   extra     = ( "?" | "#" ) *any
// "file" URLs keep everything after the scheme (and "//") as the path; "mailto" takes no "//".

#include <cstddef>
#include <cstdint>
#include <string_view>

enum UrlScheme : std::int32_t {
    UrlSchemeUnknown = -1,
    UrlSchemeFtp = 0,
    UrlSchemeGopher = 1,
    UrlSchemeHttp = 2,
    UrlSchemeHttps = 3,
    UrlSchemeFile = 4,
    UrlSchemeNews = 5,
    UrlSchemeMailto = 6,
    UrlSchemeSocks = 7,
};

// Longest URL text, excluding the terminator; a buffer for one holds kMaxUrlLength + 1 characters.
constexpr std::size_t kMaxUrlLength = 2083;

// Escapes `text` in browser mode into `buffer` (zero-terminated). Fails when the result would pass
// kMaxUrlLength characters or the buffer's room.
[[nodiscard]] bool EscapeUrl(std::string_view text, char* buffer, std::size_t bufferSize);

struct UrlParts {
    static constexpr std::size_t kSchemeCapacity = 32;
    static constexpr std::size_t kHostCapacity = 256;
    static constexpr std::size_t kUserCapacity = 128;
    static constexpr std::size_t kPasswordCapacity = 128;
    static constexpr std::size_t kPathCapacity = 2048;
    static constexpr std::size_t kExtraCapacity = 2048;

    UrlParts() { Clear(); }
    // A copy takes what each part holds, not the whole of every array: the record is almost
    // 5 KB, and the client copies its URL for every exchange.
    UrlParts(const UrlParts& other) { *this = other; }
    UrlParts& operator=(const UrlParts& other);

    // Every text empty, scheme unknown, port 0.
    void Clear();
    // Sets the scheme, its name and its default port from the scheme table.
    [[nodiscard]] bool SetScheme(UrlScheme scheme);

    // On false the record is cleared.
    [[nodiscard]] bool SplitUrl(std::string_view text);
    // Writes the URL and its terminator. In: `size` is the room in `buffer`; out: the length
    // written (without the terminator). On false `size` holds the room the text needs.
    [[nodiscard]] bool JoinUrl(char* buffer, std::uint32_t& size) const;

    [[nodiscard]] std::string_view SchemeName() const { return {m_schemeName, m_schemeNameLength}; }
    [[nodiscard]] std::string_view HostName() const { return {m_hostName, m_hostNameLength}; }
    [[nodiscard]] std::string_view UserName() const { return {m_userName, m_userNameLength}; }
    [[nodiscard]] std::string_view Password() const { return {m_password, m_passwordLength}; }
    [[nodiscard]] std::string_view UrlPath() const { return {m_urlPath, m_urlPathLength}; }
    [[nodiscard]] std::string_view ExtraInfo() const { return {m_extraInfo, m_extraInfoLength}; }
    // Zero-terminated host name, for the resolver.
    [[nodiscard]] const char* HostNameText() const { return m_hostName; }
    [[nodiscard]] UrlScheme Scheme() const { return m_scheme; }
    [[nodiscard]] std::uint16_t PortNumber() const { return m_port; }

    // Each setter fails (and leaves the part unchanged) when the text passes the part's capacity.
    [[nodiscard]] bool SetSchemeName(std::string_view name);
    [[nodiscard]] bool SetHostName(std::string_view host);
    [[nodiscard]] bool SetUserName(std::string_view user);
    [[nodiscard]] bool SetPassword(std::string_view password);
    [[nodiscard]] bool SetUrlPath(std::string_view path);
    [[nodiscard]] bool SetExtraInfo(std::string_view extra);
    void SetPortNumber(std::uint16_t port) { m_port = port; }

    // The table's default port of a scheme; 0 for an unknown one.
    [[nodiscard]] static std::uint16_t DefaultPort(UrlScheme scheme);

private:
    [[nodiscard]] bool SplitAuthority(std::string_view authority, bool& hasPort);

    char m_schemeName[kSchemeCapacity + 1];
    char m_hostName[kHostCapacity + 1];
    char m_userName[kUserCapacity + 1];
    char m_password[kPasswordCapacity + 1];
    char m_urlPath[kPathCapacity + 1];
    char m_extraInfo[kExtraCapacity + 1];
    std::uint32_t m_schemeNameLength;
    std::uint32_t m_hostNameLength;
    std::uint32_t m_userNameLength;
    std::uint32_t m_passwordLength;
    std::uint32_t m_urlPathLength;
    std::uint32_t m_extraInfoLength;
    UrlScheme m_scheme;
    std::uint16_t m_port;
};

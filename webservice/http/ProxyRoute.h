#pragma once
// Which proxy, if any, an exchange goes through, read from the environment as Linux programs read
// it: http_proxy / HTTP_PROXY for http URLs, https_proxy / HTTPS_PROXY for https URLs, and
// no_proxy / NO_PROXY (comma-separated host names, domain suffixes, or "*" for all) for hosts
// reached directly. A proxy URL may carry "user:password@"; its port is 1080 unless given.

#include "webservice/http/UrlParts.h"

#include <cstdint>
#include <string>
#include <string_view>

// The proxy variables as read once from the environment (a lookup per exchange would cost a scan
// of the environment on every call).
struct ProxyEnvironment {
    std::string http;
    std::string https;
    std::string noProxy;

    [[nodiscard]] static ProxyEnvironment Read();
};

struct ProxyRoute {
    std::string host;
    std::uint16_t port = 0;
    // "Proxy-Authorization: Basic ...\r\n" when the proxy URL carries credentials, else empty.
    std::string authorizationLine;

    [[nodiscard]] bool Used() const { return !host.empty(); }
    // "host:port" for reason lines.
    [[nodiscard]] std::string Where() const;

    // The route for `url`: no proxy (Used() false) when none is set or no_proxy names the host.
    // False when the proxy variable holds no usable URL.
    [[nodiscard]] static bool ForUrl(const UrlParts& url, const ProxyEnvironment& environment,
                                     ProxyRoute& route);
    // True when the no_proxy list `list` names `host` (exactly, as a domain suffix, or "*").
    [[nodiscard]] static bool Bypasses(std::string_view list, std::string_view host);
};

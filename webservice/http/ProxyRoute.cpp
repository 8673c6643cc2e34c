#include "webservice/http/ProxyRoute.h"

#include "text/Ascii.h"
#include "webservice/http/HttpText.h"

#include <array>
#include <cstdlib>

namespace {

std::string Variable(const char* lower, const char* upper) {
    const char* value = std::getenv(lower);
    if (value == nullptr || value[0] == '\0') {
        value = std::getenv(upper);
    }
    return value != nullptr ? value : "";
}

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t group = static_cast<std::uint8_t>(bytes[i]) << 16;
        group |=
            left > 1 ? static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i + 1])) << 8 : 0;
        group |= left > 2 ? static_cast<std::uint8_t>(bytes[i + 2]) : 0;
        out.push_back(kDigits[(group >> 18) & 63]);
        out.push_back(kDigits[(group >> 12) & 63]);
        out.push_back(left > 1 ? kDigits[(group >> 6) & 63] : '=');
        out.push_back(left > 2 ? kDigits[group & 63] : '=');
    }
    return out;
}

// Whether the authority of `url` names a port; without one a proxy listens on 1080.
bool HasPort(std::string_view url) {
    const std::size_t start = url.find("://") + 3;
    std::string_view authority = url.substr(start, url.find('/', start) - start);
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    const std::size_t colon = authority.rfind(':');
    return colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos;
}

} // namespace

std::string ProxyRoute::Where() const {
    return host + ":" + std::to_string(port);
}

bool ProxyRoute::Bypasses(std::string_view list, std::string_view host) {
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view entry = httptext::Trim(list.substr(0, comma));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        if (entry == "*") {
            return true;
        }
        // ".example.com" and "example.com" both name the domain and every host under it.
        if (!entry.empty() && entry.front() == '.') {
            entry.remove_prefix(1);
        }
        if (entry.empty() || entry.size() > host.size()) {
            continue;
        }
        const std::string_view tail = host.substr(host.size() - entry.size());
        if (text::EqualsIgnoringAsciiCase(tail, entry) &&
            (tail.size() == host.size() || host[host.size() - entry.size() - 1] == '.')) {
            return true;
        }
    }
    return false;
}

ProxyEnvironment ProxyEnvironment::Read() {
    return {Variable("http_proxy", "HTTP_PROXY"), Variable("https_proxy", "HTTPS_PROXY"),
            Variable("no_proxy", "NO_PROXY")};
}

bool ProxyRoute::ForUrl(const UrlParts& url, const ProxyEnvironment& environment,
                        ProxyRoute& route) {
    route = ProxyRoute{};
    const bool secure = url.Scheme() == UrlSchemeHttps;
    const std::string& value = secure ? environment.https : environment.http;
    if (value.empty() || Bypasses(environment.noProxy, url.HostName())) {
        return true;
    }
    std::string text(value);
    if (text.find("://") == std::string::npos) {
        text.insert(0, "http://");
    }
    UrlParts proxy;
    if (!proxy.SplitUrl(text) || proxy.Scheme() != UrlSchemeHttp || proxy.HostName().empty() ||
        httptext::HasControl(proxy.HostName())) {
        return false;
    }
    route.host.assign(proxy.HostName());
    route.port = HasPort(text) ? proxy.PortNumber() : std::uint16_t{1080};
    if (!proxy.UserName().empty()) {
        std::string credentials(proxy.UserName());
        credentials.append(":").append(proxy.Password());
        route.authorizationLine = "Proxy-Authorization: Basic " + Base64(credentials) + "\r\n";
    }
    return true;
}

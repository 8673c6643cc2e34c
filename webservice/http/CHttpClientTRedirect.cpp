#include "webservice/http/CHttpClientT.h"

#include "webservice/http/HttpText.h"

// Redirects: resolving a Location against the current URL and running the next exchange.

namespace {

using httptext::HasControl;
using httptext::Printable;
using httptext::Trim;

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
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

} // namespace

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
    const bool wasSecure = m_currentUrl.Scheme() == UrlSchemeHttps;
    if (AbsoluteLocation(*location, absolute) && next.SplitUrl(absolute) && wasSecure &&
        next.Scheme() == UrlSchemeHttp) {
        // What the caller sent under TLS must not go out again in clear.
        m_redirectFailed = true;
        m_stage = ExchangeStage::Redirecting;
        m_failureNote = "the Location \"" + Printable(*location) +
                        "\" leads from https to plain http, which is refused";
        return false;
    }
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

#pragma once
// What an HTTP client reports while an exchange runs, for a person who wants to see the bytes: the
// connection it opens or reuses, each request and response head as sent and received, the bodies,
// and the redirects it follows. Calls arrive in the order things happen on the wire.

#include <cstdint>
#include <string_view>

class IHttpTrace {
public:
    virtual void OnConnected(std::string_view host, std::uint16_t port) = 0;
    virtual void OnReusing(std::string_view host, std::uint16_t port) = 0;
    // `head` runs through the blank line; `body` is what followed it.
    virtual void OnRequest(std::string_view head, std::string_view body) = 0;
    virtual void OnResponse(std::string_view head, std::string_view body) = 0;
    virtual void OnRedirect(std::string_view location) = 0;
    // The kept connection failed before any byte of the answer; the request goes out again.
    virtual void OnResending() = 0;
    // A note on the connection, such as what a TLS handshake agreed.
    virtual void OnNote(std::string_view) {}

protected:
    ~IHttpTrace() = default;
};

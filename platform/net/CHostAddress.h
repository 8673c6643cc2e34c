#pragma once
// The resolved address list of one host. Resolving again, or destroying the object, releases the
// previous list first.

#include <cstdint>

struct addrinfo;

class CHostAddress {
public:
    CHostAddress() = default;
    CHostAddress(const CHostAddress&) = delete;
    CHostAddress& operator=(const CHostAddress&) = delete;
    virtual ~CHostAddress();

    // Resolves `host` for a stream socket to `port` (decimal text). Answers 0 on success, otherwise
    // the resolver's code made negative (EAI_* values; see SocketErrors.h).
    [[nodiscard]] std::int32_t ResolveHost(const char* host, const char* port);

    // The first address of the last successful resolution, or null.
    [[nodiscard]] const addrinfo* First() const { return m_list; }

private:
    void Release();

    addrinfo* m_list = nullptr;
};

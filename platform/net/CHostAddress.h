#pragma once
// The resolved address list of one host. Resolving again, or destroying the object, releases the
// previous list first.
//
// A name that is not an address literal is looked up on a thread of its own, and the caller waits
// for the answer only until its bound: a silent name server would otherwise hold the caller for the
// resolver's own retries (10 seconds and more). A lookup that outlives its bound runs on to its end
// and then frees what it found; the caller has long returned and shares nothing with it but the
// lookup's own record, which the last of the two to let go of deletes.

#include "net/CoarseClock.h"

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
    // The same, waiting no later than `end`; net::kErrorResolveTimedOut when the answer is late.
    [[nodiscard]] std::int32_t ResolveHost(const char* host, const char* port,
                                           CoarseClock::time_point end);

    // The first address of the last successful resolution, or null.
    [[nodiscard]] const addrinfo* First() const { return m_list; }

    // Lookups whose threads have not ended yet, those abandoned at their bound included.
    [[nodiscard]] static int LookupsRunning();

private:
    void Release();

    addrinfo* m_list = nullptr;
};

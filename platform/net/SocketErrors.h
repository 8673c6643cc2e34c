#pragma once
// The codes that socket operations leave in `m_lastError`. Operations record the errno value of
// the failing call; the conditions that have a fixed meaning map as follows:
//
// clang-format off
//   condition                                              code          Winsock code
//   ------------------------------------------------------ ------------- -------------------------
//   not connected (a send or receive before a connection)  ENOTCONN      WSAENOTCONN      10057
//   an operation already in progress on the same direction EINPROGRESS   WSAEINPROGRESS   10036
//   a connect that has not completed yet                   EINPROGRESS   WSAEWOULDBLOCK   10035
//   a wait that ended without its event (time-out)         ETIMEDOUT     WSAETIMEDOUT     10060
//   connection refused by the peer                         ECONNREFUSED  WSAECONNREFUSED  10061
//   name resolution failure                                the resolver's EAI_* code, negative,
//                                                          so it never collides with an errno value
//   name resolution that outlived its wait bound           kErrorResolveTimedOut (negative too)
// clang-format on
//
// A pending overlapped operation (ERROR_IO_PENDING 997) has no counterpart: every operation here
// completes or fails before it returns.

#include <cerrno>
#include <cstdint>

namespace net {

// The wait time-out that means "no bound"; a socket replaces it with kDefaultWaitMs.
constexpr std::uint32_t kWaitForever = 0xFFFFFFFFu;
// The bound of one wait when the caller asked for none.
constexpr std::uint32_t kDefaultWaitMs = 30'000;

// The bound that one wait with the time-out `timeoutMs` really has.
[[nodiscard]] constexpr std::uint32_t EffectiveWaitMs(std::uint32_t timeoutMs) {
    return timeoutMs == kWaitForever ? kDefaultWaitMs : timeoutMs;
}

constexpr std::int32_t kErrorNotConnected = ENOTCONN;
constexpr std::int32_t kErrorInProgress = EINPROGRESS;
constexpr std::int32_t kErrorTimedOut = ETIMEDOUT;
// Below every EAI_* code glibc has (they end near -105), so gai_strerror never explains it.
constexpr std::int32_t kErrorResolveTimedOut = -1000;

// True when `code` came from the name resolver rather than from a socket call.
[[nodiscard]] constexpr bool IsResolverError(std::int32_t code) {
    return code < 0;
}

// True when a wait ran out, whether for a name's lookup or on the socket.
[[nodiscard]] constexpr bool IsTimeOut(std::int32_t code) {
    return code == kErrorTimedOut || code == kErrorResolveTimedOut;
}

} // namespace net

#pragma once
// One client TCP connection whose every operation is synchronous for the caller and bounded in
// time. Each wait lasts at most `m_waitTimeout` milliseconds (kWaitForever means the 30-second
// default) and never past the deadline set with SetDeadline, so a dead or trickling peer cannot
// hold the caller for good.
//
// The connect is started without blocking and waited for with poll. Once connected, the socket
// blocks and the kernel's receive and send time-outs carry the wait bound, so a send or a receive
// is one system call however long it waits; the time-outs are set again only when the bound
// changes (near the deadline).
//
// The operations are virtual so that a test double can stand in for the network.

#include "net/CoarseClock.h"
#include "net/SocketErrors.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

struct addrinfo;

// One piece of a gathered send.
struct SocketBuffer {
    const void* data = nullptr;
    std::size_t length = 0;
};

class CSyncSocket {
public:
    using Clock = CoarseClock;

    CSyncSocket() = default;
    CSyncSocket(const CSyncSocket&) = delete;
    CSyncSocket& operator=(const CSyncSocket&) = delete;
    virtual ~CSyncSocket();

    // True at once when already connected; otherwise resolves `host` and tries its addresses in
    // the resolver's order until one connects, all within one wait bound. On false `m_lastError`
    // holds the reason (for several addresses, the last one's; net::kErrorResolveTimedOut when the
    // name's lookup outlived the bound).
    [[nodiscard]] virtual bool ConnectTo(const char* host, std::uint16_t port);
    // Sends the buffers as one gathered send; `bytesSent` reports what went out (all of it unless
    // the peer failed or a wait ran out).
    [[nodiscard]] virtual bool SendBuffers(std::span<const SocketBuffer> buffers,
                                           std::uint32_t& bytesSent);
    // In: `length` is the room in `buffer`. Out: the bytes received, 0 when the peer has closed.
    [[nodiscard]] virtual bool ReceiveSome(void* buffer, std::uint32_t& length);
    // Closes the socket; does nothing when already closed.
    virtual void CloseConnection();
    // Looks, without waiting, whether the peer has closed or reset the connection or sent bytes
    // nobody asked for; either way the connection is no longer fit for a new request. True when
    // there is no connection.
    [[nodiscard]] virtual bool PeerHasClosed();

    [[nodiscard]] bool IsConnected() const { return m_connected; }
    // The open socket descriptor, -1 when none exists.
    [[nodiscard]] int NativeHandle() const { return m_socket; }

    // No wait ends later than `deadline` until ClearDeadline.
    void SetDeadline(Clock::time_point deadline) { m_deadline = deadline; }
    void ClearDeadline() { m_deadline = Clock::time_point::max(); }
    // True when the last wait was shortened by the deadline, so a time-out it ended in was the
    // deadline's and not the wait bound's.
    [[nodiscard]] bool DeadlineCutLastWait() const { return m_waitCutByDeadline; }

    std::int32_t m_lastError = 0;
    std::uint32_t m_waitTimeout = net::kWaitForever;

protected:
    bool m_connected = false;

private:
    enum class WaitResult { Ready, TimedOut, Failed };

    // When a wait starting now must end: the time-out, cut at the deadline (noting whether it was).
    [[nodiscard]] Clock::time_point WaitEnd();
    [[nodiscard]] WaitResult WaitUntil(short events, Clock::time_point end);
    // Milliseconds the next wait may last: the time-out, cut to what is left before the deadline.
    [[nodiscard]] std::uint32_t WaitBound() const;
    // Sets the kernel time-out `option` to `milliseconds` unless it holds that already.
    [[nodiscard]] bool ApplyTimeout(int option, std::uint32_t& applied, std::uint32_t milliseconds);
    // Before a blocking call: false (and ETIMEDOUT) when no time is left.
    [[nodiscard]] bool PrepareWait(int option, std::uint32_t& applied);
    [[nodiscard]] bool OpenSocket(int family, int type, int protocol);
    [[nodiscard]] bool FinishConnect(Clock::time_point end);
    // One attempt on one resolved address; the socket stays open only when it connected.
    [[nodiscard]] bool ConnectOne(const addrinfo& address, Clock::time_point end);

    int m_socket = -1;
    // The receive and send time-outs the socket holds; 0 means none set yet.
    std::uint32_t m_receiveTimeoutSet = 0;
    std::uint32_t m_sendTimeoutSet = 0;
    std::mutex m_readLock;
    std::mutex m_writeLock;
    Clock::time_point m_deadline = Clock::time_point::max();
    bool m_waitCutByDeadline = false;
};

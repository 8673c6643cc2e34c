#include "net/CSyncSocket.h"

#include "net/CHostAddress.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace {

// The least number of pieces every system accepts in one gathered send.
constexpr std::size_t kMaxPiecesPerSend = 16;

} // namespace

CSyncSocket::~CSyncSocket() {
    CSyncSocket::CloseConnection();
}

CSyncSocket::Clock::time_point CSyncSocket::WaitEnd() {
    const std::uint32_t timeout = net::EffectiveWaitMs(m_waitTimeout);
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeout);
    m_waitCutByDeadline = m_deadline < end;
    return std::min(end, m_deadline);
}

CSyncSocket::WaitResult CSyncSocket::WaitUntil(short events, Clock::time_point end) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        const int waitMs = static_cast<int>(
            std::clamp<std::int64_t>(left.count(), 0, std::numeric_limits<int>::max()));
        pollfd entry{m_socket, events, 0};
        const int ready = poll(&entry, 1, waitMs);
        if (ready > 0) {
            return WaitResult::Ready;
        }
        if (ready == 0) {
            if (Clock::now() >= end) {
                m_lastError = net::kErrorTimedOut;
                return WaitResult::TimedOut;
            }
            continue;
        }
        if (errno != EINTR) {
            m_lastError = errno;
            return WaitResult::Failed;
        }
    }
}

std::uint32_t CSyncSocket::WaitBound() const {
    const std::uint32_t timeout = net::EffectiveWaitMs(m_waitTimeout);
    if (m_deadline == Clock::time_point::max()) {
        return timeout;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(left, 0, timeout));
}

bool CSyncSocket::ApplyTimeout(int option, std::uint32_t& applied, std::uint32_t milliseconds) {
    if (applied == milliseconds) {
        return true;
    }
    timeval value{};
    value.tv_sec = static_cast<time_t>(milliseconds / 1000);
    value.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
    if (setsockopt(m_socket, SOL_SOCKET, option, &value, sizeof value) != 0) {
        m_lastError = errno;
        return false;
    }
    applied = milliseconds;
    return true;
}

bool CSyncSocket::PrepareWait(int option, std::uint32_t& applied) {
    // A kernel time-out of 0 would mean no bound at all.
    const std::uint32_t bound = WaitBound();
    m_waitCutByDeadline = bound < net::EffectiveWaitMs(m_waitTimeout);
    if (bound == 0) {
        m_lastError = net::kErrorTimedOut;
        return false;
    }
    return ApplyTimeout(option, applied, bound);
}

bool CSyncSocket::OpenSocket(int family, int type, int protocol) {
    m_socket = socket(family, type | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
    if (m_socket < 0) {
        m_lastError = errno;
        m_socket = -1;
        return false;
    }
    // A large body leaves in several sends; with Nagle's algorithm a short last piece would wait
    // for the peer's delayed acknowledgement of the one before, stalling the exchange.
    if (type == SOCK_STREAM) {
        const int on = 1;
        setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return true;
}

bool CSyncSocket::FinishConnect(Clock::time_point end) {
    if (WaitUntil(POLLOUT, end) != WaitResult::Ready) {
        return false;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        m_lastError = errno;
        return false;
    }
    if (error != 0) {
        m_lastError = error;
        return false;
    }
    return true;
}

bool CSyncSocket::ConnectOne(const addrinfo& address, Clock::time_point end) {
    // A socket whose connect failed cannot be connected again, so every attempt starts afresh.
    CloseConnection();
    if (!OpenSocket(address.ai_family, address.ai_socktype, address.ai_protocol)) {
        return false;
    }
    bool connected = false;
    if (connect(m_socket, address.ai_addr, address.ai_addrlen) == 0) {
        connected = true;
    } else if (errno == EINPROGRESS || errno == EINTR) {
        connected = FinishConnect(end);
    } else {
        m_lastError = errno;
    }
    // From here on the kernel's time-outs bound the waits (see the header).
    int blocking = 0;
    if (connected && ioctl(m_socket, FIONBIO, &blocking) != 0) {
        m_lastError = errno;
        connected = false;
    }
    if (!connected) {
        CloseConnection();
    }
    return connected;
}

// Resolving and every attempt share one wait bound. Each address may take its share of the time
// left, so one that swallows packets still leaves time for the rest; one that refuses takes none.
bool CSyncSocket::ConnectTo(const char* host, std::uint16_t port) {
    if (m_connected) {
        return true;
    }
    const Clock::time_point end = WaitEnd();
    char portText[8];
    std::snprintf(portText, sizeof portText, "%u", static_cast<unsigned>(port));
    CHostAddress address;
    m_lastError = address.ResolveHost(host, portText, end);
    if (m_lastError != 0) {
        return false;
    }
    std::int64_t left = 0;
    for (const addrinfo* each = address.First(); each != nullptr; each = each->ai_next) {
        ++left;
    }
    for (const addrinfo* each = address.First(); each != nullptr; each = each->ai_next, --left) {
        const Clock::time_point now = Clock::now();
        if (now >= end) {
            m_lastError = net::kErrorTimedOut;
            break;
        }
        if (ConnectOne(*each, now + (end - now) / left)) {
            m_connected = true;
            return true;
        }
    }
    CloseConnection();
    return false;
}

bool CSyncSocket::SendBuffers(std::span<const SocketBuffer> buffers, std::uint32_t& bytesSent) {
    bytesSent = 0;
    if (!m_connected) {
        m_lastError = net::kErrorNotConnected;
        return false;
    }
    std::unique_lock lock(m_writeLock, std::try_to_lock);
    if (!lock.owns_lock()) {
        m_lastError = net::kErrorInProgress;
        return false;
    }
    // A request is a head and a body: the pieces live on the stack unless there are many.
    std::array<iovec, kMaxPiecesPerSend> local{};
    std::vector<iovec> many;
    if (buffers.size() > local.size()) {
        many.resize(buffers.size());
    }
    iovec* const room = many.empty() ? local.data() : many.data();
    std::size_t count = 0;
    for (const SocketBuffer& buffer : buffers) {
        if (buffer.length > 0) {
            room[count++] = {const_cast<void*>(buffer.data), buffer.length};
        }
    }
    const std::span<iovec> pieces(room, count);
    std::size_t next = 0;
    std::uint64_t total = 0;
    while (next < pieces.size()) {
        msghdr message{};
        message.msg_iov = pieces.data() + next;
        message.msg_iovlen = std::min<std::size_t>(pieces.size() - next, kMaxPiecesPerSend);
        if (!PrepareWait(SO_SNDTIMEO, m_sendTimeoutSet)) {
            break;
        }
        // One piece (every TLS record) goes without a message header for the kernel to copy in.
        const ssize_t sent = message.msg_iovlen == 1
                                 ? send(m_socket, message.msg_iov[0].iov_base,
                                        message.msg_iov[0].iov_len, MSG_NOSIGNAL)
                                 : sendmsg(m_socket, &message, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) {
                continue;
            }
            m_lastError = errno == EAGAIN || errno == EWOULDBLOCK ? net::kErrorTimedOut : errno;
            break;
        }
        total += static_cast<std::uint64_t>(sent);
        auto left = static_cast<std::size_t>(sent);
        while (next < pieces.size() && left >= pieces[next].iov_len) {
            left -= pieces[next].iov_len;
            ++next;
        }
        if (left > 0) {
            pieces[next].iov_base = static_cast<char*>(pieces[next].iov_base) + left;
            pieces[next].iov_len -= left;
        }
    }
    bytesSent = static_cast<std::uint32_t>(std::min<std::uint64_t>(total, UINT32_MAX));
    return next == pieces.size();
}

bool CSyncSocket::ReceiveSome(void* buffer, std::uint32_t& length) {
    const std::uint32_t room = length;
    length = 0;
    if (!m_connected) {
        m_lastError = net::kErrorNotConnected;
        return false;
    }
    std::unique_lock lock(m_readLock, std::try_to_lock);
    if (!lock.owns_lock()) {
        m_lastError = net::kErrorInProgress;
        return false;
    }
    for (;;) {
        if (!PrepareWait(SO_RCVTIMEO, m_receiveTimeoutSet)) {
            return false;
        }
        const ssize_t got = recv(m_socket, buffer, room, 0);
        if (got >= 0) {
            length = static_cast<std::uint32_t>(got);
            return true;
        }
        if (errno == EINTR) {
            continue;
        }
        m_lastError = errno == EAGAIN || errno == EWOULDBLOCK ? net::kErrorTimedOut : errno;
        return false;
    }
}

bool CSyncSocket::PeerHasClosed() {
    if (!m_connected) {
        return true;
    }
    char probe = 0;
    const ssize_t got = recv(m_socket, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    return !(got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR));
}

void CSyncSocket::CloseConnection() {
    if (m_socket >= 0) {
        close(m_socket);
        m_socket = -1;
    }
    m_connected = false;
    m_receiveTimeoutSet = m_sendTimeoutSet = 0;
}

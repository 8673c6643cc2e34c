#include "net/CHostAddress.h"

#include "net/SocketErrors.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <pthread.h>
#include <string>
#include <sys/socket.h>

namespace {

std::atomic<int> g_lookupsRunning{0};

constexpr std::chrono::hours kLongestSlice{1};

// One lookup on its own thread. The thread and the waiting caller each hold a reference; the
// caller may give up at its bound, and the thread's answer then dies with the record.
struct Lookup {
    Lookup(const char* hostName, const char* portText) : host(hostName), port(portText) {}
    Lookup(const Lookup&) = delete;
    Lookup& operator=(const Lookup&) = delete;
    ~Lookup() {
        if (list != nullptr) {
            freeaddrinfo(list);
        }
    }

    const std::string host;
    const std::string port;
    std::mutex lock;
    std::condition_variable answered;
    bool finished = false;
    std::int32_t code = 0;
    addrinfo* list = nullptr;
};

// glibc's EAI_* codes are negative; keep them negative everywhere so they never collide with errno
// values in the same field.
std::int32_t Resolve(const char* host, const char* port, int flags, addrinfo*& list) {
    addrinfo hints{};
    hints.ai_flags = flags;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    list = nullptr;
    const int code = getaddrinfo(host, port, &hints, &list);
    if (code != 0) {
        list = nullptr;
        return code < 0 ? code : -code;
    }
    return list == nullptr ? EAI_NONAME : 0;
}

void* RunLookup(void* argument) {
    {
        const std::unique_ptr<std::shared_ptr<Lookup>> held(
            static_cast<std::shared_ptr<Lookup>*>(argument));
        Lookup& lookup = **held;
        addrinfo* list = nullptr;
        const std::int32_t code = Resolve(lookup.host.c_str(), lookup.port.c_str(), 0, list);
        const std::lock_guard guard(lookup.lock);
        lookup.code = code;
        lookup.list = list;
        lookup.finished = true;
        lookup.answered.notify_all();
    }
    // Counted down only once the record may be gone, so a count of 0 means nothing is left behind.
    g_lookupsRunning.fetch_sub(1);
    return nullptr;
}

[[nodiscard]] bool StartLookup(const std::shared_ptr<Lookup>& lookup) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) {
        return false;
    }
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    auto* held = new std::shared_ptr<Lookup>(lookup);
    g_lookupsRunning.fetch_add(1);
    pthread_t thread{};
    const bool started = pthread_create(&thread, &attributes, RunLookup, held) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) {
        g_lookupsRunning.fetch_sub(1);
        delete held;
    }
    return started;
}

} // namespace

CHostAddress::~CHostAddress() {
    Release();
}

void CHostAddress::Release() {
    if (m_list != nullptr) {
        freeaddrinfo(m_list);
        m_list = nullptr;
    }
}

int CHostAddress::LookupsRunning() {
    return g_lookupsRunning.load();
}

std::int32_t CHostAddress::ResolveHost(const char* host, const char* port) {
    Release();
    return Resolve(host, port, 0, m_list);
}

std::int32_t CHostAddress::ResolveHost(const char* host, const char* port,
                                       CoarseClock::time_point end) {
    Release();
    // An address literal needs no name server: no thread, no wait.
    if (Resolve(host, port, AI_NUMERICHOST, m_list) == 0) {
        return 0;
    }
    const auto lookup = std::make_shared<Lookup>(host, port);
    if (!StartLookup(lookup)) {
        return EAI_AGAIN;
    }
    std::unique_lock guard(lookup->lock);
    while (!lookup->finished) {
        const CoarseClock::time_point now = CoarseClock::now();
        if (now >= end) {
            return net::kErrorResolveTimedOut;
        }
        // Sliced, so that an end far away never overflows the condition's own clock.
        lookup->answered.wait_for(guard, std::min<CoarseClock::duration>(end - now, kLongestSlice));
    }
    m_list = lookup->list;
    lookup->list = nullptr;
    return lookup->code;
}

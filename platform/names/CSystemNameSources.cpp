#include "names/CSystemNameSources.h"

#include "names/SambaConfig.h"

#include <netdb.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <climits>
#include <condition_variable>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

namespace names {

namespace {

// Shared between the caller and the resolving thread, which may outlive a caller that gave up.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::optional<std::string> canonical;
};

std::optional<std::string> Resolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> canonical;
    if (found->ai_canonname != nullptr) {
        canonical = found->ai_canonname;
    }
    freeaddrinfo(found);
    return canonical;
}

} // namespace

CSystemNameSources::CSystemNameSources(std::filesystem::path sambaConfiguration,
                                       std::chrono::milliseconds resolveTimeout)
    : m_sambaConfiguration(std::move(sambaConfiguration)), m_resolveTimeout(resolveTimeout) {}

std::optional<std::string> CSystemNameSources::HostName() {
    char buffer[HOST_NAME_MAX + 1] = {};
    if (gethostname(buffer, sizeof buffer - 1) == 0) {
        return std::string(buffer);
    }
    utsname system{};
    if (uname(&system) == 0) {
        return std::string(system.nodename);
    }
    return std::nullopt;
}

std::optional<std::string> CSystemNameSources::CanonicalName(std::string_view host) {
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, name = std::string(host)] {
        std::optional<std::string> canonical = Resolve(name);
        const std::lock_guard lock(lookup->mutex);
        lookup->canonical = std::move(canonical);
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    if (!lookup->done.wait_for(lock, m_resolveTimeout, [&] { return lookup->finished; })) {
        return std::nullopt;
    }
    return lookup->canonical;
}

std::optional<std::string> CSystemNameSources::SambaConfiguration() {
    std::error_code error;
    const auto size = std::filesystem::file_size(m_sambaConfiguration, error);
    if (error || size > kMaxSambaConfiguration) {
        return std::nullopt;
    }
    std::ifstream file(m_sambaConfiguration, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad() || text.str().size() > kMaxSambaConfiguration) {
        return std::nullopt;
    }
    return text.str();
}

} // namespace names

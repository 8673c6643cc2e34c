#pragma once
// This system's name sources: the kernel's host name, name resolution (waited for at most
// `resolveTimeout`), and the Samba configuration file.

#include "names/INameSources.h"

#include <chrono>
#include <filesystem>

namespace names {

inline constexpr std::chrono::milliseconds kDefaultResolveTimeout{3000};

class CSystemNameSources : public INameSources {
public:
    explicit CSystemNameSources(std::filesystem::path sambaConfiguration = "/etc/samba/smb.conf",
                                std::chrono::milliseconds resolveTimeout = kDefaultResolveTimeout);

    [[nodiscard]] std::optional<std::string> HostName() override;
    [[nodiscard]] std::optional<std::string> CanonicalName(std::string_view host) override;
    [[nodiscard]] std::optional<std::string> SambaConfiguration() override;

private:
    std::filesystem::path m_sambaConfiguration;
    std::chrono::milliseconds m_resolveTimeout;
};

} // namespace names

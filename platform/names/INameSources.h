#pragma once
// Where this system's names come from. Each answer is nullopt when its source does not exist or
// cannot be read, so that nothing is ever made up.

#include <optional>
#include <string>
#include <string_view>

namespace names {

class INameSources {
public:
    virtual ~INameSources() = default;

    // The kernel's host name.
    [[nodiscard]] virtual std::optional<std::string> HostName() = 0;
    // The canonical name that name resolution gives for `host`.
    [[nodiscard]] virtual std::optional<std::string> CanonicalName(std::string_view host) = 0;
    // The text of the Samba configuration, when there is one.
    [[nodiscard]] virtual std::optional<std::string> SambaConfiguration() = 0;
};

} // namespace names

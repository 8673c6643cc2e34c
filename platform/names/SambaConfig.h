#pragma once
// The two settings of a Samba configuration that name this computer on its LAN, read from the
// [global] section. Parameter names ignore case and spaces ("NetBIOS Name" = "netbiosname");
// lines starting with '#' or ';' are comments, and a line ending in '\' continues on the next.

#include <optional>
#include <string>
#include <string_view>

namespace names {

struct SambaIdentity {
    std::optional<std::string> workgroup;
    std::optional<std::string> netbiosName;
};

// Configurations larger than this are not read: a real one is a few kilobytes.
inline constexpr std::size_t kMaxSambaConfiguration = 1024 * 1024;

[[nodiscard]] SambaIdentity ParseSambaIdentity(std::string_view configuration);

} // namespace names

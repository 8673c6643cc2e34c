#pragma once
// The computer's names, asked the way the desktop's name queries ask for them, so that the text
// built from them reads the same everywhere.
//
// A name query answers true with the name and sets `size` to its length in bytes (0 for a name that
// is empty). A failed query answers false with the name empty, and either leaves `size` as the
// caller set it or sets it to the length the name would need. Names are never cut short.

#include <cstdint>
#include <optional>
#include <string>

namespace names {

enum class ComputerNameFormat : int {
    NetBios = 0,
    DnsHostname = 1,
    DnsDomain = 2,
    DnsFullyQualified = 3,
    PhysicalNetBios = 4,
    PhysicalDnsHostname = 5,
    PhysicalDnsDomain = 6,
    PhysicalDnsFullyQualified = 7,
};

// Status codes of the workstation query.
inline constexpr std::uint32_t kNerrSuccess = 0;
inline constexpr std::uint32_t kNerrWkstaNotStarted = 2138;

inline constexpr std::uint32_t kPlatformIdNt = 500;

// The workstation record at its information level 102. A string field without a value is nullopt.
struct WkstaInfo102 {
    std::uint32_t platformId = 0;
    std::optional<std::u16string> computerName;
    std::optional<std::u16string> lanGroup;
    std::uint32_t versionMajor = 0;
    std::uint32_t versionMinor = 0;
    std::optional<std::u16string> lanRoot;
    std::uint32_t loggedOnUsers = 0;
};

class IComputerNames {
public:
    virtual ~IComputerNames() = default;

    [[nodiscard]] virtual bool GetComputerName(std::string& name, std::uint32_t& size) = 0;
    [[nodiscard]] virtual bool GetComputerNameEx(ComputerNameFormat format, std::string& name,
                                                 std::uint32_t& size) = 0;
    // The local workstation's record; answers kNerrSuccess or the status of the failure.
    [[nodiscard]] virtual std::uint32_t NetWkstaGetInfo102(WkstaInfo102& info) = 0;
};

} // namespace names

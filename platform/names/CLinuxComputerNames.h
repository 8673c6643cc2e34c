#pragma once
// Answers the desktop's name queries from this system's own names:
// - the NetBIOS-style name is the host name's first label in upper case, at most 15 bytes;
// - the DNS host name is the host name's first label as it stands;
// - the DNS domain and fully qualified name come from the host name when it holds a dot, otherwise
//   from the canonical name that name resolution gives for it (no dot there: no domain);
// - the physical names are the same as the others (there are no cluster names here);
// - the workstation record comes from the Samba [global] workgroup, when one is configured.
// A query whose source is missing fails; no value is made up for it.

#include "names/IComputerNames.h"
#include "names/INameSources.h"

#include <optional>
#include <string>

namespace names {

inline constexpr std::size_t kNetBiosNameLength = 15;

class CLinuxComputerNames : public IComputerNames {
public:
    explicit CLinuxComputerNames(INameSources& sources);

    [[nodiscard]] bool GetComputerName(std::string& name, std::uint32_t& size) override;
    [[nodiscard]] bool GetComputerNameEx(ComputerNameFormat format, std::string& name,
                                         std::uint32_t& size) override;
    [[nodiscard]] std::uint32_t NetWkstaGetInfo102(WkstaInfo102& info) override;

    // The NetBIOS-style form of a host name.
    [[nodiscard]] static std::string NetBiosName(std::string_view hostName);

private:
    [[nodiscard]] std::optional<std::string> Answer(ComputerNameFormat format);
    [[nodiscard]] std::optional<std::string> FullyQualifiedName();
    [[nodiscard]] const std::optional<std::string>& HostName();

    INameSources& m_sources;
    // Each source is asked once per instance: one gathering sees one consistent set of names.
    std::optional<std::optional<std::string>> m_hostName;
    std::optional<std::optional<std::string>> m_canonicalName;
};

} // namespace names

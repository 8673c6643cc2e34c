#include "names/CLinuxComputerNames.h"

#include "names/SambaConfig.h"
#include "text/Utf8.h"

#include <cctype>

namespace names {

namespace {

std::string_view FirstLabel(std::string_view name) {
    return name.substr(0, name.find('.'));
}

bool Deliver(const std::optional<std::string>& answer, std::string& name, std::uint32_t& size) {
    name.clear();
    if (!answer) {
        return false;
    }
    name = *answer;
    size = static_cast<std::uint32_t>(name.size());
    return true;
}

} // namespace

CLinuxComputerNames::CLinuxComputerNames(INameSources& sources) : m_sources(sources) {}

std::string CLinuxComputerNames::NetBiosName(std::string_view hostName) {
    std::string name(FirstLabel(hostName));
    for (char& c : name) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (name.size() > kNetBiosNameLength) {
        std::size_t cut = kNetBiosNameLength;
        // Never split a UTF-8 sequence: back off over continuation bytes.
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        name.resize(cut);
    }
    return name;
}

bool CLinuxComputerNames::GetComputerName(std::string& name, std::uint32_t& size) {
    return Deliver(Answer(ComputerNameFormat::NetBios), name, size);
}

bool CLinuxComputerNames::GetComputerNameEx(ComputerNameFormat format, std::string& name,
                                            std::uint32_t& size) {
    return Deliver(Answer(format), name, size);
}

const std::optional<std::string>& CLinuxComputerNames::HostName() {
    if (!m_hostName) {
        m_hostName = m_sources.HostName();
    }
    return *m_hostName;
}

std::optional<std::string> CLinuxComputerNames::FullyQualifiedName() {
    const std::optional<std::string>& host = HostName();
    if (!host) {
        return std::nullopt;
    }
    if (host->find('.') != std::string::npos) {
        return host;
    }
    if (!m_canonicalName) {
        m_canonicalName = m_sources.CanonicalName(*host);
    }
    if (!*m_canonicalName) {
        return std::nullopt;
    }
    const std::string& canonical = **m_canonicalName;
    // A canonical name without a dot says only that there is no domain.
    return canonical.find('.') != std::string::npos ? canonical : *host;
}

std::optional<std::string> CLinuxComputerNames::Answer(ComputerNameFormat format) {
    const std::optional<std::string>& host = HostName();
    switch (format) {
    case ComputerNameFormat::NetBios:
    case ComputerNameFormat::PhysicalNetBios:
        return host ? std::optional(NetBiosName(*host)) : std::nullopt;
    case ComputerNameFormat::DnsHostname:
    case ComputerNameFormat::PhysicalDnsHostname:
        return host ? std::optional(std::string(FirstLabel(*host))) : std::nullopt;
    case ComputerNameFormat::DnsDomain:
    case ComputerNameFormat::PhysicalDnsDomain: {
        const std::optional<std::string> full = FullyQualifiedName();
        if (!full) {
            return std::nullopt;
        }
        const std::size_t dot = full->find('.');
        return dot == std::string::npos ? std::string() : full->substr(dot + 1);
    }
    case ComputerNameFormat::DnsFullyQualified:
    case ComputerNameFormat::PhysicalDnsFullyQualified:
        return FullyQualifiedName();
    }
    return std::nullopt;
}

std::uint32_t CLinuxComputerNames::NetWkstaGetInfo102(WkstaInfo102& info) {
    info = WkstaInfo102{};
    const std::optional<std::string> configuration = m_sources.SambaConfiguration();
    if (!configuration) {
        return kNerrWkstaNotStarted;
    }
    const SambaIdentity identity = ParseSambaIdentity(*configuration);
    if (!identity.workgroup) {
        return kNerrWkstaNotStarted;
    }
    // Samba speaks for this computer as an NT-family workstation. The version and the LAN root
    // are not known here and stay empty.
    info.platformId = kPlatformIdNt;
    info.lanGroup = text::Utf8ToUtf16(*identity.workgroup);
    if (identity.netbiosName) {
        info.computerName = text::Utf8ToUtf16(NetBiosName(*identity.netbiosName));
    } else if (const std::optional<std::string>& host = HostName()) {
        info.computerName = text::Utf8ToUtf16(NetBiosName(*host));
    }
    return kNerrSuccess;
}

} // namespace names

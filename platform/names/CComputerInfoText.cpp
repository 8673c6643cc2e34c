#include "names/CComputerInfoText.h"

#include "text/Utf8.h"

#include <array>
#include <optional>
#include <string_view>

namespace {

using names::ComputerNameFormat;

struct NameLine {
    std::optional<ComputerNameFormat> format; // none: the plain computer-name query
    std::string_view label;
};

constexpr std::array kNameLines{
    NameLine{std::nullopt, "Computer Name"},
    NameLine{ComputerNameFormat::NetBios, "ComputerNameNetBIOS"},
    NameLine{ComputerNameFormat::DnsHostname, "ComputerNameDnsHostname"},
    NameLine{ComputerNameFormat::DnsDomain, "ComputerNameDnsDomain"},
    NameLine{ComputerNameFormat::DnsFullyQualified, "ComputerNameDnsFullyQualified"},
    NameLine{ComputerNameFormat::PhysicalNetBios, "ComputerNamePhysicalNetBIOS"},
    NameLine{ComputerNameFormat::PhysicalDnsHostname, "ComputerNamePhysicalDnsHostname"},
    NameLine{ComputerNameFormat::PhysicalDnsDomain, "ComputerNamePhysicalDnsDomain"},
    NameLine{ComputerNameFormat::PhysicalDnsFullyQualified,
             "ComputerNamePhysicalDnsFullyQualified"},
};

void AppendLine(std::string& text, std::string_view label, std::string_view value) {
    text.append(label).append(": ").append(value).append("\r\n");
}

std::string Narrow(const std::optional<std::u16string>& field) {
    return field ? text::Utf16ToUtf8(*field) : std::string(CComputerInfoText::kNoString);
}

} // namespace

std::string CComputerInfoText::Gather(names::IComputerNames& names) {
    std::string text;
    AppendNames(names, text);
    AppendWorkstation(names, text);
    return text;
}

void CComputerInfoText::AppendNames(names::IComputerNames& names, std::string& text) {
    for (const NameLine& line : kNameLines) {
        std::string name;
        std::uint32_t size = kNameRoom;
        // Only the size decides: a query may fail and still leave a size, and then the value is
        // whatever it wrote (nothing).
        if (line.format) {
            (void)names.GetComputerNameEx(*line.format, name, size);
        } else {
            (void)names.GetComputerName(name, size);
        }
        AppendLine(text, line.label, size == 0 ? std::string_view(kDoesNotExist) : name);
    }
}

void CComputerInfoText::AppendWorkstation(names::IComputerNames& names, std::string& text) {
    names::WkstaInfo102 info;
    if (names.NetWkstaGetInfo102(info) != names::kNerrSuccess) {
        text.append("NetWkstaGetInfo failed!\r\n");
        return;
    }
    AppendLine(text, "NetWkstaGetInfo [Platform ID]",
               std::to_string(static_cast<std::int32_t>(info.platformId)));
    AppendLine(text, "NetWkstaGetInfo [Computer Name]", Narrow(info.computerName));
    AppendLine(text, "NetWkstaGetInfo [Lan Group]", Narrow(info.lanGroup));
    AppendLine(text, "NetWkstaGetInfo [Lan Root]", Narrow(info.lanRoot));
}

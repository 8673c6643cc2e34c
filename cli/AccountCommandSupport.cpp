#include "cli/AccountCommandSupport.h"

#include "text/Utf8.h"

#include <algorithm>
#include <cstdio>

namespace cli {

bool ParseOptions(std::string_view command, Arguments args,
                  std::initializer_list<std::string_view> allowed,
                  std::map<std::string, std::string>& options) {
    for (std::size_t i = 0; i < args.size(); i += 2) {
        const std::string_view name = args[i];
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            std::fprintf(stderr, "keldwick-cli %.*s: unknown option \"%.*s\"\n",
                         static_cast<int>(command.size()), command.data(),
                         static_cast<int>(name.size()), name.data());
            return false;
        }
        if (i + 1 >= args.size()) {
            std::fprintf(stderr, "keldwick-cli %.*s: %.*s needs a value\n",
                         static_cast<int>(command.size()), command.data(),
                         static_cast<int>(name.size()), name.data());
            return false;
        }
        if (!options.emplace(std::string(name), std::string(args[i + 1])).second) {
            std::fprintf(stderr, "keldwick-cli %.*s: %.*s given twice\n",
                         static_cast<int>(command.size()), command.data(),
                         static_cast<int>(name.size()), name.data());
            return false;
        }
    }
    return true;
}

std::optional<CAccountServiceT> MakeProxy(const std::map<std::string, std::string>& options) {
    const auto endpoint = options.find("--endpoint");
    if (endpoint != options.end()) {
        return std::optional<CAccountServiceT>(std::in_place, endpoint->second);
    }
    return std::optional<CAccountServiceT>(std::in_place);
}

CBstr ToBstr(std::string_view utf8) {
    return CBstr(text::Utf8ToUtf16(utf8));
}

std::string Printable(BSTR text) {
    return text == nullptr ? std::string("(null)") : text::Utf16ToUtf8(BstrView(text));
}

int ReportCall(const CAccountServiceT& proxy, HRESULT hr) {
    std::printf("HRESULT: 0x%08X (%d)\n", static_cast<unsigned>(hr), static_cast<int>(hr));
    const std::string_view status = SoapClientStatusName(proxy.m_status);
    std::printf("m_status: %d %.*s\n", static_cast<int>(proxy.m_status),
                static_cast<int>(status.size()), status.data());
    if (proxy.m_status == StatusSoapFault || proxy.m_status == StatusFaultUnreadable) {
        const CFaultRecord& fault = proxy.GetFault();
        std::printf("fault code: %d %s\n", fault.code,
                    Printable(fault.codeLocalName.Get()).c_str());
        std::printf("fault string: %s\n", Printable(fault.faultString.Get()).c_str());
    }
    if (proxy.m_status == StatusSendFailed || proxy.m_status == StatusServerError) {
        std::printf("HTTP status: %d\n", proxy.GetHttpClient().GetStatus());
    }
    return Failed(hr) ? 1 : 0;
}

} // namespace cli

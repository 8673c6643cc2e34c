#include "cli/AccountCommandSupport.h"

#include "net/CTlsSocket.h"
#include "text/Utf8.h"
#include "webservice/soap/CTraceWriter.h"

#include <algorithm>
#include <cstdio>

namespace cli {

int ParseOptions(std::string_view command, Arguments args,
                 std::initializer_list<std::string_view> allowed,
                 std::map<std::string, std::string>& options, int& verbosity) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view name = args[i];
        if (name == "--help" || name == "-h") {
            PrintCommandHelp(command);
            return 0;
        }
        if (name == "-v" || name == "--verbose" || name == "-vv") {
            verbosity += name == "-vv" ? 2 : 1;
            continue;
        }
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            std::fprintf(stderr, "keldwick-cli %.*s: unknown option \"%.*s\"\n",
                         static_cast<int>(command.size()), command.data(),
                         static_cast<int>(name.size()), name.data());
            return 2;
        }
        if (i + 1 >= args.size()) {
            std::fprintf(stderr, "keldwick-cli %.*s: %.*s needs a value\n",
                         static_cast<int>(command.size()), command.data(),
                         static_cast<int>(name.size()), name.data());
            return 2;
        }
        if (!options.emplace(std::string(name), std::string(args[++i])).second) {
            std::fprintf(stderr, "keldwick-cli %.*s: %.*s given twice\n",
                         static_cast<int>(command.size()), command.data(),
                         static_cast<int>(name.size()), name.data());
            return 2;
        }
    }
    return -1;
}

void PrintCommandHelp(std::string_view command) {
    for (const CliCommand& entry : AllCommands()) {
        if (entry.name == command) {
            std::printf("usage: keldwick-cli %.*s\n", static_cast<int>(entry.usage.size()),
                        entry.usage.data());
        }
    }
    std::printf("\n-v, --verbose: write the exchange to standard error (\"> \" request lines, "
                "\"< \" answer\nlines, \"* \" notes); -vv adds the bodies. Passwords show as "
                "********.\n%.*s",
                static_cast<int>(kExitStatusHelp.size()), kExitStatusHelp.data());
}

IHttpTrace* TraceFor(int verbosity) {
    static CTraceWriter headsOnly(stderr, 1, account::kSecretElements);
    static CTraceWriter withBodies(stderr, 2, account::kSecretElements);
    if (verbosity <= 0) {
        return nullptr;
    }
    return verbosity == 1 ? &headsOnly : &withBodies;
}

std::optional<CAccountServiceT> MakeProxy(const std::map<std::string, std::string>& options,
                                          int verbosity) {
    // The one proxy of this process takes the trace when it is made.
    CAccountServiceT::SetProcessTrace(TraceFor(verbosity));
    // A private CA is trusted beside the system's store, for this process's calls.
    if (const auto caFile = options.find("--cacert"); caFile != options.end()) {
        CTlsSocket::SetExtraCaFile(caFile->second);
    }
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

int ReportCall(std::string_view command, const CAccountServiceT& proxy, HRESULT hr) {
    if (Failed(hr)) {
        std::fflush(stdout);
        std::fprintf(stderr, "keldwick-cli %.*s: %s\n", static_cast<int>(command.size()),
                     command.data(), proxy.FailureReason().c_str());
    }
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

#include "cli/AccountCommandSupport.h"

#include "net/CTlsSocket.h"
#include "text/Utf8.h"
#include "webservice/soap/CTraceWriter.h"

#include <cstdio>

namespace cli {

void AddCallOptions(CLI::App& command, CallOptions& options, bool withEndpoint) {
    command.add_flag("-v,--verbose", options.verbosity,
                     "write the exchange to standard error (\"> \" request lines, \"< \" answer "
                     "lines, \"* \" notes); -vv adds the bodies. Passwords show as ********.");
    if (withEndpoint) {
        command.add_option(
            "--endpoint", options.endpoint,
            "the service's URL (default: $KELDWICK_ENDPOINT, else the built-in one)");
    }
    command
        .add_option("--cacert", options.caFile,
                    "over https, also trust the CA certificates in this PEM file (default: "
                    "$KELDWICK_CA_FILE, else only the system's)")
        // A file that is not there is a usage error now, not a failed call later.
        ->check(CLI::ExistingFile);
}

void TrustCaFile(const CallOptions& options) {
    // Trusted beside the system's store, for every call this process makes.
    if (!options.caFile.empty()) {
        CTlsSocket::SetExtraCaFile(options.caFile);
    }
}

IHttpTrace* TraceFor(int verbosity) {
    static CTraceWriter headsOnly(stderr, 1, account::kSecretElements);
    static CTraceWriter withBodies(stderr, 2, account::kSecretElements);
    if (verbosity <= 0) {
        return nullptr;
    }
    return verbosity == 1 ? &headsOnly : &withBodies;
}

std::optional<CAccountServiceT> MakeProxy(const CallOptions& options) {
    // The one proxy of this process takes the trace when it is made.
    CAccountServiceT::SetProcessTrace(TraceFor(options.verbosity));
    TrustCaFile(options);
    if (!options.endpoint.empty()) {
        return std::optional<CAccountServiceT>(std::in_place, options.endpoint);
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

// keldwick-cli get-error-message: asks the service for the text of one of its error codes.

#include "cli/AccountCommandSupport.h"

#include <charconv>
#include <cstdio>

namespace cli {

int RunGetErrorMessage(Arguments args) {
    std::map<std::string, std::string> options;
    int verbosity = 0;
    if (const int parsed =
            ParseOptions("get-error-message", args,
                         {"--session", "--code", "--endpoint", "--cacert"}, options, verbosity);
        parsed >= 0) {
        return parsed;
    }
    const auto code = options.find("--code");
    std::int32_t errorCode = 0;
    if (code == options.end() ||
        std::from_chars(code->second.data(), code->second.data() + code->second.size(), errorCode)
                .ptr != code->second.data() + code->second.size() ||
        code->second.empty()) {
        std::fprintf(stderr, "keldwick-cli get-error-message: --code needs a 32-bit number\n");
        return 2;
    }
    auto proxy = MakeProxy(options, verbosity);
    const auto session = options.find("--session");
    const CBstr sessionId = session != options.end() ? ToBstr(session->second) : CBstr();
    BSTR message = nullptr;
    const HRESULT hr = proxy->GetErrorMessage(sessionId.Get(), errorCode, &message);
    const CBstr owned = CBstr::Attach(message);
    if (Succeeded(hr)) {
        std::printf("message: %s\n", Printable(owned.Get()).c_str());
    }
    return ReportCall("get-error-message", *proxy, hr);
}

} // namespace cli

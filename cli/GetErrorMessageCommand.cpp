// keldwick-cli get-error-message: asks the service for the text of one of its error codes.

#include "cli/AccountCommandSupport.h"

#include <cstdio>
#include <limits>
#include <memory>

namespace cli {

namespace {

struct GetErrorMessageOptions {
    CallOptions call;
    std::string session;
    const CLI::Option* sessionGiven = nullptr;
    std::int32_t code = 0;
};

int RunGetErrorMessage(const GetErrorMessageOptions& options) {
    auto proxy = MakeProxy(options.call);
    const CBstr sessionId = options.sessionGiven->count() > 0 ? ToBstr(options.session) : CBstr();
    BSTR message = nullptr;
    const HRESULT hr = proxy->GetErrorMessage(sessionId.Get(), options.code, &message);
    const CBstr owned = CBstr::Attach(message);
    if (Succeeded(hr)) {
        std::printf("message: %s\n", Printable(owned.Get()).c_str());
    }
    return ReportCall("get-error-message", *proxy, hr);
}

} // namespace

CommandRunner DefineGetErrorMessage(CLI::App& command) {
    auto options = std::make_shared<GetErrorMessageOptions>();
    AddCallOptions(command, options->call, true);
    options->sessionGiven =
        command.add_option("--session", options->session, "the session id (default: none)");
    AddNumberOption(command, "--code", options->code, std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max(), "the service's error code")
        ->required();
    return [options] { return RunGetErrorMessage(*options); };
}

} // namespace cli

// keldwick-cli email-password: asks the service to e-mail a user's password.

#include "cli/AccountCommandSupport.h"

#include <cstdio>
#include <memory>

namespace cli {

namespace {

struct EmailPasswordOptions {
    CallOptions call;
    std::string user;
};

int RunEmailPassword(const EmailPasswordOptions& options) {
    auto proxy = MakeProxy(options.call);
    const CBstr user = ToBstr(options.user);
    std::int32_t result = 0;
    const HRESULT hr = proxy->EmailUserPassword(user.Get(), &result);
    if (Succeeded(hr)) {
        std::printf("error code: %d\n", result);
    }
    return ReportCall("email-password", *proxy, hr);
}

} // namespace

CommandRunner DefineEmailPassword(CLI::App& command) {
    auto options = std::make_shared<EmailPasswordOptions>();
    AddCallOptions(command, options->call, true);
    command.add_option("--user", options->user, "the user id")->required();
    return [options] { return RunEmailPassword(*options); };
}

} // namespace cli

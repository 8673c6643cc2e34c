// keldwick-cli email-password: asks the service to e-mail a user's password.

#include "cli/AccountCommandSupport.h"

#include <cstdio>

namespace cli {

int RunEmailPassword(Arguments args) {
    std::map<std::string, std::string> options;
    int verbosity = 0;
    if (const int parsed = ParseOptions("email-password", args,
                                        {"--user", "--endpoint", "--cacert"}, options, verbosity);
        parsed >= 0) {
        return parsed;
    }
    if (options.count("--user") == 0) {
        std::fprintf(stderr, "keldwick-cli email-password: --user is needed\n");
        return 2;
    }
    auto proxy = MakeProxy(options, verbosity);
    const CBstr user = ToBstr(options["--user"]);
    std::int32_t result = 0;
    const HRESULT hr = proxy->EmailUserPassword(user.Get(), &result);
    if (Succeeded(hr)) {
        std::printf("error code: %d\n", result);
    }
    return ReportCall("email-password", *proxy, hr);
}

} // namespace cli

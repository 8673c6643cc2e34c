// keldwick-cli create-session: signs in and prints the session id and the service's error code.

#include "cli/AccountCommandSupport.h"

#include <cstdio>

namespace cli {

int RunCreateSession(Arguments args) {
    std::map<std::string, std::string> options;
    int verbosity = 0;
    if (const int parsed =
            ParseOptions("create-session", args, {"--user", "--password", "--endpoint", "--cacert"},
                         options, verbosity);
        parsed >= 0) {
        return parsed;
    }
    if (options.count("--user") == 0 || options.count("--password") == 0) {
        std::fprintf(stderr, "keldwick-cli create-session: --user and --password are needed\n");
        return 2;
    }
    auto proxy = MakeProxy(options, verbosity);
    const CBstr user = ToBstr(options["--user"]);
    const CBstr password = ToBstr(options["--password"]);
    BSTR session = nullptr;
    std::int32_t errorCode = 0;
    const HRESULT hr = proxy->CreateSession(user.Get(), password.Get(), &session, &errorCode);
    const CBstr owned = CBstr::Attach(session);
    if (Succeeded(hr)) {
        std::printf("session id: %s\n", Printable(owned.Get()).c_str());
        std::printf("error code: %d\n", errorCode);
    }
    return ReportCall("create-session", *proxy, hr);
}

} // namespace cli

// keldwick-cli create-session: signs in and prints the session id and the service's error code.

#include "cli/AccountCommandSupport.h"

#include <cstdio>
#include <memory>

namespace cli {

namespace {

struct CreateSessionOptions {
    CallOptions call;
    std::string user;
    std::string password;
};

int RunCreateSession(const CreateSessionOptions& options) {
    auto proxy = MakeProxy(options.call);
    const CBstr user = ToBstr(options.user);
    const CBstr password = ToBstr(options.password);
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

} // namespace

CommandRunner DefineCreateSession(CLI::App& command) {
    auto options = std::make_shared<CreateSessionOptions>();
    AddCallOptions(command, options->call, true);
    command.add_option("--user", options->user, "the user id")->required();
    command.add_option("--password", options->password, "the password")->required();
    return [options] { return RunCreateSession(*options); };
}

} // namespace cli

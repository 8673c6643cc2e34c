// keldwick-cli bench create-session: N CreateSession calls on one proxy against any server, with
// the calls per second, the CPU time per call (user and system) and the connections opened.

#include "cli/AccountCommandSupport.h"

#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>
#include <sys/resource.h>

namespace cli {

namespace {

constexpr std::uint32_t kDefaultCount = 1000;

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

struct BenchFigures {
    std::uint32_t calls = 0;
    double seconds = 0;
    double userSeconds = 0;
    double systemSeconds = 0;
};

void PrintFigures(const BenchFigures& figures, std::uint32_t connections) {
    const double calls = figures.calls > 0 ? figures.calls : 1;
    std::printf("calls: %u\n", figures.calls);
    std::printf("seconds: %.3f\n", figures.seconds);
    std::printf("calls per second: %.0f\n", figures.seconds > 0 ? calls / figures.seconds : 0.0);
    std::printf("CPU per call: %.2f us user, %.2f us system, %.2f us total\n",
                figures.userSeconds / calls * 1e6, figures.systemSeconds / calls * 1e6,
                (figures.userSeconds + figures.systemSeconds) / calls * 1e6);
    std::printf("connections opened: %u\n", connections);
}

struct BenchOptions {
    CallOptions call;
    std::string user;
    std::string password;
    std::uint32_t count = kDefaultCount;
};

int RunBench(const BenchOptions& options) {
    auto proxy = MakeProxy(options.call);
    const CBstr user = ToBstr(options.user);
    const CBstr password = ToBstr(options.password);
    rusage before{};
    rusage after{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    BenchFigures figures;
    HRESULT hr = S_OK;
    for (; figures.calls < options.count; ++figures.calls) {
        BSTR session = nullptr;
        std::int32_t errorCode = 0;
        hr = proxy->CreateSession(user.Get(), password.Get(), &session, &errorCode);
        SysFreeString(session);
        if (Failed(hr)) {
            break;
        }
    }
    figures.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    getrusage(RUSAGE_SELF, &after);
    figures.userSeconds = Seconds(after.ru_utime) - Seconds(before.ru_utime);
    figures.systemSeconds = Seconds(after.ru_stime) - Seconds(before.ru_stime);
    const CHttpClientT& client = proxy->GetHttpClient();
    PrintFigures(figures, client.Counters().connectionsOpened);
    // Over https: how many connections paid a full handshake and how many resumed a session.
    std::printf("TLS full handshakes: %u, resumptions: %u\n", client.TlsCounts().fullHandshakes,
                client.TlsCounts().resumptions);
    return Failed(hr) ? ReportCall("bench", *proxy, hr) : 0;
}

} // namespace

CommandRunner DefineBench(CLI::App& command) {
    command.require_subcommand(1);
    CLI::App* createSession = command.add_subcommand(
        "create-session", "N CreateSession calls on one proxy and one kept connection");
    createSession->footer(std::string(kExitStatusHelp));
    auto options = std::make_shared<BenchOptions>();
    AddCallOptions(*createSession, options->call, true);
    createSession->add_option("--user", options->user, "the user id")->required();
    createSession->add_option("--password", options->password, "the password")->required();
    AddNumberOption(*createSession, "--count", options->count, 1,
                    std::numeric_limits<std::uint32_t>::max(),
                    "the number of calls (default: 1000)");
    return [options] { return RunBench(*options); };
}

} // namespace cli

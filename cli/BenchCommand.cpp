// keldwick-cli bench create-session: N CreateSession calls on one proxy against any server, with
// the calls per second, the CPU time per call (user and system) and the connections opened.

#include "cli/AccountCommandSupport.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>

namespace cli {

namespace {

constexpr std::uint32_t kDefaultCount = 1000;

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

bool ParseCount(const std::string& text, std::uint32_t& count) {
    const char* end = text.data() + text.size();
    return !text.empty() && std::from_chars(text.data(), end, count).ptr == end && count > 0;
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

} // namespace

int RunBench(Arguments args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        PrintCommandHelp("bench");
        return 0;
    }
    if (args.empty() || args[0] != "create-session") {
        std::fprintf(stderr, "keldwick-cli bench: the only benchmark is \"create-session\"\n");
        return 2;
    }
    std::map<std::string, std::string> options;
    int verbosity = 0;
    if (const int parsed = ParseOptions(
            "bench", args.subspan(1), {"--user", "--password", "--count", "--endpoint", "--cacert"},
            options, verbosity);
        parsed >= 0) {
        return parsed;
    }
    std::uint32_t count = kDefaultCount;
    if (options.count("--user") == 0 || options.count("--password") == 0 ||
        (options.count("--count") != 0 && !ParseCount(options["--count"], count))) {
        std::fprintf(stderr, "keldwick-cli bench: --user and --password are needed, and --count "
                             "must be a positive number\n");
        return 2;
    }
    auto proxy = MakeProxy(options, verbosity);
    const CBstr user = ToBstr(options["--user"]);
    const CBstr password = ToBstr(options["--password"]);
    rusage before{};
    rusage after{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    BenchFigures figures;
    HRESULT hr = S_OK;
    for (; figures.calls < count; ++figures.calls) {
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

} // namespace cli

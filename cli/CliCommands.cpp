#include "cli/CliCommand.h"

#include "res/VersionText.h"

#include <array>
#include <cstdio>

namespace cli {

int RunVersion(Arguments args);
int RunFetch(Arguments args);
int RunNames(Arguments args);
int RunEffects(Arguments args);
int RunRenderTip(Arguments args);
int RunCreateSession(Arguments args);
int RunGetErrorMessage(Arguments args);
int RunEmailPassword(Arguments args);
int RunBench(Arguments args);

namespace {

// Add a subcommand here, with its run function in a file of its own.
constexpr std::array kCommands{
    CliCommand{"version", "version", RunVersion},
    CliCommand{"fetch",
               "fetch [-v|-vv] [--method M] [--header \"Name: value\"]... [--content-type T] "
               "[--data-file F] [--timeout MS] [--cacert FILE] URL",
               RunFetch},
    CliCommand{"names", "names", RunNames},
    CliCommand{"effects", "effects --out DIR [--ratio 1|2]", RunEffects},
    CliCommand{"render-tip",
               "render-tip [--wrap PIXELS] [--lines] [--hot] [--frame N] [--balloon [--ratio N]] "
               "(--in FILE | TEXT) --out FILE.png",
               RunRenderTip},
    CliCommand{"create-session",
               "create-session [-v|-vv] --user U --password P [--endpoint URL] [--cacert FILE]",
               RunCreateSession},
    CliCommand{"get-error-message",
               "get-error-message [-v|-vv] [--session S] --code N [--endpoint URL] [--cacert FILE]",
               RunGetErrorMessage},
    CliCommand{"email-password",
               "email-password [-v|-vv] --user U [--endpoint URL] [--cacert FILE]",
               RunEmailPassword},
    CliCommand{
        "bench",
        "bench create-session --user U --password P [--count N] [--endpoint URL] [--cacert FILE]",
        RunBench},
};

} // namespace

std::span<const CliCommand> AllCommands() {
    return kCommands;
}

int RunVersion(Arguments) {
    std::fputs(res::VersionText().c_str(), stdout);
    return 0;
}

} // namespace cli

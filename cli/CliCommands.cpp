#include "cli/CliCommand.h"

#include "res/Version.h"

#include <array>
#include <cstdio>

namespace cli {

int RunVersion(Arguments args);
int RunRenderTip(Arguments args);

namespace {

// Add a subcommand here, with its run function in a file of its own.
constexpr std::array kCommands{
    CliCommand{"version", "version", RunVersion},
    CliCommand{"render-tip",
               "render-tip [--wrap PIXELS] [--lines] [--hot] (--in FILE | TEXT) --out FILE.png",
               RunRenderTip},
};

} // namespace

std::span<const CliCommand> AllCommands() {
    return kCommands;
}

int RunVersion(Arguments) {
    std::printf("%s %s\n", res::kProductName, res::kFileVersion);
    return 0;
}

} // namespace cli

#include "cli/CliCommand.h"

#include "res/Version.h"

#include <array>
#include <cstdio>

namespace cli {

int RunVersion(Arguments args);
int RunEffects(Arguments args);

namespace {

// Add a subcommand here, with its run function in a file of its own.
constexpr std::array kCommands{
    CliCommand{"version", "version", RunVersion},
    CliCommand{"effects", "effects --out DIR [--ratio 1|2]", RunEffects},
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

#include "cli/CliCommand.h"

#include "res/Version.h"

#include <array>
#include <cstdio>

namespace cli {

int RunVersion(Arguments args);
int RunFetch(Arguments args);

namespace {

// Add a subcommand here, with its run function in a file of its own.
constexpr std::array kCommands{
    CliCommand{"version", "version", RunVersion},
    CliCommand{"fetch",
               "fetch [--method M] [--header \"Name: value\"]... [--content-type T] "
               "[--data-file F] [--timeout MS] URL",
               RunFetch},
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

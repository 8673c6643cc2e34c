#pragma once
// One subcommand of keldwick-cli. Each takes the arguments after its name and returns the process
// exit code: 0 on success, 1 when the operation failed, 2 for a usage error.

#include <span>
#include <string_view>

namespace cli {

using Arguments = std::span<const std::string_view>;

struct CliCommand {
    std::string_view name;
    std::string_view usage;
    int (*run)(Arguments args);
};

// Every subcommand, in the order `keldwick-cli --help` lists them.
std::span<const CliCommand> AllCommands();

} // namespace cli

#pragma once
// One subcommand of keldwick-cli. Each declares its options on the subcommand CLI11 made for it and
// answers the function that runs it once the command line has been read; that function returns the
// process exit code: 0 on success, 1 when the operation failed. Usage errors (exit 2) and --help
// (exit 0) are handled by the parser before any command runs.

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace cli {

using CommandRunner = std::function<int()>;

struct CliCommand {
    std::string_view name;
    std::string_view summary;
    CommandRunner (*define)(CLI::App& command);
};

// Every subcommand, in the order `keldwick-cli --help` lists them.
std::span<const CliCommand> AllCommands();

// The exit statuses every command shares, for --help.
inline constexpr std::string_view kExitStatusHelp =
    "exit status: 0 success; 1 the command failed (for a call: network, HTTP, parse or SOAP\n"
    "fault, with the reason on the first line of standard error); 2 usage error";

// A check for a whole-number option: the text must be a decimal number from `min` to `max`. Text
// outside the range is refused, never wrapped or clipped, and the message names the range.
CLI::Validator WholeNumberIn(std::int64_t min, std::int64_t max);

// Adds a whole-number option bound to `value` (any integer type), checked against `min`..`max`.
template <typename Number>
CLI::Option* AddNumberOption(CLI::App& command, const std::string& name, Number& value,
                             std::int64_t min, std::int64_t max, const std::string& help) {
    return command.add_option(name, value, help)->check(WholeNumberIn(min, max));
}

// Reads `argv` and runs the chosen command; answers the process exit code.
int RunCommandLine(int argc, const char* const* argv);

} // namespace cli

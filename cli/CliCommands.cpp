#include "cli/CliCommand.h"

#include "res/VersionText.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <memory>
#include <vector>

namespace cli {

CommandRunner DefineVersion(CLI::App& command);
CommandRunner DefineFetch(CLI::App& command);
CommandRunner DefineNames(CLI::App& command);
CommandRunner DefineEffects(CLI::App& command);
CommandRunner DefineRenderTip(CLI::App& command);
CommandRunner DefineCreateSession(CLI::App& command);
CommandRunner DefineGetErrorMessage(CLI::App& command);
CommandRunner DefineEmailPassword(CLI::App& command);
CommandRunner DefineBench(CLI::App& command);

namespace {

// Add a subcommand here, with its definition in a file of its own.
constexpr std::array kCommands{
    CliCommand{"version", "print the version record", DefineVersion},
    CliCommand{"fetch", "one HTTP exchange with the program's own client", DefineFetch},
    CliCommand{"names", "every name the computer reports, as the window shows them", DefineNames},
    CliCommand{"effects", "draw the tip engine's drawing effects into PNG files", DefineEffects},
    CliCommand{"render-tip", "measure a tip text and draw it into a PNG", DefineRenderTip},
    CliCommand{"create-session", "sign in to the account service", DefineCreateSession},
    CliCommand{"get-error-message", "the account service's text for an error code",
               DefineGetErrorMessage},
    CliCommand{"email-password", "have the account service e-mail a user's password",
               DefineEmailPassword},
    CliCommand{"bench", "time calls to the account service", DefineBench},
};

std::string ToString(std::int64_t value) {
    return std::to_string(value);
}

// The innermost subcommand the command line chose, for naming it in a usage error.
std::string ChosenCommand(const CLI::App& app) {
    std::string name;
    const CLI::App* at = &app;
    while (!at->get_subcommands().empty()) {
        at = at->get_subcommands().front();
        name += " " + at->get_name();
    }
    return name;
}

bool IsCommand(std::string_view name) {
    for (const CliCommand& entry : kCommands) {
        if (entry.name == name) {
            return true;
        }
    }
    return false;
}

} // namespace

std::span<const CliCommand> AllCommands() {
    return kCommands;
}

CLI::Validator WholeNumberIn(std::int64_t min, std::int64_t max) {
    const std::string range = ToString(min) + " to " + ToString(max);
    return CLI::Validator(
        [min, max, range](std::string& text) -> std::string {
            std::int64_t value = 0;
            const char* end = text.data() + text.size();
            const auto [stop, error] = std::from_chars(text.data(), end, value);
            // An overflow of the 64-bit reading is as far out of range as any other value.
            if (text.empty() || stop != end ||
                (error != std::errc() && error != std::errc::result_out_of_range)) {
                return "takes a whole number from " + range + ", not \"" + text + "\"";
            }
            if (error == std::errc::result_out_of_range || value < min || value > max) {
                return text + " is out of range: the value must be from " + range;
            }
            return {};
        },
        "INT in " + range);
}

CommandRunner DefineVersion(CLI::App&) {
    return [] {
        std::fputs(res::VersionText().c_str(), stdout);
        return 0;
    };
}

int RunCommandLine(int argc, const char* const* argv) {
    CLI::App app("keldwick-cli: the headless front end of Keldwick; every part has a face here "
                 "that works without a display.",
                 "keldwick-cli");
    app.footer(std::string(kExitStatusHelp));
    app.require_subcommand(1);
    bool version = false;
    app.add_flag("--version", version, "print the version record and exit");
    std::vector<std::pair<CLI::App*, CommandRunner>> runners;
    for (const CliCommand& entry : AllCommands()) {
        CLI::App* command = app.add_subcommand(std::string(entry.name), std::string(entry.summary));
        command->footer(std::string(kExitStatusHelp));
        runners.emplace_back(command, entry.define(*command));
    }
    // --version alone is complete without a command.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::fputs(res::VersionText().c_str(), stdout);
        return 0;
    }
    if (argc > 1 && argv[1][0] != '-' && !IsCommand(argv[1])) {
        std::fprintf(stderr,
                     "keldwick-cli: unknown command \"%s\"\nRun with --help for the "
                     "commands.\n",
                     argv[1]);
        return 2;
    }
    // CLI11 reports --help and usage errors by exceptions; they end here, as exit codes.
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        if (argc == 1) {
            std::fputs(app.help().c_str(), stderr);
            return 2;
        }
        std::fprintf(stderr, "keldwick-cli%s: %s\nRun with --help for more information.\n",
                     ChosenCommand(app).c_str(), error.what());
        return 2;
    }
    for (const auto& [command, run] : runners) {
        if (command->parsed()) {
            return run();
        }
    }
    return 2;
}

} // namespace cli

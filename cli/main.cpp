// keldwick-cli: the headless front end. Every subsystem has a face here that works without a
// display.

#include "cli/CliCommand.h"

#include "res/VersionText.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace {

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: keldwick-cli COMMAND [ARGUMENTS]\n\ncommands:\n");
    for (const auto& command : cli::AllCommands()) {
        std::fprintf(out, "  keldwick-cli %.*s\n", static_cast<int>(command.usage.size()),
                     command.usage.data());
    }
    std::fprintf(out, "\n\"keldwick-cli COMMAND --help\" describes one command.\n"
                      "exit status: 0 success; 1 the command failed (for a call: network, HTTP,\n"
                      "parse or SOAP fault, with the reason on the first line of standard error);\n"
                      "2 usage error\n");
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        PrintUsage(args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        std::fputs(res::VersionText().c_str(), stdout);
        return 0;
    }
    for (const auto& command : cli::AllCommands()) {
        if (command.name == args[0]) {
            return command.run(cli::Arguments(args).subspan(1));
        }
    }
    std::fprintf(stderr, "keldwick-cli: unknown command \"%.*s\"\n\n",
                 static_cast<int>(args[0].size()), args[0].data());
    PrintUsage(stderr);
    return 2;
}

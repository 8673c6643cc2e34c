// keldwick-cli names: prints every name the computer reports, exactly as the computer information
// dialog shows it (lines end in CR LF).

#include "cli/CliCommand.h"
#include "names/CComputerInfoText.h"
#include "names/CLinuxComputerNames.h"
#include "names/CSystemNameSources.h"

#include <cstdio>

namespace cli {

namespace {

int RunNames() {
    names::CSystemNameSources sources;
    names::CLinuxComputerNames computerNames(sources);
    const std::string text = CComputerInfoText::Gather(computerNames);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        return 1;
    }
    return 0;
}

} // namespace

CommandRunner DefineNames(CLI::App&) {
    return RunNames;
}

} // namespace cli

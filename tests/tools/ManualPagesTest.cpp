// Each program's manual page and its --help list the same options, so the two cannot drift apart.

#include "support/RunProgram.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Options = std::set<std::string>;

// The options a text names: words starting with one or two dashes after a space, a bracket, a
// comma or a line start ("-h,--help", "[--port PORT]", "--user=demo").
Options OptionsIn(const std::string& text, bool longOnly) {
    static const std::regex option(R"((^|[\s\[(,|])(--?[a-z][a-z0-9-]*[a-z0-9]))");
    Options found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
         it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[2];
        if (!longOnly || name.starts_with("--")) {
            found.insert(name);
        }
    }
    return found;
}

// A manual page's text as a reader sees it: "\-" is a dash, font changes are dropped.
std::string ManualPage(const std::string& name) {
    std::ifstream in(std::string(KELDWICK_SOURCE_DIR) + "/res/man/" + name + ".1");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    text = std::regex_replace(text, std::regex(R"(\\f[BIRP])"), "");
    text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
    return std::regex_replace(text, std::regex(R"((^|\n)\.[A-Z]+ ?)"), "$1 ");
}

// The subcommands a CLI11 help lists under "Subcommands:".
std::vector<std::string> Subcommands(const std::string& help) {
    std::vector<std::string> names;
    std::istringstream lines(help.substr(std::min(help.find("Subcommands:"), help.size())));
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line) && line.starts_with("  ")) {
        names.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    return names;
}

// The help texts of keldwick-cli and of every command and subcommand, joined.
std::string CliHelp(std::vector<std::string> command) {
    std::vector<std::string> args{KELDWICK_CLI};
    args.insert(args.end(), command.begin(), command.end());
    args.push_back("--help");
    const ProgramRun run = RunProgram(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    std::string all = run.output;
    for (const std::string& sub : Subcommands(run.output)) {
        command.push_back(sub);
        all += CliHelp(command);
        command.pop_back();
    }
    return all;
}

void ExpectSameOptions(const std::string& page, const std::string& help) {
    ASSERT_FALSE(help.empty());
    const std::string manual = ManualPage(page);
    for (const std::string& option : OptionsIn(help, false)) {
        EXPECT_FALSE(OptionsIn(manual, false).count(option) == 0)
            << option << " is accepted but not in " << page << "(1)";
    }
    // Qt's own options ("-platform") are described on the page but not listed by --help.
    for (const std::string& option : OptionsIn(manual, true)) {
        EXPECT_FALSE(OptionsIn(help, true).count(option) == 0)
            << option << " is in " << page << "(1) but --help does not list it";
    }
}

TEST(ManualPagesTest, EveryOptionOfEachProgramIsOnItsPage) {
    const std::string cliHelp = CliHelp({});
    EXPECT_NE(cliHelp.find("get-error-message"), std::string::npos) << cliHelp;
    EXPECT_NE(cliHelp.find("--count"), std::string::npos) << cliHelp;
    ExpectSameOptions("keldwick-cli", cliHelp);
    ExpectSameOptions("keldwick", RunProgram({KELDWICK_APP, "--help"}).output);
    ExpectSameOptions("keldwick-account-service",
                      RunProgram({KELDWICK_ACCOUNT_SERVICE, "--help"}).output);
}

} // namespace

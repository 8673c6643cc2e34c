// The desktop program started where there is no display to open.

#include "app/CDisplayGuard.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

struct Outcome {
    bool exited = false; // ended by exit, not by a signal such as SIGABRT
    int status = -1;
    std::string errors; // standard error, and standard output when `withOutput`
};

// Runs keldwick with exactly `environment` and `args`; collects its standard error (and standard
// output when `withOutput`) for at most 20 seconds.
Outcome RunKeldwick(std::vector<std::string> environment, std::vector<std::string> args = {},
                    bool withOutput = false) {
    environment.push_back("PATH=/usr/bin:/bin");
    std::vector<char*> env;
    for (std::string& each : environment) {
        env.push_back(each.data());
    }
    env.push_back(nullptr);
    char program[] = KELDWICK_APP;
    std::vector<char*> argv{program};
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    if (withOutput) {
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program, &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    Outcome outcome;
    if (rc != 0) {
        ::close(pipeFds[0]);
        return outcome;
    }
    pollfd wait{pipeFds[0], POLLIN, 0};
    char buffer[512];
    while (::poll(&wait, 1, 20000) > 0) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        outcome.errors.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        ::kill(pid, SIGKILL); // still running after its standard error stayed silent 20 seconds
        ::waitpid(pid, &status, 0);
    }
    outcome.exited = WIFEXITED(status);
    outcome.status = outcome.exited ? WEXITSTATUS(status) : -1;
    return outcome;
}

TEST(StartWithoutDisplayTest, NoDisplayVariableGivesOneLineAndStatusOne) {
    const Outcome outcome = RunKeldwick({"HOME=/nonexistent"});
    EXPECT_TRUE(outcome.exited) << "ended by a signal";
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.errors, CDisplayGuard::kNoDisplay);
}

TEST(StartWithoutDisplayTest, ADisplayThatCannotBeOpenedGivesTheSameLine) {
    // A display number nobody serves, so the X platform itself fails to start.
    const Outcome outcome =
        RunKeldwick({"HOME=/nonexistent", "DISPLAY=:917", "QT_QPA_PLATFORM=xcb"});
    EXPECT_TRUE(outcome.exited) << "ended by a signal";
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.errors, CDisplayGuard::kNoDisplay);
}

// The program's own options and Qt's come in any order; none of these needs a display.
TEST(StartWithoutDisplayTest, OptionsAreReadInAnyOrderAndUnknownOnesRefused) {
    const std::tuple<std::vector<std::string>, int, const char*> cases[] = {
        {{"--version"}, 0, "Keldwick"},
        {{"--verbose", "--version"}, 0, "Keldwick"},
        {{"-platform", "offscreen", "--version"}, 0, "Keldwick"},
        {{"--platform=offscreen", "--help"}, 0, "--verbose"},
        {{"-h"}, 0, "--version"},
        {{"--bogus"}, 2, "keldwick: Unknown option 'bogus'."},
        {{"stray"}, 2, "unexpected argument \"stray\""},
        {{"--version=3"}, 2, "keldwick: "},
    };
    for (const auto& [args, status, text] : cases) {
        const Outcome outcome = RunKeldwick({"HOME=/nonexistent"}, args, true);
        EXPECT_EQ(outcome.status, status) << args.front() << ": " << outcome.errors;
        EXPECT_NE(outcome.errors.find(text), std::string::npos) << outcome.errors;
    }
}

} // namespace

// keldwick-cli's account commands against the reference account service: the project's own client
// and the service agree on the wire.

#include "support/CReferenceService.h"
#include "support/CScriptedServer.h"
#include "support/CTlsTestSites.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <regex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct CliRun {
    int exitCode = -1;
    std::string output;
};

// Runs keldwick-cli with `args`, collecting standard output and error for at most 30 seconds.
CliRun RunCli(std::vector<std::string> args) {
    args.insert(args.begin(), KELDWICK_CLI);
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    int ends[2];
    CliRun run;
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, KELDWICK_CLI, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (spawned == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd entry{ends[0], POLLIN, 0};
        char block[4096];
        if (left <= 0 || ::poll(&entry, 1, static_cast<int>(left)) <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        const ssize_t n = ::read(ends[0], block, sizeof block);
        if (n <= 0) {
            break;
        }
        run.output.append(block, static_cast<std::size_t>(n));
    }
    ::close(ends[0]);
    int status = 0;
    if (spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    return run;
}

class AccountServiceCliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_service.Start(m_temp.Path() + "/outbox")); }

    CliRun Call(std::vector<std::string> args) {
        args.push_back("--endpoint");
        args.push_back(m_service.Endpoint());
        return RunCli(std::move(args));
    }

    CTempFolder m_temp;
    CReferenceService m_service;
};

TEST_F(AccountServiceCliTest, SignInOutcomesAndTheirMessages) {
    const CliRun accepted = Call({"create-session", "--user", "demo", "--password", "demo"});
    EXPECT_EQ(accepted.exitCode, 0) << accepted.output;
    EXPECT_TRUE(std::regex_search(accepted.output, std::regex("session id: [0-9a-f]{32}\n")))
        << accepted.output;
    EXPECT_NE(accepted.output.find("error code: 0\n"), std::string::npos);

    const CliRun refused = Call(
        {"create-session", "--user", "ren\u00e9e", "--password", "cr\u00e8me <br\u00fbl\u00e9e>"});
    EXPECT_EQ(refused.exitCode, 0) << refused.output;
    EXPECT_NE(refused.output.find("error code: 3\n"), std::string::npos) << refused.output;

    const CliRun message = Call({"get-error-message", "--code", "3"});
    EXPECT_NE(message.output.find("The password is not correct for this user id."),
              std::string::npos)
        << message.output;
}

TEST_F(AccountServiceCliTest, PasswordEmailReachesTheOutbox) {
    const CliRun sent = Call({"email-password", "--user", "ren\u00e9e"});
    EXPECT_EQ(sent.exitCode, 0) << sent.output;
    EXPECT_NE(sent.output.find("error code: 0\n"), std::string::npos) << sent.output;
    const auto messages = m_service.OutboxMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("cr\u00e8me <br\u00fbl\u00e9e> & tea"), std::string::npos);

    const CliRun noAddress = Call({"email-password", "--user", "noemail"});
    EXPECT_NE(noAddress.output.find("error code: 5\n"), std::string::npos) << noAddress.output;
}

// The service's fault envelope is one the client reads: code and string come through.
TEST(AccountServiceCliFaultTest, AFailureInsideTheServiceArrivesAsAServerFault) {
    CTempFolder temp;
    const std::string outbox = temp.Path() + "/outbox";
    std::ofstream(outbox) << "a file where the outbox folder should be";
    CReferenceService service;
    ASSERT_TRUE(service.Start(outbox));
    const CliRun run =
        RunCli({"email-password", "--user", "demo", "--endpoint", service.Endpoint()});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("StatusSoapFault"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("fault code: 400 Server"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("fault string: The message could not be written to the outbox"),
              std::string::npos)
        << run.output;
}

TEST_F(AccountServiceCliTest, AWrongPathIsAFailedSend) {
    std::string endpoint = m_service.Endpoint();
    endpoint.replace(endpoint.rfind('/'), std::string::npos, "/Other.asmx");
    const CliRun run =
        RunCli({"create-session", "--user", "demo", "--password", "demo", "--endpoint", endpoint});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("-2147467259"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("HTTP status: 404"), std::string::npos) << run.output;
}

TEST_F(AccountServiceCliTest, FailureReasonComesFirstAndTheTraceHidesThePassword) {
    std::uint16_t closedPort = 0;
    {
        CScriptedServer gone;
        closedPort = gone.Port();
    }
    const std::string where = "127.0.0.1:" + std::to_string(closedPort);
    const CliRun refused = RunCli({"create-session", "--user", "alice", "--password", "x",
                                   "--endpoint", "http://" + where + "/AccountService.asmx"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.output.rfind("keldwick-cli create-session: connecting to " + where +
                                       " failed: Connection refused\n",
                                   0),
              0u)
        << refused.output;
    EXPECT_NE(refused.output.find("m_status: 5 StatusSendFailed\n"), std::string::npos);

    const std::string password = "cr\u00e8me <br\u00fbl\u00e9e> & tea";
    for (const char* level : {"-v", "-vv"}) {
        const CliRun traced =
            Call({"create-session", level, "--user", "ren\u00e9e", "--password", password});
        EXPECT_EQ(traced.exitCode, 0) << traced.output;
        EXPECT_NE(traced.output.find("* connected to 127.0.0.1:"), std::string::npos);
        EXPECT_NE(traced.output.find("\n> POST /"), std::string::npos) << traced.output;
        EXPECT_NE(traced.output.find("\n< HTTP/1.1 200 OK\n"), std::string::npos);
        EXPECT_EQ(traced.output.find("cr\u00e8me"), std::string::npos) << traced.output;
        EXPECT_EQ(traced.output.find("&lt;br"), std::string::npos) << traced.output;
        const bool masked =
            traced.output.find("<strUserPassword>********</strUserPassword>") != std::string::npos;
        EXPECT_EQ(masked, std::string_view(level) == "-vv") << traced.output;
    }
}

TEST(AccountServiceCliUsageTest, HelpAndUsageErrorsHaveTheirExitStatuses) {
    for (const char* command :
         {"create-session", "get-error-message", "email-password", "fetch", "bench"}) {
        const CliRun help = RunCli({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_NE(help.output.find("exit status: 0 success"), std::string::npos) << help.output;
    }
    EXPECT_EQ(RunCli({"create-session", "--user"}).exitCode, 2);
    EXPECT_EQ(RunCli({"create-session", "--colour", "red"}).exitCode, 2);
    EXPECT_NE(RunCli({"--help"}).output.find("2 usage error"), std::string::npos);
}

} // namespace

// The three account commands over HTTPS, through nginx in front of the reference service, with
// the private CA given by --cacert.
TEST(AccountServiceCliHttpsTest, TheThreeCommandsSignInThroughATlsFront) {
    CTlsTestSites sites;
    if (!sites.Available()) {
        GTEST_SKIP() << sites.Missing();
    }
    CTempFolder temp;
    CReferenceService service;
    ASSERT_TRUE(service.Start(temp.Path() + "/outbox"));
    const std::string plain = service.Endpoint();
    const std::size_t pathAt = plain.find('/', plain.find("//") + 2);
    const std::uint16_t port =
        sites.AddSite("good", "location / { proxy_pass " + plain.substr(0, pathAt) + "; }");
    ASSERT_TRUE(sites.Start());
    const std::string endpoint = "https://127.0.0.1:" + std::to_string(port) + plain.substr(pathAt);
    const std::vector<std::string> tls{"--endpoint", endpoint, "--cacert", sites.CaFile()};
    auto call = [&](std::vector<std::string> args) {
        args.insert(args.end(), tls.begin(), tls.end());
        return RunCli(std::move(args));
    };
    const CliRun signIn = call({"create-session", "-v", "--user", "demo", "--password", "demo"});
    EXPECT_EQ(signIn.exitCode, 0) << signIn.output;
    EXPECT_TRUE(std::regex_search(signIn.output, std::regex("session id: [0-9a-f]{32}\n")));
    EXPECT_TRUE(std::regex_search(signIn.output, std::regex("\\* TLSv1\\.[23] with \\S+, full "
                                                            "handshake\n")))
        << signIn.output;
    EXPECT_NE(signIn.output.find("issuer /CN=Keldwick Test CA"), std::string::npos);
    const CliRun message = call({"get-error-message", "--code", "3"});
    EXPECT_NE(message.output.find("The password is not correct for this user id."),
              std::string::npos)
        << message.output;
    const CliRun email = call({"email-password", "--user", "ren\u00e9e"});
    EXPECT_NE(email.output.find("error code: 0\n"), std::string::npos) << email.output;

    // Without the CA the call fails before a byte of the request leaves, saying why.
    const CliRun untrusted =
        RunCli({"create-session", "--user", "demo", "--password", "demo", "--endpoint", endpoint});
    EXPECT_EQ(untrusted.exitCode, 1);
    EXPECT_NE(untrusted.output.find("TLS handshake with 127.0.0.1:" + std::to_string(port) +
                                    " failed: certificate verify failed"),
              std::string::npos)
        << untrusted.output;
}

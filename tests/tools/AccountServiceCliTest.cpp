// keldwick-cli's account commands against the reference account service: the project's own client
// and the service agree on the wire.

#include "support/CReferenceService.h"
#include "support/CScriptedServer.h"
#include "support/CTlsTestSites.h"
#include "support/RunProgram.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <tuple>

namespace {

using CliRun = ProgramRun;

// Runs keldwick-cli with `args`, collecting standard output and error for at most 30 seconds.
CliRun RunCli(std::vector<std::string> args) {
    args.insert(args.begin(), KELDWICK_CLI);
    return RunProgram(std::move(args));
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
    // Values joined with "=" are the same as values that follow their option.
    const CliRun accepted = Call({"create-session", "--user=demo", "--password", "demo"});
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
    // The ends of the 32-bit range are codes like any other.
    const CliRun lowest = Call({"get-error-message", "--code=-2147483648"});
    EXPECT_NE(lowest.output.find("Unknown error code -2147483648."), std::string::npos)
        << lowest.output;
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

// Credentials a server echoes, in its headers or its body, never reach the terminal in clear.
TEST(AccountServiceCliFetchTest, FetchHidesEchoedCredentials) {
    const std::string body =
        "<r><p:strUserPassword xmlns:p=\"urn:p\"><![CDATA[pw-body]]></p:strUserPassword></r>";
    CScriptedServer server;
    server.ReadRequest().Send("HTTP/1.1 200 OK\r\nAuthorization: Basic cHctYXV0aA==\r\n"
                              "X-Echo: <strUserPassword>pw-head</strUserPassword>\r\n"
                              "Content-Length: " +
                              std::to_string(body.size()) + "\r\n\r\n" + body);
    server.Start();
    const CliRun run = RunCli(
        {"fetch", "-vv", "--header", "Proxy-Authorization: Basic cHctcmVx", server.Url("/")});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    for (const char* secret : {"pw-head", "cHctYXV0aA==", "cHctcmVx"}) {
        EXPECT_EQ(run.output.find(secret), std::string::npos) << secret << "\n" << run.output;
    }
    EXPECT_NE(run.output.find("\n> Proxy-Authorization: ********\n"), std::string::npos);
    EXPECT_NE(run.output.find("\nAuthorization: ********\n"), std::string::npos) << run.output;
    // The body itself goes to standard output as received; only the trace of it is masked.
    ASSERT_NE(run.output.find("pw-body"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("pw-body"), run.output.rfind("pw-body")) << run.output;
    EXPECT_TRUE(server.WaitDone());
}

// An IPv6 literal names the service as well as a host name does, in fetch and as an endpoint.
TEST(AccountServiceCliIpv6Test, AnIpv6LiteralUrlReachesTheService) {
    CTempFolder temp;
    CReferenceService service;
    if (!service.Start(temp.Path() + "/outbox", {"--bind", "::1"})) {
        GTEST_SKIP() << "the reference service cannot listen on ::1 here";
    }
    ASSERT_EQ(service.Endpoint().rfind("http://[::1]:", 0), 0u) << service.Endpoint();
    const CliRun signedIn = RunCli({"create-session", "--user", "demo", "--password", "demo",
                                    "--endpoint", service.Endpoint()});
    EXPECT_EQ(signedIn.exitCode, 0) << signedIn.output;
    EXPECT_NE(signedIn.output.find("error code: 0\n"), std::string::npos) << signedIn.output;
    const CliRun fetched = RunCli({"fetch", "-v", service.Endpoint() + "?wsdl"});
    EXPECT_EQ(fetched.exitCode, 0) << fetched.output;
    EXPECT_NE(fetched.output.find("* connected to ::1:"), std::string::npos) << fetched.output;
    EXPECT_NE(fetched.output.find("> Host: [::1]\n"), std::string::npos) << fetched.output;
}

// Every command: --help exits 0; a number out of range, or not a number, is a usage error that
// names the option and its range instead of being taken as some other number.
TEST(AccountServiceCliUsageTest, EveryCommandHelpsAndRefusesNumbersOutOfRange) {
    for (const std::vector<std::string>& command : {std::vector<std::string>{"names"},
                                                    {"effects"},
                                                    {"render-tip"},
                                                    {"version"},
                                                    {"bench"},
                                                    {"bench", "create-session"},
                                                    {"fetch"}}) {
        std::vector<std::string> args = command;
        args.push_back("--help");
        const CliRun help = RunCli(args);
        EXPECT_EQ(help.exitCode, 0) << command.back() << ": " << help.output;
    }
    // Each refusal names the option and, for a number, its range.
    const std::string kCode = "the value must be from -2147483648 to 2147483647";
    const std::string kCount = "the value must be from 1 to 4294967295";
    const std::tuple<std::vector<std::string>, std::string, std::string> refused[] = {
        {{"get-error-message", "--code", "99999999999"}, "--code: ", kCode},
        {{"get-error-message", "--code", "4294967296"}, "--code: ", kCode},
        {{"get-error-message", "--code=2147483648"}, "--code: ", kCode},
        {{"get-error-message", "--code", "-2147483649"}, "--code: ", kCode},
        {{"get-error-message", "--code", "12abc"}, "--code: ", "-2147483648 to 2147483647"},
        {{"bench", "create-session", "--user", "u", "--password", "p", "--count", "99999999999"},
         "--count: ",
         kCount},
        {{"bench", "create-session", "--user", "u", "--password", "p", "--count", "0"},
         "--count: ",
         kCount},
        {{"fetch", "--timeout", "4294967296", "http://127.0.0.1:9/"}, "--timeout: ", "0 to "},
        {{"render-tip", "--wrap", "100001", "--out", "x.png", "text"}, "--wrap: ", "0 to 100000"},
        {{"effects", "--out", "x", "--ratio", "3"}, "--ratio: ", "1 to 2"},
        {{"create-session", "--user", "u", "--password", "p", "--cacert", "/nonexistent/ca.pem"},
         "--cacert: ",
         "/nonexistent/ca.pem"},
    };
    for (const auto& [args, option, range] : refused) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 2) << args.back() << ": " << run.output;
        EXPECT_NE(run.output.find(option), std::string::npos) << run.output;
        EXPECT_NE(run.output.find(range), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("No error."), std::string::npos) << run.output;
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

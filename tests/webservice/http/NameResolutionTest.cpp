// Names resolved through the machine's resolver, seen by a child process with its own /etc files:
// a name server that never answers, and a name whose first address refuses.

#include "HttpTestSupport.h"
#include "net/CHostAddress.h"
#include "net/SocketErrors.h"
#include "support/PrivateEtc.h"

#include <arpa/inet.h>
#include <chrono>
#include <netdb.h>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using NameResolution = HttpClientTest;

// A UDP socket on port 53 of a random loopback address that reads nothing and answers nothing.
struct SilentNameServer {
    SilentNameServer() {
        std::random_device random;
        address = "127.53." + std::to_string(random() % 250 + 1) + "." +
                  std::to_string(random() % 250 + 1);
        fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(53);
        inet_pton(AF_INET, address.c_str(), &where.sin_addr);
        bound = bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0;
    }
    ~SilentNameServer() { close(fd); }
    SilentNameServer(const SilentNameServer&) = delete;
    SilentNameServer& operator=(const SilentNameServer&) = delete;

    std::string address;
    int fd = -1;
    bool bound = false;
};

bool WaitForLookupsToEnd(int milliseconds) {
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (CHostAddress::LookupsRunning() > 0) {
        if (Clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

TEST_F(NameResolution, SilentNameServerIsCutOffAtTheTimeOut) {
    SilentNameServer server;
    if (!server.bound) {
        GTEST_SKIP() << "cannot listen on " << server.address << ":53";
    }
    ASSERT_TRUE(WaitForLookupsToEnd(10'000)); // no lookup may hold a lock across the fork
    // The resolver itself would wait 2 s; the client's bound is 300 ms.
    const std::string resolvConf =
        "nameserver " + server.address + "\noptions timeout:2 attempts:1\n";
    const auto failure = private_etc::Run(
        {{"/etc/resolv.conf", resolvConf}, {"/etc/nsswitch.conf", "hosts: files dns\n"}}, [] {
            CHttpClientT client;
            RequestOptions options;
            options.timeout = 300;
            UrlParts url;
            if (!url.SplitUrl("http://silent.keldwick.test:8080/")) {
                return std::string("the URL did not split");
            }
            const auto start = Clock::now();
            const bool ok = client.ExchangeRequest(url, &options);
            const auto took = Clock::now() - start;
            std::string problems;
            if (ok || client.m_lastError != net::kErrorResolveTimedOut) {
                problems += "not a lookup time-out: " + client.FailureReason() + "; ";
            }
            if (took > std::chrono::milliseconds(1500)) {
                problems += "took " + std::to_string(took / std::chrono::milliseconds(1)) + " ms; ";
            }
            if (client.FailureReason() !=
                "resolving silent.keldwick.test failed: timed out after 300 ms") {
                problems += "reason: " + client.FailureReason() + "; ";
            }
            // The abandoned lookup ends on its own and frees what it holds.
            if (!WaitForLookupsToEnd(15'000)) {
                problems += "the abandoned lookup never ended";
            }
            return problems;
        });
    if (!failure) {
        GTEST_SKIP() << "no private mount namespace (needs root)";
    }
    EXPECT_EQ(*failure, "");
}

// Both addresses of the name are tried: the first refuses, the last one has the server.
TEST_F(NameResolution, NameWhoseFirstAddressRefusesConnectsThroughTheNext) {
    ASSERT_TRUE(WaitForLookupsToEnd(10'000));
    // The server's thread starts after the fork; until then its port queues the connection.
    m_server.ReadRequest().Send(Ok("through the second"));
    const std::string hosts = "::1 two.keldwick.test\n127.0.0.1 two.keldwick.test\n";
    const std::string port = std::to_string(m_server.Port());
    const auto failure = private_etc::Run(
        {{"/etc/hosts", hosts}},
        [&] {
            CHostAddress address;
            const auto end = CoarseClock::now() + std::chrono::seconds(5);
            if (address.ResolveHost("two.keldwick.test", port.c_str(), end) != 0 ||
                address.First()->ai_family != AF_INET6 || address.First()->ai_next == nullptr) {
                return std::string("the name does not give ::1 first and 127.0.0.1 next");
            }
            CHttpClientT client;
            UrlParts url;
            if (!url.SplitUrl("http://two.keldwick.test:" + port + "/")) {
                return std::string("the URL did not split");
            }
            if (!client.ExchangeRequest(url, &m_options) || client.Body() != "through the second") {
                return client.FailureReason();
            }
            return std::string();
        },
        [&] { m_server.Start(); });
    if (!failure) {
        GTEST_SKIP() << "no private mount namespace (needs root)";
    }
    EXPECT_EQ(*failure, "");
    EXPECT_TRUE(m_server.WaitDone());
}

} // namespace

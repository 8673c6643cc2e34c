// The client over TLS against nginx on loopback, with certificates made for the run: what is
// trusted and what is refused (and the words of the refusal), reuse and resumption, the redirect
// back to plain http, and a handshake that stalls.

#include "support/CScriptedServer.h"
#include "support/CTlsTestSites.h"
#include "webservice/http/CHttpClientT.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

const char* const kHello = "location / { return 200 \"hello over tls\"; }\n"
                           "location /to-http { return 301 http://127.0.0.1:9/; }\n";

class Https : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_sites = std::make_unique<CTlsTestSites>();
        if (!s_sites->Available()) {
            return;
        }
        s_good = s_sites->AddSite("good", kHello);
        s_closing = s_sites->AddSite("good", std::string(kHello) + "keepalive_timeout 0;");
        s_expired = s_sites->AddSite("expired", kHello);
        s_wrongName = s_sites->AddSite("wrongname", kHello);
        s_selfSigned = s_sites->AddSite("selfsigned", kHello);
        // TLS 1.0 needs the lowest security level to be offered at all.
        s_tls10 = s_sites->AddSite(
            "good", std::string(kHello) + "ssl_protocols TLSv1; ssl_ciphers DEFAULT@SECLEVEL=0;");
        s_started = s_sites->Start();
    }
    static void TearDownTestSuite() { s_sites.reset(); }

    void SetUp() override {
        if (!s_sites->Available()) {
            GTEST_SKIP() << s_sites->Missing();
        }
        ASSERT_TRUE(s_started) << "nginx did not start; see " << s_sites->Folder();
        ::unsetenv("KELDWICK_CA_FILE");
        CTlsSocket::SetExtraCaFile(s_sites->CaFile());
        m_options.timeout = 5000;
    }
    void TearDown() override { CTlsSocket::SetExtraCaFile(""); }

    bool Get(const std::string& host, std::uint16_t port, const std::string& path = "/") {
        UrlParts url;
        EXPECT_TRUE(url.SplitUrl("https://" + host + ":" + std::to_string(port) + path));
        return m_client.ExchangeRequest(url, &m_options);
    }
    std::string Where(std::uint16_t port) { return "127.0.0.1:" + std::to_string(port); }

    static inline std::unique_ptr<CTlsTestSites> s_sites;
    static inline bool s_started = false;
    static inline std::uint16_t s_good = 0, s_closing = 0, s_expired = 0, s_wrongName = 0,
                                s_selfSigned = 0, s_tls10 = 0;
    CHttpClientT m_client;
    RequestOptions m_options;
};

TEST_F(Https, TrustedChainsPassAndEveryOtherIsRefusedWithItsReason) {
    struct Case {
        const char* what;
        std::uint16_t port;
        const char* host;
        std::string reason; // empty: the exchange succeeds
    };
    const Case cases[] = {
        {"good chain, IP literal", s_good, "127.0.0.1", ""},
        {"good chain, host name", s_good, "localhost", ""},
        {"expired", s_expired, "127.0.0.1", "certificate has expired"},
        {"wrong name", s_wrongName, "127.0.0.1", "certificate is for other.example, not 127.0.0.1"},
        {"self-signed", s_selfSigned, "127.0.0.1",
         "certificate verify failed (self-signed certificate)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool ok = Get(c.host, c.port);
        EXPECT_EQ(ok, c.reason.empty()) << m_client.FailureReason();
        if (c.reason.empty()) {
            EXPECT_EQ(m_client.Body(), "hello over tls");
            continue;
        }
        const std::string where = std::string(c.host) + ":" + std::to_string(c.port);
        EXPECT_EQ(m_client.FailureReason(), "TLS handshake with " + where + " failed: " + c.reason);
        EXPECT_FALSE(m_client.IsConnected());
    }
}

TEST_F(Https, TrustComesFromTheVariableOrTheOptionAndAddsToTheSystemStore) {
    // Without the private CA the chain leads nowhere the system trusts.
    CTlsSocket::SetExtraCaFile("");
    EXPECT_FALSE(Get("127.0.0.1", s_good));
    EXPECT_EQ(m_client.FailureReason(),
              "TLS handshake with " + Where(s_good) +
                  " failed: certificate verify failed (unable to get local issuer certificate)");
    ::setenv("KELDWICK_CA_FILE", s_sites->CaFile().c_str(), 1);
    EXPECT_TRUE(Get("127.0.0.1", s_good)) << m_client.FailureReason();
    ::unsetenv("KELDWICK_CA_FILE");
}

TEST_F(Https, ServerOfferingOnlyTls10IsRefused) {
    EXPECT_FALSE(Get("127.0.0.1", s_tls10));
    EXPECT_EQ(
        m_client.FailureReason().rfind("TLS handshake with " + Where(s_tls10) + " failed: ", 0), 0u)
        << m_client.FailureReason();
    EXPECT_EQ(m_client.Stage(), ExchangeStage::Securing);
}

TEST_F(Https, KeptConnectionIsReusedAndAClosedOneResumesItsSession) {
    ASSERT_TRUE(Get("127.0.0.1", s_good)) << m_client.FailureReason();
    ASSERT_TRUE(Get("127.0.0.1", s_good)) << m_client.FailureReason();
    EXPECT_EQ(m_client.Counters().connectionsOpened, 1u);
    EXPECT_EQ(m_client.TlsCounts().fullHandshakes, 1u);

    CHttpClientT closing;
    UrlParts url;
    ASSERT_TRUE(url.SplitUrl("https://127.0.0.1:" + std::to_string(s_closing) + "/"));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(closing.ExchangeRequest(url, &m_options)) << closing.FailureReason();
        EXPECT_EQ(closing.Body(), "hello over tls");
    }
    EXPECT_EQ(closing.Counters().connectionsOpened, 3u);
    EXPECT_EQ(closing.TlsCounts().fullHandshakes, 1u);
    EXPECT_EQ(closing.TlsCounts().resumptions, 2u);
    EXPECT_TRUE(closing.SessionInfo().resumed);
}

TEST_F(Https, IdleCheckOverTlsKeepsAnOpenConnectionAndDropsAClosedOne) {
    m_client.SetIdleCheckAfter(std::chrono::milliseconds(0));
    ASSERT_TRUE(Get("127.0.0.1", s_good)) << m_client.FailureReason();
    // Session tickets may arrive while the connection lies idle; they leave it fit.
    ASSERT_TRUE(Get("127.0.0.1", s_good)) << m_client.FailureReason();
    EXPECT_EQ(m_client.Counters().connectionsOpened, 1u);
    s_sites->Stop();
    s_started = s_sites->Start();
    ASSERT_TRUE(s_started);
    // nginx closed with close_notify: the check finds it, and the request goes on a new one.
    ASSERT_TRUE(Get("127.0.0.1", s_good)) << m_client.FailureReason();
    EXPECT_EQ(m_client.Counters().connectionsOpened, 2u);
}

TEST_F(Https, RedirectFromHttpsToPlainHttpIsRefused) {
    EXPECT_FALSE(Get("127.0.0.1", s_good, "/to-http"));
    EXPECT_EQ(m_client.FailureReason(),
              "following a redirect failed: the Location \"http://127.0.0.1:9/\" leads from "
              "https to plain http, which is refused");
}

TEST(HttpsStall, HandshakeThatStallsIsCutOffAtTheTimeOut) {
    CScriptedServer server;
    server.Connection().Stall();
    server.Start();
    CHttpClientT client;
    RequestOptions options;
    options.timeout = 300;
    UrlParts url;
    ASSERT_TRUE(url.SplitUrl("https://127.0.0.1:" + std::to_string(server.Port()) + "/"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.ExchangeRequest(url, &options));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(client.FailureReason(),
              "TLS handshake with 127.0.0.1:" + std::to_string(server.Port()) +
                  " failed: timed out after 300 ms");
}

} // namespace

// The client through tinyproxy on loopback: http in absolute form, https through CONNECT with the
// certificate still checked against the server, no_proxy, and Basic credentials that the proxy
// asks for and the trace never shows.

#include "support/CScriptedServer.h"
#include "support/CTestProxy.h"
#include "support/CTlsTestSites.h"
#include "webservice/http/CHttpClientT.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Keeps the request heads the client reports.
class HeadRecorder final : public IHttpTrace {
public:
    void OnConnected(std::string_view, std::uint16_t) override {}
    void OnReusing(std::string_view, std::uint16_t) override {}
    void OnRequest(std::string_view head, std::string_view) override { heads.append(head); }
    void OnResponse(std::string_view, std::string_view) override {}
    void OnRedirect(std::string_view) override {}
    void OnResending() override {}
    std::string heads;
};

class HttpProxy : public ::testing::Test {
protected:
    void SetUp() override {
        if (!CTestProxy::Available() || !m_sites.Available()) {
            GTEST_SKIP() << "tinyproxy, nginx or openssl is not installed (scripts/setup.sh)";
        }
        for (const char* name : kVariables) {
            ::unsetenv(name);
        }
        m_options.timeout = 5000;
        CTlsSocket::SetExtraCaFile(m_sites.CaFile());
    }
    void TearDown() override {
        for (const char* name : kVariables) {
            ::unsetenv(name);
        }
        CTlsSocket::SetExtraCaFile("");
    }
    static std::string ProxyUrl(std::uint16_t port, const std::string& user = "") {
        return "http://" + user + "127.0.0.1:" + std::to_string(port);
    }
    bool Exchange(const std::string& text) {
        UrlParts url;
        EXPECT_TRUE(url.SplitUrl(text));
        return m_client.ExchangeRequest(url, &m_options);
    }

    static constexpr const char* kVariables[] = {"http_proxy",  "HTTP_PROXY", "https_proxy",
                                                 "HTTPS_PROXY", "no_proxy",   "NO_PROXY"};
    CTlsTestSites m_sites;
    CHttpClientT m_client;
    RequestOptions m_options;
};

TEST_F(HttpProxy, HttpGoesThroughTheProxyAndNoProxyBypassesIt) {
    CScriptedServer server;
    server.Connection().ReadRequest().Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhi");
    server.Connection().ReadRequest().Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nho");
    server.Start();
    CTestProxy proxy;
    ASSERT_TRUE(proxy.Start(m_sites.Folder()));
    ::setenv("http_proxy", ProxyUrl(proxy.Port()).c_str(), 1);
    ASSERT_TRUE(Exchange(server.Url("/via"))) << m_client.FailureReason();
    EXPECT_EQ(m_client.Body(), "hi");
    // The proxy says on the request it forwards that it passed through it.
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_NE(server.Requests()[0].find("Via: "), std::string::npos) << server.Requests()[0];

    ::setenv("no_proxy", "example.org, 127.0.0.1", 1);
    CHttpClientT direct;
    UrlParts url;
    ASSERT_TRUE(url.SplitUrl(server.Url("/direct")));
    ASSERT_TRUE(direct.ExchangeRequest(url, &m_options)) << direct.FailureReason();
    EXPECT_EQ(server.Requests().back().find("Via: "), std::string::npos);
}

TEST_F(HttpProxy, HttpsTunnelsThroughConnectAndStillChecksTheServer) {
    const std::uint16_t good = m_sites.AddSite("good", "location / { return 200 \"tunnelled\"; }");
    const std::uint16_t wrong = m_sites.AddSite("wrongname", "location / { return 200; }");
    ASSERT_TRUE(m_sites.Start());
    CTestProxy proxy;
    ASSERT_TRUE(proxy.Start(m_sites.Folder()));
    ::setenv("https_proxy", ProxyUrl(proxy.Port()).c_str(), 1);
    ASSERT_TRUE(Exchange("https://127.0.0.1:" + std::to_string(good) + "/"))
        << m_client.FailureReason();
    EXPECT_EQ(m_client.Body(), "tunnelled");
    EXPECT_FALSE(Exchange("https://127.0.0.1:" + std::to_string(wrong) + "/"));
    EXPECT_EQ(m_client.FailureReason(), "TLS handshake with 127.0.0.1:" + std::to_string(wrong) +
                                            " failed: certificate is for other.example, not "
                                            "127.0.0.1");
}

TEST_F(HttpProxy, ProxyAskingForCredentialsRefusesWithoutAndPassesWith) {
    const std::uint16_t site = m_sites.AddSite("good", "location / { return 200 \"in\"; }");
    ASSERT_TRUE(m_sites.Start());
    CTestProxy proxy;
    ASSERT_TRUE(proxy.Start(m_sites.Folder(), "keld s3cret"));
    const std::string where = "127.0.0.1:" + std::to_string(proxy.Port());
    const std::string https = "https://127.0.0.1:" + std::to_string(site) + "/";
    CScriptedServer server;
    server.Connection().ReadRequest().Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    server.Start();

    ::setenv("http_proxy", ProxyUrl(proxy.Port()).c_str(), 1);
    ::setenv("https_proxy", ProxyUrl(proxy.Port()).c_str(), 1);
    EXPECT_FALSE(Exchange(server.Url("/")));
    EXPECT_EQ(m_client.FailureReason(),
              "the proxy " + where +
                  " refused the request: it answered \"HTTP/1.0 407 Proxy Authentication "
                  "Required\"");
    EXPECT_FALSE(Exchange(https));
    EXPECT_EQ(m_client.FailureReason(),
              "the proxy " + where + " refused the tunnel to 127.0.0.1:" + std::to_string(site) +
                  ": it answered \"HTTP/1.0 407 Proxy Authentication Required\"");

    // A client reads the variables at its first exchange.
    HeadRecorder trace;
    CHttpClientT withCredentials;
    withCredentials.SetTrace(&trace);
    ::setenv("http_proxy", ProxyUrl(proxy.Port(), "keld:s3cret@").c_str(), 1);
    ::setenv("https_proxy", ProxyUrl(proxy.Port(), "keld:s3cret@").c_str(), 1);
    UrlParts url;
    ASSERT_TRUE(url.SplitUrl(server.Url("/")));
    EXPECT_TRUE(withCredentials.ExchangeRequest(url, &m_options))
        << withCredentials.FailureReason();
    ASSERT_TRUE(url.SplitUrl(https));
    EXPECT_TRUE(withCredentials.ExchangeRequest(url, &m_options))
        << withCredentials.FailureReason();
    EXPECT_EQ(withCredentials.Body(), "in");
    // "keld:s3cret" in Base64; the trace shows neither it nor the password.
    EXPECT_EQ(trace.heads.find("a2VsZDpzM2NyZXQ="), std::string::npos) << trace.heads;
    EXPECT_EQ(trace.heads.find("s3cret"), std::string::npos);
    EXPECT_NE(trace.heads.find("Proxy-Authorization: Basic ********\r\n"), std::string::npos);
    EXPECT_NE(trace.heads.find("CONNECT 127.0.0.1:"), std::string::npos);
}

TEST(ProxyBypass, NoProxyListsReadAsCurlReadsThem) {
    struct Case {
        const char* list;
        const char* host;
        bool bypass;
    } const cases[] = {
        {"*", "anything.example", true},
        {"example.com", "example.com", true},
        {"example.com", "api.Example.COM", true},
        {".example.com", "example.com", true},
        {"example.com", "badexample.com", false},
        {" a.org , example.com ", "www.example.com", true},
        {"a.org,,b.org", "c.org", false},
        {"127.0.0.1", "127.0.0.1", true},
        {"", "example.com", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProxyRoute::Bypasses(c.list, c.host), c.bypass) << c.list << " / " << c.host;
    }
}

} // namespace

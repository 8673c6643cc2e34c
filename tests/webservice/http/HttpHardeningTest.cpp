// Faults a hostile or merely unusual server could provoke: requests going to the wrong server,
// line breaks smuggled into a request, relative Locations, interim answers, and a request
// delivered twice because a kept connection was closed while idle.

#include "HttpTestSupport.h"

#include <poll.h>

#include <string>

namespace {

using HttpHardening = HttpClientTest;

std::string RequestLine(const std::string& request) {
    return request.substr(0, request.find("\r\n"));
}

std::string Found(std::string_view location) {
    return "HTTP/1.1 302 Found\r\nLocation: " + std::string(location) +
           "\r\nContent-Length: 0\r\n\r\n";
}

TEST_F(HttpHardening, CallAfterARedirectToAnotherServerGoesBackToItsOwn) {
    CScriptedServer other;
    // Were the next call sent on the redirect's connection, it would get "wrong server".
    other.ReadRequest().Send(Ok("b")).ReadRequest().Send(Ok("wrong server"));
    other.Start();
    m_server.ReadRequest().Send(Found(other.Url("/b.asmx")));
    m_server.Connection().ReadRequest().Send(Ok("a"));
    m_server.Start();
    m_options.method = "POST";
    ASSERT_TRUE(Exchange("/a.asmx"));
    EXPECT_EQ(m_client.Body(), "b");
    ASSERT_TRUE(Exchange("/a.asmx"));
    EXPECT_EQ(m_client.Body(), "a");
    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(RequestLine(requests[1]), "POST /a.asmx HTTP/1.1");
    EXPECT_EQ(other.Requests().size(), 1u);
    m_client.CloseConnection();
}

TEST_F(HttpHardening, FoldedLocationCarryingALineBreakIsRefused) {
    const std::string folded = "HTTP/1.1 302 Found\r\nLocation: " + m_server.Url("/x?y") +
                               "\r\n X-Injected: yes\r\nContent-Length: 0\r\n\r\n";
    m_server.ReadRequest().Send(folded).ReadRequest().Send(Ok("must not be asked"));
    m_server.Start();
    EXPECT_FALSE(Exchange("/start"));
    EXPECT_EQ(m_client.GetStatus(), 302);
    m_client.CloseConnection();
    ASSERT_TRUE(m_server.WaitDone());
    EXPECT_EQ(m_server.Requests().size(), 1u);
    for (const std::string& request : m_server.Requests()) {
        EXPECT_EQ(request.find("X-Injected"), std::string::npos);
    }
}

TEST_F(HttpHardening, RequestTargetEncodesSpacesAndKeepsTheFragment) {
    m_server.ReadRequest().Send(Ok("")).ReadRequest().Send(Ok(""));
    m_server.Start();
    ASSERT_TRUE(Exchange("/x.asmx?q=1 2#part two"));
    ASSERT_TRUE(Exchange("/dir name/x#only"));
    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(RequestLine(requests[0]), "GET /x.asmx?q=1%202 HTTP/1.1");
    EXPECT_EQ(RequestLine(requests[1]), "GET /dir%20name/x HTTP/1.1");
}

TEST_F(HttpHardening, ControlCharactersNeverReachTheWire) {
    m_server.ReadRequest().Send(Ok("clean"));
    m_server.Start();
    const char* const badHeaders[] = {"X-A: 1\nX-B: 2\r\n",
                                      "X-A: 1\r\n\r\nGET / HTTP/1.1\r\n",
                                      "X-A: 1",
                                      "X-A: \x01\r\n",
                                      "X-A: 1\rX-B: 2\r\n",
                                      "X-A: 1\r",
                                      "\r\nX-A: 1\r\n",
                                      "X-A: \x7F\r\n"};
    for (const char* headers : badHeaders) {
        m_options.extraHeaders = headers;
        EXPECT_FALSE(Exchange("/")) << headers;
    }
    m_options.extraHeaders = nullptr;
    m_options.method = "GET\r\nX-Injected: yes\r\n";
    EXPECT_FALSE(Exchange("/"));
    m_options.method = "GET";
    m_options.contentType = "text/xml\r\nX-Injected: yes";
    EXPECT_FALSE(Exchange("/"));
    m_options.contentType = nullptr;
    UrlParts url = UrlFor("/");
    ASSERT_TRUE(url.SetUrlPath("/a\r\nX-Injected: yes"));
    EXPECT_FALSE(m_client.ExchangeRequest(url, &m_options));
    ASSERT_TRUE(url.SetUrlPath("/a"));
    ASSERT_TRUE(url.SetHostName("127.0.0.1\r\nX-Injected: yes"));
    EXPECT_FALSE(m_client.ExchangeRequest(url, &m_options));
    // A tab inside a header value is allowed.
    m_options.extraHeaders = "X-A: 1\t2\r\n";
    ASSERT_TRUE(Exchange("/"));
    ASSERT_EQ(m_server.Requests().size(), 1u);
    EXPECT_NE(m_server.Requests()[0].find("X-A: 1\t2\r\n"), std::string::npos);
    EXPECT_EQ(m_server.Requests()[0].find("X-Injected"), std::string::npos);
}

TEST_F(HttpHardening, RelativeLocationHoldingAColonStaysOnTheServer) {
    m_server.ReadRequest().Send(Found("/next?time=12:30"));
    m_server.ReadRequest().Send(Found("//127.0.0.1:" + std::to_string(m_server.Port()) + "/far"));
    m_server.ReadRequest().Send(Ok("there"));
    m_server.Start();
    ASSERT_TRUE(Exchange("/dir/start"));
    EXPECT_EQ(m_client.Body(), "there");
    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(RequestLine(requests[1]), "GET /next?time=12:30 HTTP/1.1");
    // A reference that starts with "//" names a server and keeps the current scheme.
    EXPECT_EQ(RequestLine(requests[2]), "GET /far HTTP/1.1");
}

TEST_F(HttpHardening, EveryInterimAnswerIsPassedOver) {
    m_server.ReadRequest().Send("HTTP/1.1 102 Processing\r\n\r\n"
                                "HTTP/1.1 103 Early Hints\r\nLink: </style.css>\r\n\r\n"
                                "HTTP/1.1 100 Continue\r\n\r\n" +
                                Ok("final"));
    m_server.Start();
    ASSERT_TRUE(Exchange("/"));
    EXPECT_EQ(m_client.GetStatus(), 200);
    EXPECT_EQ(m_client.Body(), "final");
    EXPECT_EQ(m_client.Headers().Find("Link"), nullptr);
}

TEST_F(HttpHardening, SwitchingProtocolsFailsAndDropsTheConnection) {
    m_server.ReadRequest().Send("HTTP/1.1 101 Switching Protocols\r\nUpgrade: x\r\n\r\n").Stall();
    m_server.Start();
    m_options.flags &= ~EvaluateStatus;
    EXPECT_FALSE(Exchange("/"));
    EXPECT_EQ(m_client.GetStatus(), 101);
    EXPECT_FALSE(m_client.IsConnected());
}

// The server answers, then closes its sending side while still reading: a request sent on that
// connection would be read (an e-mail sent) and then resent on a new connection.
TEST_F(HttpHardening, IdleConnectionClosedByTheServerIsReplacedBeforeSending) {
    m_server.ReadRequest().Send(Ok("first")).CloseForSending().ReadRequest();
    m_server.Connection().ReadRequest().Send(Ok("second"));
    m_server.Start();
    m_client.SetIdleCheckAfter(std::chrono::milliseconds(0));
    m_options.method = "POST";
    ASSERT_TRUE(Exchange("/EmailUserPassword"));
    pollfd closed{m_client.NativeHandle(), POLLIN, 0};
    ASSERT_EQ(poll(&closed, 1, 5000), 1);
    ASSERT_TRUE(Exchange("/EmailUserPassword"));
    EXPECT_EQ(m_client.Body(), "second");
    m_client.CloseConnection();
    ASSERT_TRUE(m_server.WaitDone());
    EXPECT_EQ(m_server.Requests().size(), 2u);
    EXPECT_EQ(m_server.Accepted(), 2);
}

} // namespace

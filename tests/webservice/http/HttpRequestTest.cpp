// The request side: the exact bytes of the head and the body as the server receives them.

#include "HttpTestSupport.h"

#include <string>

namespace {

using HttpRequest = HttpClientTest;

TEST_F(HttpRequest, SoapCallSendsItsLinesInOrderWithTheBareHostName) {
    m_server.ReadRequest().Send(Ok("done"));
    m_server.Start();
    const std::string body = "<x>hi</x>";
    m_options.method = "POST";
    m_options.contentType = "text/xml; charset=utf-8";
    m_options.extraHeaders = "SOAPAction: \"urn:svc/CreateSession\"\r\nAccept: text/xml\r\n";
    m_options.body = body.data();
    m_options.bodyLength = static_cast<std::uint32_t>(body.size());
    ASSERT_TRUE(Exchange("/svc/service.asmx"));
    ASSERT_EQ(m_server.Requests().size(), 1u);
    // The server listens on a port other than 80, yet the Host line has no port.
    EXPECT_EQ(m_server.Requests()[0], "POST /svc/service.asmx HTTP/1.1\r\n"
                                      "Content-Length: 9\r\n"
                                      "Content-Type: text/xml; charset=utf-8\r\n"
                                      "SOAPAction: \"urn:svc/CreateSession\"\r\n"
                                      "Accept: text/xml\r\n"
                                      "Host: 127.0.0.1\r\n"
                                      "User-Agent: Keldwick/3.1\r\n"
                                      "\r\n<x>hi</x>");
    EXPECT_EQ(m_client.GetStatus(), 200);
    EXPECT_EQ(m_client.Body(), "done");
}

TEST_F(HttpRequest, RequestLineCarriesPathAndQueryNotTheAbsoluteUrl) {
    m_server.ReadRequest().Send(Ok("")).ReadRequest().Send(Ok(""));
    m_server.Start();
    ASSERT_TRUE(Exchange(""));
    ASSERT_TRUE(Exchange("/find?name=a&b=c#top"));
    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), "GET / HTTP/1.1");
    EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")), "GET /find?name=a&b=c HTTP/1.1");
}

TEST_F(HttpRequest, EmptyBodyAndEmptyContentTypeSendNoSuchLines) {
    m_server.ReadRequest().Send(Ok(""));
    m_server.Start();
    m_options.contentType = "";
    ASSERT_TRUE(Exchange("/"));
    EXPECT_EQ(m_server.Requests().at(0),
              "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Keldwick/3.1\r\n\r\n");
}

TEST_F(HttpRequest, BodyArrivesWholeInBlocksOrGathered) {
    std::string body(10000, '\0');
    for (std::size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>(i * 7);
    }
    m_server.ReadRequest().Send(Ok("1")).ReadRequest().Send(Ok("2"));
    m_server.Start();
    m_options.method = "PUT";
    m_options.body = body.data();
    m_options.bodyLength = static_cast<std::uint32_t>(body.size());
    m_options.sendBlockSize = 333;
    ASSERT_TRUE(Exchange("/a"));
    m_options.flags &= ~BodyInBlocks;
    ASSERT_TRUE(Exchange("/b"));
    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const std::string& request : requests) {
        EXPECT_NE(request.find("Content-Length: 10000\r\n"), std::string::npos);
        EXPECT_EQ(request.substr(request.size() - body.size()), body);
    }
}

TEST_F(HttpRequest, EachRequestLeavesInOneSendAndArrivesIntact) {
    const std::string body = "<soap:Envelope>one send</soap:Envelope>";
    m_server.ReadRequest().Send(Ok("no body"));
    m_server.ReadRequest().Send(Ok("with body"));
    m_server.ReadRequest().Send("HTTP/1.1 307 Moved\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n");
    m_server.ReadRequest().Send("HTTP/1.1 302 Moved\r\nLocation: /c\r\nContent-Length: 0\r\n\r\n");
    m_server.ReadRequest().Send(Ok("redirected"));
    m_server.Start();
    ASSERT_TRUE(Exchange("/a"));
    EXPECT_EQ(m_client.Counters().sends, 1u);
    m_options.method = "POST";
    m_options.body = body.data();
    m_options.bodyLength = static_cast<std::uint32_t>(body.size());
    ASSERT_TRUE(Exchange("/a"));
    EXPECT_EQ(m_client.Counters().sends, 2u);
    // 307 is not followed and is the final answer.
    m_options.flags &= ~EvaluateStatus;
    ASSERT_TRUE(Exchange("/a"));
    m_options.flags |= EvaluateStatus;
    ASSERT_TRUE(Exchange("/a"));
    EXPECT_EQ(m_client.Body(), "redirected");
    EXPECT_EQ(m_client.Counters().sends, 5u);
    EXPECT_EQ(m_client.Counters().connectionsOpened, 1u);
    const std::string head =
        "Content-Length: 39\r\nHost: 127.0.0.1\r\nUser-Agent: Keldwick/3.1\r\n\r\n";
    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0],
              "GET /a HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Keldwick/3.1\r\n\r\n");
    EXPECT_EQ(requests[1], "POST /a HTTP/1.1\r\n" + head + body);
    EXPECT_EQ(requests[3], "POST /a HTTP/1.1\r\n" + head + body);
    EXPECT_EQ(requests[4], "POST /c HTTP/1.1\r\n" + head + body);
}

TEST_F(HttpRequest, LargeBodyFollowsTheHeadAndFirstBlockInBlocks) {
    const std::string body(10000, 'q');
    m_server.ReadRequest().Send(Ok("big"));
    m_server.Start();
    m_options.method = "PUT";
    m_options.body = body.data();
    m_options.bodyLength = static_cast<std::uint32_t>(body.size());
    m_options.sendBlockSize = 4096;
    ASSERT_TRUE(Exchange("/big"));
    // Head with the first 4096 bytes, then 4096, then 1808.
    EXPECT_EQ(m_client.Counters().sends, 3u);
    EXPECT_EQ(m_server.Requests().at(0).substr(m_server.Requests()[0].size() - body.size()), body);
}

TEST_F(HttpRequest, ZeroSendBlockSizeFailsTheExchange) {
    m_server.ReadRequest().Send(Ok("kept"));
    m_server.Start();
    ASSERT_TRUE(Exchange("/"));
    // On the kept connection too: it is not mistaken for one the server closed.
    const std::string body = "abc";
    m_options.body = body.data();
    m_options.bodyLength = 3;
    m_options.sendBlockSize = 0;
    EXPECT_FALSE(Exchange("/"));
    EXPECT_EQ(m_client.GetStatus(), -1);
    EXPECT_FALSE(m_client.IsConnected());
    EXPECT_EQ(m_client.Counters().connectionsOpened, 1u);
    EXPECT_NE(m_client.FailureReason().find("blocks of 0 bytes"), std::string::npos)
        << m_client.FailureReason();
}

TEST_F(HttpRequest, OnlyPlainHttpWithAHostIsAttempted) {
    m_server.Start();
    UrlParts url;
    ASSERT_TRUE(url.SplitUrl("https://127.0.0.1:" + std::to_string(m_server.Port()) + "/"));
    EXPECT_FALSE(m_client.ExchangeRequest(url, &m_options));
    ASSERT_TRUE(url.SplitUrl("http:/no-host"));
    EXPECT_FALSE(m_client.ExchangeRequest(url, &m_options));
    // A body length without a body is refused rather than read from nowhere.
    m_options.bodyLength = 10;
    EXPECT_FALSE(Exchange("/"));
    EXPECT_EQ(m_server.Accepted(), 0);
    EXPECT_EQ(m_client.NativeHandle(), -1);
}

TEST_F(HttpRequest, UrlWithoutPortTakesThePortOfTheOptions) {
    m_server.ReadRequest().Send(Ok("ported"));
    m_server.Start();
    UrlParts url = UrlFor("/p");
    url.SetPortNumber(0);
    m_options.port = m_server.Port();
    ASSERT_TRUE(m_client.ExchangeRequest(url, &m_options));
    EXPECT_EQ(m_client.Body(), "ported");
    EXPECT_EQ(m_client.CurrentUrl().PortNumber(), m_server.Port());
}

TEST_F(HttpRequest, DefaultOptionsMakeAGet) {
    m_server.ReadRequest().Send(Ok("plain"));
    m_server.Start();
    ASSERT_TRUE(m_client.ExchangeRequest(UrlFor("/d"), nullptr));
    EXPECT_EQ(m_server.Requests().at(0).substr(0, 17), "GET /d HTTP/1.1\r\n");
}

} // namespace

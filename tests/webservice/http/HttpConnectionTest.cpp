// Connections over several exchanges, redirects, and the faults of a dead or hostile server.

#include "HttpTestSupport.h"

#include <cerrno>
#include <string>

namespace {

using HttpConnection = HttpClientTest;

std::string Redirect(int status, std::string_view location, std::string_view extra = "") {
    return "HTTP/1.1 " + std::to_string(status) + " Moved\r\nLocation: " + std::string(location) +
           "\r\n" + std::string(extra) + "Content-Length: 0\r\n\r\n";
}

std::string RequestLine(const std::string& request) {
    return request.substr(0, request.find("\r\n"));
}

TEST_F(HttpConnection, SecondExchangeReusesTheConnection) {
    m_server.ReadRequest().Send(Ok("one")).ReadRequest().Send(Ok("two"));
    m_server.Start();
    ASSERT_TRUE(Exchange("/1"));
    const int handle = m_client.NativeHandle();
    ASSERT_TRUE(Exchange("/2"));
    EXPECT_EQ(m_client.NativeHandle(), handle);
    EXPECT_EQ(m_client.Body(), "two");
    EXPECT_EQ(m_server.Accepted(), 1);
    EXPECT_EQ(m_server.Requests().size(), 2u);
}

TEST_F(HttpConnection, ConnectionCloseInAnyCaseEndsTheConnection) {
    m_server.ReadRequest().Send(
        "HTTP/1.1 200 OK\r\nConnection: cLoSe \r\nContent-Length: 1\r\n\r\nx");
    m_server.Connection().ReadRequest().Send(Ok("again"));
    m_server.Start();
    ASSERT_TRUE(Exchange());
    EXPECT_FALSE(m_client.IsConnected());
    ASSERT_TRUE(Exchange());
    EXPECT_EQ(m_client.Body(), "again");
    EXPECT_EQ(m_server.Accepted(), 2);
}

TEST_F(HttpConnection, KeptConnectionClosedByTheServerIsReplacedOnce) {
    m_server.ReadRequest().Send(Ok("first")).Close();
    m_server.Connection().ReadRequest().Send(Ok("second"));
    m_server.Start();
    ASSERT_TRUE(Exchange("/a"));
    ASSERT_TRUE(Exchange("/b"));
    EXPECT_EQ(m_client.Body(), "second");
    EXPECT_EQ(m_server.Accepted(), 2);
    EXPECT_EQ(RequestLine(m_server.Requests().back()), "GET /b HTTP/1.1");
}

TEST_F(HttpConnection, KeptConnectionThatTimesOutIsNotRetried) {
    m_server.ReadRequest().Send(Ok("first")).ReadRequest().Stall();
    m_server.Connection().ReadRequest().Send(Ok("must not be asked"));
    m_server.Start();
    m_options.timeout = 100;
    ASSERT_TRUE(Exchange("/a"));
    EXPECT_FALSE(Exchange("/b"));
    EXPECT_EQ(m_client.m_lastError, ETIMEDOUT);
    EXPECT_EQ(m_server.Requests().size(), 2u);
}

TEST_F(HttpConnection, RelativeRedirectRepeatsMethodAndBody) {
    m_server.ReadRequest().Send(Redirect(302, " moved/here?x=1 "));
    m_server.ReadRequest().Send(Redirect(301, "/abs"));
    m_server.ReadRequest().Send(Ok("arrived"));
    m_server.Start();
    const std::string body = "<e/>";
    m_options.method = "POST";
    m_options.extraHeaders = "X-Keep: 1\r\n";
    m_options.body = body.data();
    m_options.bodyLength = 4;
    ASSERT_TRUE(Exchange("/dir/start?old=1"));
    EXPECT_EQ(m_client.GetStatus(), 200);
    EXPECT_EQ(m_client.Body(), "arrived");
    EXPECT_EQ(m_client.RedirectsFollowed(), 2u);
    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(RequestLine(requests[1]), "POST /dir/moved/here?x=1 HTTP/1.1");
    // An absolute path keeps the current query when it brings none of its own.
    EXPECT_EQ(RequestLine(requests[2]), "POST /abs?x=1 HTTP/1.1");
    for (const std::string& request : requests) {
        EXPECT_NE(request.find("Content-Length: 4\r\n"), std::string::npos);
        EXPECT_NE(request.find("X-Keep: 1\r\n"), std::string::npos);
        EXPECT_EQ(request.substr(request.size() - 4), body);
    }
    EXPECT_EQ(m_server.Accepted(), 1);
}

TEST_F(HttpConnection, RedirectToAnotherPortMovesTheConnection) {
    CScriptedServer other;
    other.ReadRequest().Send(Ok("elsewhere"));
    other.Start();
    m_server.ReadRequest().Send(Redirect(303, other.Url("/there"))).Stall();
    m_server.Start();
    ASSERT_TRUE(Exchange("/here"));
    EXPECT_EQ(m_client.Body(), "elsewhere");
    EXPECT_EQ(m_client.CurrentUrl().PortNumber(), other.Port());
    EXPECT_EQ(RequestLine(other.Requests().at(0)), "GET /there HTTP/1.1");
    // The first connection was closed, which ends the first server's stall.
    EXPECT_TRUE(m_server.WaitDone());
    m_client.CloseConnection();
}

TEST_F(HttpConnection, RedirectAfterConnectionCloseReconnects) {
    m_server.ReadRequest().Send(Redirect(302, "/next", "Connection: close\r\n"));
    m_server.Connection().ReadRequest().Send(Ok("fresh"));
    m_server.Start();
    ASSERT_TRUE(Exchange("/"));
    EXPECT_EQ(m_client.Body(), "fresh");
    EXPECT_EQ(m_server.Accepted(), 2);
}

TEST_F(HttpConnection, StatusVerdicts) {
    m_server.ReadRequest().Send("HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n");
    m_server.ReadRequest().Send("HTTP/1.1 304 Not Modified\r\n\r\n");
    m_server.Connection().ReadRequest().Send(
        "HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\n\r\n");
    m_server.Connection().ReadRequest().Send(Redirect(302, "/x"));
    m_server.Connection()
        .ReadRequest()
        .Send("HTTP/1.1 500 Error\r\nContent-Length: 10\r\n\r\nshort")
        .Close();
    m_server.Connection().ReadRequest().Send(Redirect(302, "https://127.0.0.1/"));
    m_server.Start();
    // A redirect without a Location is itself the final answer.
    EXPECT_TRUE(Exchange());
    EXPECT_EQ(m_client.GetStatus(), 302);
    EXPECT_TRUE(Exchange());
    EXPECT_EQ(m_client.GetStatus(), 304);
    m_client.CloseConnection();
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_client.GetStatus(), 401);
    EXPECT_FALSE(m_client.IsConnected());
    m_options.flags &= ~FollowMoved;
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_client.GetStatus(), 302);
    m_options.flags |= FollowMoved;
    // A server answer whose body is cut short keeps its status for the caller.
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_client.GetStatus(), 500);
    EXPECT_EQ(m_client.GetReadOutcome(), ReadBodyMissing);
    // A Location that is not plain http cannot be followed.
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_server.Accepted(), 5);
}

TEST_F(HttpConnection, TenRedirectsInARowAreFollowedAndAnEleventhFails) {
    for (int i = 0; i < 10; ++i) {
        m_server.ReadRequest().Send(Redirect(302, "/hop" + std::to_string(i)));
    }
    m_server.ReadRequest().Send(Ok("landed"));
    for (int i = 0; i < 11; ++i) {
        m_server.ReadRequest().Send(Redirect(302, "/loop"));
    }
    m_server.Start();
    ASSERT_TRUE(Exchange("/start"));
    EXPECT_EQ(m_client.Body(), "landed");
    EXPECT_EQ(m_client.RedirectsFollowed(), 10u);
    EXPECT_FALSE(Exchange("/loop"));
    EXPECT_EQ(m_client.GetStatus(), 302);
    EXPECT_EQ(m_server.Requests().size(), 22u);
    EXPECT_FALSE(m_client.IsConnected());
}

TEST_F(HttpConnection, RefusedConnectionLeavesTheReason) {
    std::uint16_t closedPort = 0;
    {
        CScriptedServer gone;
        closedPort = gone.Port();
    }
    UrlParts url;
    ASSERT_TRUE(url.SplitUrl("http://127.0.0.1:" + std::to_string(closedPort) + "/"));
    EXPECT_FALSE(m_client.ExchangeRequest(url, &m_options));
    EXPECT_EQ(m_client.m_lastError, ECONNREFUSED);
    EXPECT_EQ(m_client.GetStatus(), -1);
    EXPECT_EQ(m_client.GetReadOutcome(), ReadNothingYet);
}

TEST_F(HttpConnection, UnresolvableHostCreatesNoSocket) {
    UrlParts url;
    ASSERT_TRUE(url.SplitUrl("http://no-such-host.invalid/"));
    EXPECT_FALSE(m_client.ExchangeRequest(url, &m_options));
    EXPECT_TRUE(net::IsResolverError(m_client.m_lastError));
    EXPECT_EQ(m_client.NativeHandle(), -1);
}

TEST_F(HttpConnection, ServerClosingMidResponseFailsWithTheMatchingOutcome) {
    m_server.Connection().ReadRequest().Send("HTTP/1.1 200 OK\r\nContent-Le").Close();
    m_server.Connection()
        .ReadRequest()
        .Send("HTTP/1.1 503 Busy\r\nContent-Length: 100\r\n\r\nab")
        .Close();
    m_server.Connection()
        .ReadRequest()
        .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nonly-half")
        .Close();
    m_server.Start();
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_client.GetReadOutcome(), ReadHeadMissing);
    EXPECT_EQ(m_client.GetStatus(), -1);
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_client.GetReadOutcome(), ReadBodyMissing);
    EXPECT_EQ(m_client.GetStatus(), 503);
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_client.GetReadOutcome(), ReadChunkedFailed);
    EXPECT_FALSE(m_client.IsConnected());
}

TEST_F(HttpConnection, StalledServerEndsByTimeOut) {
    m_server.ReadRequest().Stall();
    m_server.Start();
    m_options.timeout = 150;
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_client.GetReadOutcome(), ReadHeadMissing);
    EXPECT_EQ(m_client.m_lastError, ETIMEDOUT);
    EXPECT_FALSE(m_client.IsConnected());
}

TEST_F(HttpConnection, TricklingServerIsCutOffByTheExchangeBound) {
    // Each byte comes well within the wait time-out, but the whole response would take seconds.
    const std::string response = Ok(std::string(400, 't'));
    m_server.ReadRequest().SendSplit(response, 1, 40);
    m_server.Start();
    m_options.timeout = 100;
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_client.m_lastError, ETIMEDOUT);
    // The reason names the bound that ran out: the whole exchange's, not one wait's.
    EXPECT_NE(m_client.FailureReason().find("ran past its bound of 400 ms"), std::string::npos)
        << m_client.FailureReason();
}

TEST_F(HttpConnection, HostileSizesFailWithoutWaitingOrAllocating) {
    m_server.Connection()
        .ReadRequest()
        .Send("HTTP/1.1 200 OK\r\nContent-Length: 2147483648\r\n\r\nabc")
        .Stall();
    m_server.Connection()
        .ReadRequest()
        .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFF1\r\n")
        .Stall();
    m_server.Connection()
        .ReadRequest()
        .Send("HTTP/1.1 200 OK\r\nContent-Length: 12x\r\n\r\nabc")
        .Stall();
    m_server.Start();
    m_options.timeout = 30000;
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_client.GetReadOutcome(), ReadBodyMissing);
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_client.GetReadOutcome(), ReadChunkedFailed);
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_client.GetReadOutcome(), ReadBodyMissing);
    EXPECT_TRUE(m_server.WaitDone());
}

TEST_F(HttpConnection, WholeResponseIsBounded) {
    // An unsized body past the bound fails instead of growing without end.
    const std::size_t bound = ResponseBuffer::kDefaultMaxLength;
    m_server.ReadRequest().Send("HTTP/1.1 200 OK\r\n\r\n").Send(std::string(bound, 'z')).Stall();
    m_server.Start();
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_client.GetReadOutcome(), ReadBodyMissing);
    EXPECT_LE(m_client.Response().Length(), bound);
}

} // namespace

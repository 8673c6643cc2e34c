// The response side: status line, header lines and the three kinds of body.

#include "HttpTestSupport.h"

#include "webservice/http/CResponseBodyStream.h"

#include <string>
#include <vector>

namespace {

using HttpResponse = HttpClientTest;
using namespace std::string_literals;

TEST_F(HttpResponse, InterimContinueResponsesArePassedOver) {
    const std::string interim = "HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\n";
    m_server.ReadRequest().Send(interim + Ok("same"));
    m_server.ReadRequest().Send(interim).Pause(20).Send(interim).Pause(20).Send(Ok("later"));
    m_server.Start();
    ASSERT_TRUE(Exchange());
    EXPECT_EQ(m_client.GetStatus(), 200);
    EXPECT_EQ(m_client.GetHeadStart(), interim.size());
    EXPECT_EQ(m_client.Body(), "same");
    std::string value;
    EXPECT_FALSE(m_client.FindHeader("X-Interim", value));
    ASSERT_TRUE(Exchange());
    EXPECT_EQ(m_client.GetHeadStart(), 2 * interim.size());
    EXPECT_EQ(m_client.Body(), "later");
}

TEST_F(HttpResponse, StatusLineRules) {
    struct Case {
        const char* statusLine;
        ReadOutcome outcome;
        int status;
    };
    const Case cases[] = {
        {"HTTP/1.1 404 Not Found", ReadSucceeded, 404},
        {"HTTP/1.1   201", ReadSucceeded, 201},
        {"ICY 200 OK", ReadSucceeded, 200}, // the version token is not examined
        {"HTTP/1.1 OK", ReadNoStatusCode, -1},
        {"HTTP/1.1", ReadNoStatusCode, -1},
        {"HTTP/1.1 99999999999 Big", ReadBadHeaders, -1},
    };
    for (const Case& c : cases) {
        m_server.Connection().ReadRequest().Send(std::string(c.statusLine) +
                                                 "\r\nContent-Length: 0\r\n\r\n");
    }
    m_server.Start();
    m_options.flags = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(Exchange(), c.outcome == ReadSucceeded) << c.statusLine;
        EXPECT_EQ(m_client.GetReadOutcome(), c.outcome) << c.statusLine;
        EXPECT_EQ(m_client.GetStatus(), c.status) << c.statusLine;
        m_client.CloseConnection();
    }
}

TEST_F(HttpResponse, HeaderLinesJoinContinueAndRespectTheirLimits) {
    const std::string longValue(1024, 'v');
    const std::string longName(1024, 'n');
    m_server.ReadRequest().Send("HTTP/1.1 200 OK\r\n"
                                "Via: a\r\n"
                                "via: b\r\n"
                                "X-Folded: first\r\n  second\r\n\tthird\r\n"
                                "X-Spaces:   padded  \r\n"
                                "no colon here\r\n"
                                "X-Long: " +
                                longValue + "\r\n" + longName +
                                ": v\r\n"
                                "X-Fits: " +
                                longValue.substr(1) +
                                "\r\n"
                                "Content-Length: 2\r\n\r\nok");
    m_server.Start();
    ASSERT_TRUE(Exchange());
    std::string value;
    ASSERT_TRUE(m_client.FindHeader("VIA", value));
    EXPECT_EQ(value, "a,b");
    ASSERT_TRUE(m_client.FindHeader("x-folded", value));
    EXPECT_EQ(value, "first\r\n  second\r\n\tthird");
    ASSERT_TRUE(m_client.FindHeader("X-Spaces", value));
    EXPECT_EQ(value, "padded  ");
    EXPECT_FALSE(m_client.FindHeader("X-Long", value));
    EXPECT_FALSE(m_client.FindHeader(longName, value));
    EXPECT_TRUE(m_client.FindHeader("X-Fits", value));
    EXPECT_EQ(m_client.Headers().Count(), 5u);
    EXPECT_EQ(m_client.Body(), "ok");
}

TEST_F(HttpResponse, TenThousandHeaderLinesAreAllStored) {
    std::string head = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 10000; ++i) {
        head += "X-H" + std::to_string(i) + ": " + std::to_string(i) + "\r\n";
    }
    m_server.ReadRequest().SendSplit(head + "Content-Length: 3\r\n\r\nend", 1500);
    m_server.Start();
    ASSERT_TRUE(Exchange());
    EXPECT_EQ(m_client.Headers().Count(), 10001u);
    std::string value;
    ASSERT_TRUE(m_client.FindHeader("x-h9999", value));
    EXPECT_EQ(value, "9999");
    EXPECT_EQ(m_client.Body(), "end");
}

TEST_F(HttpResponse, ChunkedBodyIsDecodedBehindTheHead) {
    const std::string head = "HTTP/1.1 200 OK\r\ntransfer-encoding: CHUNKED\r\n\r\n";
    m_server.ReadRequest()
        .Send(head + "4\r\nab\0d\r\n"s)
        .Pause(20)
        .SendSplit("5\r\nefghi\r\n0\r\n\r\n", 3);
    m_server.Start();
    ASSERT_TRUE(Exchange());
    EXPECT_EQ(m_client.GetBodyLength(), 9u);
    EXPECT_EQ(m_client.GetHeadStart(), 0u);
    EXPECT_EQ(m_client.Response().View(), head + "ab\0defghi"s);
    EXPECT_EQ(m_client.Body(), "ab\0defghi"s);
}

TEST_F(HttpResponse, OnlyAPlainChunkedCodingIsDecoded) {
    m_server.ReadRequest()
        .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n"
              "3\r\nraw\r\n0\r\n\r\n")
        .Close();
    m_server.Start();
    ASSERT_TRUE(Exchange());
    EXPECT_EQ(m_client.Body(), "3\r\nraw\r\n0\r\n\r\n");
}

TEST_F(HttpResponse, AnnouncedTrailersJoinTheHeaders) {
    m_server.ReadRequest().Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n"
                                "Trailer: X-Check\r\n\r\n2\r\nok\r\n0\r\nX-Check: 42\r\n\r\n");
    m_server.ReadRequest().Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                "2\r\nok\r\n0\r\nX-Check: 42\r\n\r\n");
    m_server.Start();
    std::string value;
    ASSERT_TRUE(Exchange());
    EXPECT_TRUE(m_client.FindHeader("x-check", value));
    EXPECT_EQ(value, "42");
    // Unannounced trailers are read past, so the connection stays in step, but not stored.
    ASSERT_TRUE(Exchange());
    EXPECT_FALSE(m_client.FindHeader("x-check", value));
    EXPECT_EQ(m_server.Accepted(), 1);
}

TEST_F(HttpResponse, UnsizedBodyRunsToTheClose) {
    m_server.ReadRequest()
        .Send("HTTP/1.1 200 OK\r\n\r\npart one, ")
        .Pause(30)
        .Send("part two")
        .Close();
    m_server.Start();
    ASSERT_TRUE(Exchange());
    EXPECT_EQ(m_client.Body(), "part one, part two");
    EXPECT_FALSE(m_client.IsConnected());
}

TEST_F(HttpResponse, UnsizedBodyCutShortByAWaitIsNoSuccess) {
    // The server sends 5 of its bytes and then says nothing: only a close ends such a body.
    m_server.ReadRequest().Send("HTTP/1.1 200 OK\r\n\r\nfirst").Stall();
    m_server.Start();
    m_options.timeout = 150;
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(m_client.GetReadOutcome(), ReadBodyMissing);
    EXPECT_EQ(m_client.FailureReason(),
              "reading the body from " + m_client.Where() + " failed: timed out after 150 ms");
    EXPECT_FALSE(m_client.IsConnected());
}

TEST_F(HttpResponse, SizedBodyArrivingInPiecesIsComplete) {
    const std::string body(20000, 's');
    m_server.ReadRequest().SendSplit(Ok(body), 777, 1);
    m_server.Start();
    ASSERT_TRUE(Exchange());
    EXPECT_EQ(m_client.Body(), body);
    EXPECT_TRUE(m_client.IsConnected());
}

TEST_F(HttpResponse, BytesPastTheContentLengthAreNotBody) {
    m_server.ReadRequest().Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcJUNK");
    m_server.Start();
    ASSERT_TRUE(Exchange());
    EXPECT_EQ(m_client.Body(), "abc");
    // The connection is out of step, so it is not kept.
    EXPECT_FALSE(m_client.IsConnected());
}

TEST_F(HttpResponse, EmptyBodyCannotBindTheStream) {
    m_server.ReadRequest().Send(Ok(""));
    m_server.Start();
    ASSERT_TRUE(Exchange());
    EXPECT_EQ(m_client.GetBodyLength(), 0u);
    CResponseBodyStream stream;
    EXPECT_FALSE(stream.Initialize(m_client));
    ULONG read = 99;
    char byte = 0;
    EXPECT_EQ(stream.Read(&byte, 1, &read), S_OK);
    EXPECT_EQ(read, 0u);
}

TEST_F(HttpResponse, BodyStreamReadsTheBodyInOrder) {
    m_server.ReadRequest().Send(Ok("0123456789"));
    m_server.Start();
    ASSERT_TRUE(Exchange());
    CResponseBodyStream stream;
    ASSERT_TRUE(stream.Initialize(m_client));
    std::string collected;
    char piece[4];
    ULONG read = 0;
    do {
        ASSERT_EQ(stream.Read(piece, sizeof piece, &read), S_OK);
        collected.append(piece, read);
    } while (read > 0);
    EXPECT_EQ(collected, "0123456789");

    void* object = nullptr;
    EXPECT_EQ(stream.QueryInterface(IID_ISequentialStream, &object), S_OK);
    EXPECT_EQ(object, static_cast<IStream*>(&stream));
    EXPECT_EQ(stream.QueryInterface(GUID{1, 2, 3, {}}, &object), E_NOINTERFACE);
    EXPECT_EQ(stream.AddRef(), 1u);
    EXPECT_EQ(stream.Release(), 1u);
    EXPECT_EQ(stream.Write("x", 1, nullptr), E_NOTIMPL);
    EXPECT_EQ(stream.Seek(0, STREAM_SEEK_SET, nullptr), E_NOTIMPL);
}

TEST_F(HttpResponse, ResponsesWithoutBodyDoNotWaitForOne) {
    m_server.ReadRequest().Send("HTTP/1.1 204 No Content\r\n\r\n");
    m_server.ReadRequest().Send("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n");
    m_server.ReadRequest().Send(Ok("after"));
    m_server.Start();
    ASSERT_TRUE(Exchange());
    EXPECT_EQ(m_client.GetStatus(), 204);
    m_options.method = "HEAD";
    ASSERT_TRUE(Exchange());
    EXPECT_EQ(m_client.GetBodyLength(), 0u);
    m_options.method = "GET";
    ASSERT_TRUE(Exchange());
    EXPECT_EQ(m_client.Body(), "after");
    EXPECT_EQ(m_server.Accepted(), 1);
}

class CookieClient : public CHttpClientT {
public:
    std::vector<std::string> m_cookies;

protected:
    void OnSetCookie(std::string_view value) override { m_cookies.emplace_back(value); }
};

TEST_F(HttpResponse, EverySetCookieLineReachesTheHook) {
    m_server.ReadRequest().Send("HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nset-COOKIE: b=2\r\n"
                                "Content-Length: 0\r\n\r\n");
    m_server.Start();
    CookieClient client;
    ASSERT_TRUE(client.ExchangeRequest(UrlFor("/"), &m_options));
    EXPECT_EQ(client.m_cookies, (std::vector<std::string>{"a=1", "b=2"}));
}

} // namespace

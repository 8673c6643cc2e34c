// What a person is told when a call fails, and the trace of the exchange: each failure names its
// stage, the server and the reason; the trace shows heads, connections and redirects and never a
// password.

#include "webservice/soap/SoapTestHandler.h"

#include "com/CBstr.h"
#include "support/CScriptedServer.h"
#include "webservice/account/CAccountServiceT.h"
#include "webservice/soap/CTraceWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr std::u16string_view kPassword = u"Wonder<land>&42";

std::string Answer(std::string_view status, std::string_view body) {
    return "HTTP/1.1 " + std::string(status) +
           "\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

std::string SessionResponse() {
    return soaptest::Envelope("<CreateSessionResponse "
                              "xmlns=\"http://services.nimbrel.example/keldwick/\">"
                              "<CreateSessionResult>s-1</CreateSessionResult>"
                              "<nErrorCode>0</nErrorCode></CreateSessionResponse>");
}

// A trace written into memory.
class CMemoryTrace {
public:
    explicit CMemoryTrace(int level)
        : m_file(open_memstream(&m_data, &m_size)),
          m_writer(m_file, level, account::kSecretElements) {}
    ~CMemoryTrace() {
        std::fclose(m_file);
        std::free(m_data);
    }
    CTraceWriter* Writer() { return &m_writer; }
    std::string Text() {
        std::fflush(m_file);
        return std::string(m_data, m_size);
    }

private:
    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::FILE* m_file;
    CTraceWriter m_writer;
};

class FailureReason : public ::testing::Test {
protected:
    // Signs in on `proxy`; true when the call succeeded.
    static bool SignIn(CAccountServiceT& proxy) {
        const CBstr user(u"alice");
        const CBstr password(kPassword);
        BSTR session = nullptr;
        std::int32_t code = -1;
        const HRESULT hr = proxy.CreateSession(user.Get(), password.Get(), &session, &code);
        SysFreeString(session);
        return Succeeded(hr);
    }
    // The reason a sign-in against `url` fails with.
    static std::string ReasonFor(const std::string& url, std::uint32_t timeout = 5000) {
        CAccountServiceT proxy(url);
        proxy.m_timeout = timeout;
        EXPECT_FALSE(SignIn(proxy));
        return proxy.FailureReason();
    }

    CScriptedServer m_server;
};

TEST_F(FailureReason, NetworkFailuresNameTheStageTheServerAndTheSystemsReason) {
    std::uint16_t closedPort = 0;
    {
        CScriptedServer gone;
        closedPort = gone.Port();
    }
    const std::string where = "127.0.0.1:" + std::to_string(closedPort);
    EXPECT_EQ(ReasonFor("http://" + where + "/a.asmx"),
              "connecting to " + where + " failed: Connection refused");
    EXPECT_EQ(ReasonFor("http://no-such-host.invalid/a.asmx")
                  .rfind("resolving no-such-host.invalid "
                         "failed: ",
                         0),
              0u);
    m_server.ReadRequest().Stall();
    m_server.Start();
    EXPECT_EQ(ReasonFor(m_server.Url("/a.asmx"), 200),
              "waiting for the answer from 127.0.0.1:" + std::to_string(m_server.Port()) +
                  " failed: timed out after 200 ms");
}

TEST_F(FailureReason, HttpAndBodyFailures) {
    const std::string where = "127.0.0.1:" + std::to_string(m_server.Port());
    m_server.ReadRequest().Send(Answer("404 Not Found", "no such page"));
    m_server.Connection()
        .ReadRequest()
        .Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n<soap:Envelope")
        .Close();
    m_server.Connection().ReadRequest().Send("hello\r\n\r\n");
    m_server.Start();
    EXPECT_EQ(ReasonFor(m_server.Url("/a.asmx")), where + " answered \"HTTP/1.1 404 Not Found\"");
    EXPECT_EQ(ReasonFor(m_server.Url("/a.asmx")),
              "reading the body from " + where +
                  " failed: the connection closed before the whole body arrived, or it passed "
                  "the size bound");
    EXPECT_EQ(ReasonFor(m_server.Url("/a.asmx")),
              "reading the answer's head from " + where + " failed: the answer had no status line");
}

TEST_F(FailureReason, EnvelopeAndFaultFailures) {
    const std::string where = "127.0.0.1:" + std::to_string(m_server.Port());
    m_server.ReadRequest().Send(Answer("200 OK", "<soap:Envelope><soap:Body></soap:Envelope>"));
    m_server.ReadRequest().Send(
        Answer("500 Internal Server Error",
               "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
               "<soap:Fault><faultcode>soap:Client</faultcode><faultstring>No such SOAPAction."
               "</faultstring></soap:Fault></soap:Body></soap:Envelope>"));
    m_server.Start();
    CAccountServiceT proxy(m_server.Url("/a.asmx"));
    proxy.m_timeout = 5000;
    EXPECT_FALSE(SignIn(proxy));
    const std::string parse = proxy.FailureReason();
    EXPECT_EQ(parse.rfind("parsing the envelope from " + where + " failed at line 1, column ", 0),
              0u)
        << parse;
    EXPECT_FALSE(SignIn(proxy));
    EXPECT_EQ(proxy.FailureReason(),
              "the service at " + where +
                  " answered with a SOAP fault: Client: No such SOAPAction.");
    EXPECT_EQ(proxy.m_status, StatusSoapFault);
}

TEST_F(FailureReason, EachFailureSaysWhatHappened) {
    const std::string where = "127.0.0.1:" + std::to_string(m_server.Port());
    const std::string soap = "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"";
    m_server.ReadRequest().Send(
        Answer("500 Internal Server Error",
               "<soap:Envelope " + soap +
                   "><soap:Body><soap:Fault><faultstring>Busy</faultstring>"
                   "<faultcode>soap:Server</faultcode></soap:Fault></soap:Body></soap:Envelope>"));
    m_server.Connection().ReadRequest().Send(
        "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 99999999999\r\n\r\n");
    m_server.Connection().ReadRequest().Send(Answer("202 Accepted", SessionResponse()));
    m_server.Start();
    const std::string reasons[] = {
        "the service at " + where + " answered with a SOAP fault: Server: Busy",
        "the service at " + where +
            " answered \"HTTP/1.1 500 Internal Server Error\" without a readable fault: reading",
        where + " accepted the call (\"HTTP/1.1 202 Accepted\") without answering it",
    };
    for (const std::string& reason : reasons) {
        EXPECT_EQ(ReasonFor(m_server.Url("/a.asmx")).substr(0, reason.size()), reason);
    }
    // A password XML cannot carry is refused before anything is sent.
    CAccountServiceT proxy(m_server.Url("/a.asmx"));
    const CBstr user(u"alice");
    const CBstr password(u"pass\u0001word");
    BSTR session = nullptr;
    std::int32_t code = -1;
    EXPECT_EQ(proxy.CreateSession(user.Get(), password.Get(), &session, &code), E_INVALIDARG);
    EXPECT_EQ(proxy.m_status, StatusWriteFailed);
    EXPECT_EQ(proxy.FailureReason(),
              "the request was not sent: a text argument holds a character that XML cannot carry "
              "(a control character or a lone surrogate)");
    EXPECT_EQ(m_server.Accepted(), 3);
}

TEST_F(FailureReason, TraceShowsAKeptConnectionAndARedirect) {
    CScriptedServer other;
    other.ReadRequest().Send(Answer("200 OK", SessionResponse()));
    other.Start();
    m_server.ReadRequest().Send(Answer("200 OK", SessionResponse()));
    m_server.ReadRequest().Send("HTTP/1.1 302 Found\r\nLocation: " + other.Url("/b.asmx") +
                                "\r\nContent-Length: 0\r\n\r\n");
    m_server.Start();
    CMemoryTrace trace(1);
    CAccountServiceT proxy(m_server.Url("/a.asmx"));
    proxy.m_timeout = 5000;
    proxy.SetTrace(trace.Writer());
    ASSERT_TRUE(SignIn(proxy));
    ASSERT_TRUE(SignIn(proxy));
    const std::string text = trace.Text();
    const std::string here = "127.0.0.1:" + std::to_string(m_server.Port());
    const std::string there = "127.0.0.1:" + std::to_string(other.Port());
    const std::size_t first = text.find("* connected to " + here + "\n> POST /a.asmx HTTP/1.1\n");
    const std::size_t reuse = text.find("* reusing the connection to " + here + "\n");
    const std::size_t redirect = text.find(
        "< HTTP/1.1 302 Found\n< Location: " + other.Url("/b.asmx") + "\n< Content-Length: 0\n");
    const std::size_t follow =
        text.find("* following the redirect to " + other.Url("/b.asmx") + "\n* connected to " +
                  there + "\n> POST /b.asmx HTTP/1.1\n");
    EXPECT_NE(first, std::string::npos) << text;
    EXPECT_LT(first, reuse) << text;
    EXPECT_LT(reuse, redirect) << text;
    EXPECT_LT(redirect, follow) << text;
    EXPECT_NE(follow, std::string::npos) << text;
    EXPECT_NE(text.find("* request body: "), std::string::npos);
    EXPECT_NE(text.find("< HTTP/1.1 200 OK\n"), std::string::npos);
    EXPECT_EQ(text.find("strUserPassword"), std::string::npos) << "no body at level 1";
    EXPECT_EQ(text.find("Wonder"), std::string::npos);
    proxy.SetTrace(nullptr);
}

TEST_F(FailureReason, PasswordIsMaskedWithTheBodies) {
    m_server.ReadRequest().Send(Answer("200 OK", SessionResponse()));
    m_server.Start();
    CMemoryTrace trace(2);
    CAccountServiceT proxy(m_server.Url("/a.asmx"));
    proxy.m_timeout = 5000;
    proxy.SetTrace(trace.Writer());
    ASSERT_TRUE(SignIn(proxy));
    const std::string text = trace.Text();
    EXPECT_NE(text.find("<strUserPassword>********</strUserPassword>"), std::string::npos) << text;
    EXPECT_NE(text.find("<strUserID>alice</strUserID>"), std::string::npos);
    EXPECT_NE(text.find("<CreateSessionResult>s-1</CreateSessionResult>"), std::string::npos);
    EXPECT_EQ(text.find("Wonder"), std::string::npos);
    proxy.SetTrace(nullptr);
}

TEST(TraceWriter, MasksEverySecretElementWhateverItsPrefix) {
    const std::string_view secrets[] = {"strUserPassword"};
    CTraceWriter writer(stderr, 2, secrets);
    EXPECT_EQ(writer.MaskSecrets("<a><k:strUserPassword x=\"1\">p&amp;w</k:strUserPassword>"
                                 "<strUserPassword/><strUserPassword xsi:nil=\"true\"/>"
                                 "<strUserPasswordX>seen</strUserPasswordX></a>"),
              "<a><k:strUserPassword x=\"1\">********</k:strUserPassword>"
              "<strUserPassword/><strUserPassword xsi:nil=\"true\"/>"
              "<strUserPasswordX>seen</strUserPasswordX></a>");
    // A document cut inside the secret still hides what arrived of it.
    EXPECT_EQ(writer.MaskSecrets("<strUserPassword>half"), "<strUserPassword>********");
}

} // namespace

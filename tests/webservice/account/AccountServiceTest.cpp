#include "webservice/soap/SoapTestHandler.h"

#include "com/CBstr.h"
#include "support/CScriptedServer.h"
#include "webservice/account/CAccountServiceT.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace {

std::string Answer(std::string_view status, std::string_view body,
                   std::string_view extra = "Content-Type: text/xml; charset=utf-8\r\n") {
    return "HTTP/1.1 " + std::string(status) + "\r\n" + std::string(extra) +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

std::string Ok(std::string_view body) {
    return Answer("200 OK", body);
}

std::string SessionResponse(std::string_view rows) {
    return soaptest::Envelope(
        "<CreateSessionResponse xmlns=\"http://services.nimbrel.example/keldwick/\">" +
        std::string(rows) + "</CreateSessionResponse>");
}

std::string ServerFault(std::string_view code) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
           "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
           "<soap:Fault><faultcode>" +
           std::string(code) +
           "</faultcode><faultstring>Server was unable to process request.</faultstring>"
           "<detail /></soap:Fault></soap:Body></soap:Envelope>";
}

// A proxy that counts the readers it creates and can be told to fail creating one.
class CCountingProxy : public CAccountServiceT {
public:
    using CAccountServiceT::CAccountServiceT;
    int created = 0;
    HRESULT failWith = S_OK;

protected:
    HRESULT CreateXmlReader(sax::ISAXXMLReader** reader) override {
        if (Failed(failWith)) {
            return failWith;
        }
        ++created;
        return CAccountServiceT::CreateXmlReader(reader);
    }
};

class AccountService : public ::testing::Test {
protected:
    CScriptedServer server;
    CBstr user{u"al&ce"};
    CBstr password{u"p<w>"};
    BSTR session = nullptr;
    std::int32_t code = -1;

    ~AccountService() override { SysFreeString(session); }

    // Serves one connection with these answers, one per request.
    void Serve(std::initializer_list<std::string> answers) {
        server.Connection();
        for (const std::string& answer : answers) {
            server.ReadRequest().Send(answer);
        }
        server.Start();
    }

    HRESULT SignIn(CAccountServiceT& proxy) {
        return proxy.CreateSession(user.Get(), password.Get(), &session, &code);
    }

    std::string Path(std::string_view path = "/keldwick/AccountService.asmx") const {
        return server.Url(path);
    }
};

TEST_F(AccountService, CreateSessionSendsTheRequestAndHandsTheOutputsOver) {
    Serve({Ok(SessionResponse("<CreateSessionResult>S-1</CreateSessionResult>"
                              "<nErrorCode>0</nErrorCode>"))});
    CAccountServiceT proxy(Path());
    ASSERT_EQ(SignIn(proxy), S_OK);
    EXPECT_EQ(BstrView(session), u"S-1");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(proxy.m_status, StatusOk);
    ASSERT_TRUE(server.WaitDone());
    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string body =
        "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
        "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\"><soap:Body>"
        "<CreateSession xmlns=\"http://services.nimbrel.example/keldwick/\">"
        "<strUserID>al&amp;ce</strUserID><strUserPassword>p&lt;w&gt;</strUserPassword>"
        "</CreateSession></soap:Body></soap:Envelope>";
    const std::string expected =
        "POST /keldwick/AccountService.asmx HTTP/1.1\r\n"
        "Content-Length: " +
        std::to_string(body.size()) +
        "\r\n"
        "Content-Type: text/xml; charset=utf-8\r\n"
        "SOAPAction: \"http://services.nimbrel.example/keldwick/CreateSession\"\r\n"
        "Accept: text/xml\r\n"
        "Host: 127.0.0.1\r\n"
        "User-Agent: Keldwick/3.1\r\n\r\n" +
        body;
    EXPECT_EQ(server.Requests()[0], expected);
    EXPECT_EQ(proxy.GetRequestBody(), body);
}

TEST_F(AccountService, TheOtherOperations) {
    Serve({Ok(soaptest::Envelope("<GetErrorMessageResponse><GetErrorMessageResult>Wrong password"
                                 "</GetErrorMessageResult></GetErrorMessageResponse>")),
           Ok(soaptest::Envelope("<EmailUserPasswordResponse><EmailUserPasswordResult>12"
                                 "</EmailUserPasswordResult></EmailUserPasswordResponse>"))});
    CAccountServiceT proxy(Path());
    BSTR message = nullptr;
    ASSERT_EQ(proxy.GetErrorMessage(nullptr, 3, &message), S_OK);
    const CBstr owned = CBstr::Attach(message);
    EXPECT_EQ(owned.View(), u"Wrong password");
    std::int32_t result = -1;
    ASSERT_EQ(proxy.EmailUserPassword(user.Get(), &result), S_OK);
    EXPECT_EQ(result, 12);
    ASSERT_TRUE(server.WaitDone());
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].find("SOAPAction: \"http://services.nimbrel.example/keldwick/"
                               "GetErrorMessage\"\r\n"),
              std::string::npos);
    EXPECT_NE(requests[0].find("<strSessionID xsi:nil=\"1\"/><nErrorCode>3</nErrorCode>"),
              std::string::npos);
    EXPECT_NE(requests[1].find("<EmailUserPassword xmlns=\"http://services.nimbrel.example/"
                               "keldwick/\"><strUserID>al&amp;ce</strUserID></EmailUserPassword>"),
              std::string::npos);
}

TEST_F(AccountService, NilResultIsAcceptedAsANullSessionId) {
    Serve({Ok(SessionResponse("<CreateSessionResult xsi:nil=\"true\" /><nErrorCode>4"
                              "</nErrorCode>"))});
    CAccountServiceT proxy(Path());
    ASSERT_EQ(SignIn(proxy), S_OK);
    EXPECT_EQ(session, nullptr);
    EXPECT_EQ(code, 4);
}

TEST_F(AccountService, NullOutputPointerSendsNothing) {
    Serve({});
    CAccountServiceT proxy(Path());
    proxy.m_status = StatusReadFailed;
    EXPECT_EQ(proxy.CreateSession(user.Get(), password.Get(), nullptr, &code), E_POINTER);
    EXPECT_EQ(proxy.CreateSession(user.Get(), password.Get(), &session, nullptr), E_POINTER);
    EXPECT_EQ(proxy.GetErrorMessage(nullptr, 1, nullptr), E_POINTER);
    EXPECT_EQ(proxy.EmailUserPassword(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(proxy.m_status, StatusReadFailed) << "the status of the former call stays";
    EXPECT_EQ(server.Accepted(), 0);
    EXPECT_TRUE(proxy.GetRequestBody().empty());
}

TEST_F(AccountService, TwoCallsShareTheReaderAndTheConnection) {
    Serve({Ok(SessionResponse("<CreateSessionResult/><nErrorCode>17</nErrorCode>")),
           Ok(soaptest::Envelope("<R><GetErrorMessageResult>Locked</GetErrorMessageResult></R>"))});
    CCountingProxy proxy(Path());
    ASSERT_EQ(SignIn(proxy), S_OK);
    EXPECT_EQ(code, 17);
    BSTR message = nullptr;
    ASSERT_EQ(proxy.GetErrorMessage(session, code, &message), S_OK);
    const CBstr owned = CBstr::Attach(message);
    EXPECT_EQ(owned.View(), u"Locked");
    EXPECT_EQ(proxy.created, 1);
    ASSERT_TRUE(server.WaitDone());
    EXPECT_EQ(server.Accepted(), 1);
    sax::ISAXXMLReader* reader = nullptr;
    ASSERT_EQ(proxy.GetXmlReader(&reader), S_OK);
    EXPECT_EQ(reader->Release(), 1u) << "the proxy keeps its own reference";
    EXPECT_EQ(proxy.GetXmlReader(nullptr), E_INVALIDARG);
}

TEST_F(AccountService, FailedCallsLeaveTheOutputsAlone) {
    Serve({Ok(SessionResponse("<CreateSessionResult>S-2</CreateSessionResult>"
                              "<nErrorCode>x</nErrorCode>")),
           Ok(SessionResponse("<CreateSessionResult>S-3</CreateSessionResult>"))});
    CAccountServiceT proxy(Path());
    CBstr before(u"before");
    session = before.Get();
    code = 55;
    EXPECT_EQ(SignIn(proxy), E_FAIL);
    EXPECT_EQ(proxy.m_status, StatusParseFailed);
    EXPECT_EQ(session, before.Get());
    EXPECT_EQ(code, 55);
    EXPECT_EQ(SignIn(proxy), E_FAIL) << "a required output is missing";
    EXPECT_EQ(proxy.m_status, StatusParseFailed);
    EXPECT_EQ(session, before.Get());
    session = nullptr;
}

TEST_F(AccountService, ReaderCreationFailure) {
    Serve({});
    CCountingProxy proxy(Path());
    proxy.failWith = E_OUTOFMEMORY;
    EXPECT_EQ(SignIn(proxy), E_OUTOFMEMORY);
    EXPECT_EQ(proxy.m_status, StatusInitFailed);
    EXPECT_EQ(server.Accepted(), 0);
}

// How each kind of answer is classified.
struct Classification {
    const char* name;
    std::string answer;
    SoapClientStatus status;
    int faultCode;
};

void PrintTo(const Classification& c, std::ostream* out) {
    *out << c.name;
}

class SendClassification : public AccountService,
                           public ::testing::WithParamInterface<Classification> {};

TEST_P(SendClassification, SetsTheStatus) {
    const Classification& c = GetParam();
    Serve({c.answer});
    CAccountServiceT proxy(Path());
    EXPECT_EQ(SignIn(proxy), E_FAIL);
    EXPECT_EQ(proxy.m_status, c.status) << c.name;
    EXPECT_EQ(proxy.GetFault().code, c.faultCode) << c.name;
    EXPECT_EQ(session, nullptr);
    EXPECT_EQ(code, -1);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SendClassification,
    ::testing::Values(
        Classification{"200 with an empty body", Ok(""), StatusReadFailed, 0},
        Classification{"404", Answer("404 Not Found", "<html/>"), StatusSendFailed, 0},
        Classification{"204", "HTTP/1.1 204 No Content\r\n\r\n", StatusServerError, 0},
        Classification{"302 without Location", Answer("302 Found", ""), StatusServerError, 0},
        Classification{"202 without a body", Answer("202 Accepted", ""), StatusParseFailed, 0},
        Classification{"500 fault", Answer("500 Internal Server Error", ServerFault("soap:Server")),
                       StatusSoapFault, CFaultRecord::kServer},
        Classification{"500 fault with another prefix",
                       Answer("500 Internal Server Error", ServerFault("s:Server")),
                       StatusFaultUnreadable, 0},
        Classification{"500 fault with a header",
                       Answer("500 Internal Server Error",
                              "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/"
                              "envelope/\"><soap:Header/><soap:Body><soap:Fault><faultcode>"
                              "soap:Server</faultcode></soap:Fault></soap:Body></soap:Envelope>"),
                       StatusFaultUnreadable, 0},
        Classification{"500 html", Answer("500 Internal Server Error", "<html><p>oops</html>"),
                       StatusFaultUnreadable, 0},
        Classification{"500 empty", Answer("500 Internal Server Error", ""), StatusFaultUnreadable,
                       0},
        Classification{"500 over the size bound",
                       "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 99999999999\r\n\r\n",
                       StatusFaultUnreadable, 0},
        Classification{"202 with a response",
                       Answer("202 Accepted", SessionResponse("<CreateSessionResult>S-1"
                                                              "</CreateSessionResult><nErrorCode>"
                                                              "0</nErrorCode>")),
                       StatusParseFailed, 0},
        Classification{"200 envelope without a body",
                       Ok("<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""
                          "/>"),
                       StatusParseFailed, 0},
        Classification{"200 another envelope element",
                       Ok("<soap:Anything xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""
                          "/>"),
                       StatusParseFailed, 0}),
    [](const ::testing::TestParamInfo<Classification>& info) {
        std::string name;
        for (const char* p = info.param.name; *p != 0; ++p) {
            name.push_back(std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
        }
        return name;
    });

TEST_F(AccountService, FaultTextIsKept) {
    Serve({Answer("500 Internal Server Error", ServerFault("soap:Client"))});
    CAccountServiceT proxy(Path());
    EXPECT_EQ(SignIn(proxy), E_FAIL);
    EXPECT_EQ(proxy.m_status, StatusSoapFault);
    EXPECT_EQ(proxy.GetFault().code, CFaultRecord::kClient);
    EXPECT_EQ(proxy.GetFault().faultString.View(), u"Server was unable to process request.");
}

TEST_F(AccountService, ACallAfterAFaultWorks) {
    // The fault is read with the proxy's reader; the next call must take the reader back.
    // A failed exchange closes the connection, so the second call comes on a new one.
    server.Connection().ReadRequest().Send(
        Answer("500 Internal Server Error", ServerFault("soap:Server")));
    server.Connection().ReadRequest().Send(Ok(SessionResponse(
        "<CreateSessionResult>S-9</CreateSessionResult><nErrorCode>0</nErrorCode>")));
    server.Start();
    CCountingProxy proxy(Path());
    EXPECT_EQ(SignIn(proxy), E_FAIL);
    EXPECT_EQ(proxy.m_status, StatusSoapFault);
    ASSERT_EQ(SignIn(proxy), S_OK);
    EXPECT_EQ(BstrView(session), u"S-9");
    EXPECT_EQ(proxy.m_status, StatusOk);
    EXPECT_EQ(proxy.GetFault().code, CFaultRecord::kNone) << "cleared by the new call";
    EXPECT_EQ(proxy.created, 1);
}

TEST_F(AccountService, RefusedConnection) {
    // A port that was free a moment ago and has no listener now.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    ::close(fd);
    CAccountServiceT proxy("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x");
    EXPECT_EQ(SignIn(proxy), E_FAIL);
    EXPECT_EQ(proxy.m_status, StatusSendFailed);
}

TEST(AccountServiceEndpoint, EnvironmentReplacesTheBuiltInEndpoint) {
    ::unsetenv("KELDWICK_ENDPOINT");
    EXPECT_EQ(CAccountServiceT::DefaultEndpoint(),
              "http://services.nimbrel.example/keldwick/AccountService.asmx");
    {
        CAccountServiceT proxy;
        EXPECT_EQ(proxy.GetEndpoint().HostName(), "services.nimbrel.example");
        EXPECT_EQ(proxy.GetEndpoint().UrlPath(), "/keldwick/AccountService.asmx");
        EXPECT_EQ(proxy.GetEndpoint().PortNumber(), 80);
    }
    ::setenv("KELDWICK_ENDPOINT", "http://127.0.0.1:8123/svc page.asmx", 1);
    CAccountServiceT proxy;
    ::unsetenv("KELDWICK_ENDPOINT");
    EXPECT_EQ(proxy.GetEndpoint().PortNumber(), 8123);
    EXPECT_EQ(proxy.GetEndpoint().UrlPath(), "/svc%20page.asmx") << "escaped before it is split";
}

} // namespace

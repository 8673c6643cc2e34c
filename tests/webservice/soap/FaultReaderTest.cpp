#include "sax/CMemoryStream.h"
#include "webservice/soap/CFaultReader.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class FaultParse : public ::testing::Test {
protected:
    sax::ISAXXMLReader* reader = nullptr;
    CFaultRecord fault;

    void SetUp() override { ASSERT_EQ(sax::CreateSaxXmlReader(&reader), S_OK); }
    void TearDown() override { reader->Release(); }

    HRESULT Parse(std::string_view text) {
        sax::CMemoryStream stream(text);
        const HRESULT hr = CFaultReader::Parse(fault, reader, &stream);
        EXPECT_EQ(reader->GetContentHandler(), nullptr) << "the fault reader is detached";
        return hr;
    }

    static std::string Fault(std::string_view inner, std::string_view prefix = "soap") {
        const std::string p(prefix);
        return "<?xml version=\"1.0\"?><" + p + ":Envelope xmlns:" + p +
               "=\"http://schemas.xmlsoap.org/soap/envelope/\"><" + p + ":Body><" + p + ":Fault>" +
               std::string(inner) + "</" + p + ":Fault></" + p + ":Body></" + p + ":Envelope>";
    }
};

TEST_F(FaultParse, ReadsEveryFieldOfAServerFault) {
    ASSERT_EQ(Parse(Fault("\n  <faultcode>soap:Server</faultcode>\n"
                          "  <faultstring>Server was unable to process request. ---&gt; "
                          "boom</faultstring>\n  <faultactor>urn:actor</faultactor>\n"
                          "  <detail><e:why xmlns:e='urn:e' n=\"1\">disk</e:why></detail>\n")),
              S_OK);
    EXPECT_EQ(fault.code, CFaultRecord::kServer);
    EXPECT_EQ(fault.codeLocalName.View(), u"Server");
    EXPECT_EQ(fault.faultString.View(), u"Server was unable to process request. ---> boom");
    EXPECT_EQ(fault.faultActor.View(), u"urn:actor");
    EXPECT_EQ(fault.detail.View(), u"<e:why n=\"1\">disk</e:why>");
}

TEST_F(FaultParse, FaultCodesUseTheEnvelopePrefix) {
    struct Case {
        std::string_view code;
        std::string_view prefix;
        int expected;
    };
    for (const Case& c : {Case{"s:Client", "s", CFaultRecord::kClient},
                          Case{"  soap:VersionMismatch ", "soap", CFaultRecord::kVersionMismatch},
                          Case{"soap:MustUnderstand", "soap", CFaultRecord::kMustUnderstand},
                          Case{"soap:Server.Database", "soap", CFaultRecord::kNone}}) {
        ASSERT_EQ(Parse(Fault("<faultcode>" + std::string(c.code) + "</faultcode>", c.prefix)),
                  S_OK)
            << c.code;
        EXPECT_EQ(fault.code, c.expected) << c.code;
    }
    EXPECT_EQ(fault.codeLocalName.View(), u"Server.Database");
    // The code's local name is kept only while no fault string came before it.
    ASSERT_EQ(Parse(Fault("<faultstring>s</faultstring><faultcode>soap:Client</faultcode>")), S_OK);
    EXPECT_EQ(fault.code, CFaultRecord::kClient);
    EXPECT_TRUE(fault.codeLocalName.IsNull());
}

TEST_F(FaultParse, RefusedFaults) {
    EXPECT_EQ(Parse(Fault("<faultcode>other:Server</faultcode>")), E_FAIL);
    EXPECT_EQ(fault.code, CFaultRecord::kNone);
    EXPECT_EQ(Parse(Fault("<faultcode>Server</faultcode>")), E_FAIL);
    EXPECT_EQ(Parse(Fault("<faultcode/>")), E_FAIL);
    EXPECT_EQ(Parse(Fault("<faultcode>soap:Server</faultcode><faultcode>soap:Client</faultcode>")),
              E_FAIL);
    EXPECT_EQ(Parse(Fault("<faultstring>a</faultstring><faultstring>b</faultstring>")), E_FAIL);
    // The envelope namespace as the default namespace gives the code no prefix to use.
    EXPECT_EQ(Parse("<Envelope xmlns=\"http://schemas.xmlsoap.org/soap/envelope/\"><Body><Fault>"
                    "<faultcode xmlns=''>Server</faultcode></Fault></Body></Envelope>"),
              E_FAIL);
    // A header blocks the body that follows it.
    EXPECT_EQ(Parse("<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                    "<soap:Header/><soap:Body><soap:Fault><faultcode>soap:Server</faultcode>"
                    "</soap:Fault></soap:Body></soap:Envelope>"),
              E_FAIL);
    EXPECT_EQ(Parse("<soap:Envelope xmlns:soap=\"urn:not-soap\"><soap:Body/></soap:Envelope>"),
              E_FAIL);
    EXPECT_EQ(Parse("<html><body>Internal error</body></html>"), E_FAIL);
    EXPECT_EQ(
        Parse("<!DOCTYPE x [<!ENTITY e 'soap:Server'>]>" + Fault("<faultcode>&e;</faultcode>")),
        E_FAIL);
    EXPECT_EQ(Parse(""), E_FAIL);
}

TEST_F(FaultParse, UnknownElementsInsideTheFaultAreSkipped) {
    ASSERT_EQ(Parse(Fault("<faultcode>soap:Server</faultcode><extra><faultcode>soap:Client"
                          "</faultcode></extra><faultstring>s</faultstring>")),
              S_OK);
    EXPECT_EQ(fault.code, CFaultRecord::kServer);
    EXPECT_EQ(fault.faultString.View(), u"s");
    EXPECT_EQ(Parse("<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                    "<soap:Body><other/></soap:Body></soap:Envelope>"),
              E_FAIL)
        << "unknown elements outside the fault are refused";
}

} // namespace

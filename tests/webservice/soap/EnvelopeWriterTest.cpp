#include "SoapTestHandler.h"
#include "SoapTestTables.h"

#include "com/CBstr.h"
#include "webservice/account/AccountServiceTables.h"
#include "webservice/soap/SoapValueText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using soaptest::CTestHandler;

constexpr std::string_view kStart =
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\">";

std::string Wrapped(std::string_view operation, std::string_view rows) {
    return std::string(kStart) + "<soap:Body><" + std::string(operation) +
           " xmlns=\"http://services.nimbrel.example/keldwick/\">" + std::string(rows) + "</" +
           std::string(operation) + "></soap:Body></soap:Envelope>";
}

class AccountEnvelope : public ::testing::Test {
protected:
    CTestHandler handler{account::kOperationTables, account::kHeaderTables};

    std::string CreateSession(std::u16string_view user, std::u16string_view password) {
        CBstr u(user), p(password);
        CreateSessionRecord record{u.Get(), p.Get(), nullptr, 0};
        return handler.Write(&record, account::kCreateSession);
    }
};

TEST_F(AccountEnvelope, EachOperationIsWrittenByteForByte) {
    ASSERT_EQ(kStart.size(), 227u);
    EXPECT_EQ(CreateSession(u"alice", u"secret"),
              Wrapped("CreateSession",
                      "<strUserID>alice</strUserID><strUserPassword>secret</strUserPassword>"));

    CBstr session(u"S-1");
    GetErrorMessageRecord message{session.Get(), -5, nullptr};
    EXPECT_EQ(
        handler.Write(&message, account::kGetErrorMessage),
        Wrapped("GetErrorMessage", "<strSessionID>S-1</strSessionID><nErrorCode>-5</nErrorCode>"));

    CBstr user(u"bob");
    EmailUserPasswordRecord email{user.Get(), 77};
    EXPECT_EQ(handler.Write(&email, account::kEmailUserPassword),
              Wrapped("EmailUserPassword", "<strUserID>bob</strUserID>"));
}

TEST_F(AccountEnvelope, TextIsEscapedToAscii) {
    EXPECT_EQ(CreateSession(u"a&b", u"<\"'>"),
              Wrapped("CreateSession", "<strUserID>a&amp;b</strUserID>"
                                       "<strUserPassword>&lt;\"'&gt;</strUserPassword>"));
    EXPECT_EQ(CreateSession(u"Ren\u00E9\t", u"\U0001F600"),
              Wrapped("CreateSession", "<strUserID>Ren&#x00E9;&#x0009;</strUserID>"
                                       "<strUserPassword>&#x01F600;</strUserPassword>"));
    // DEL is a reference too; characters XML cannot carry at all refuse the call instead of
    // sending malformed XML.
    EXPECT_EQ(CreateSession(u"\x7F\uFFFD", u"\r\n"),
              Wrapped("CreateSession", "<strUserID>&#x007F;&#xFFFD;</strUserID>"
                                       "<strUserPassword>&#x000D;&#x000A;</strUserPassword>"));
    const std::u16string refused[] = {
        {char16_t(0xD83D), u'x'},
        {u'x', char16_t(0xDE00)},
        {u'y', char16_t(0xD800)},
        {u'a', char16_t(1)},
        {char16_t(0x1F)},
        {char16_t(0xFFFE)},
        {char16_t(0)},
    };
    for (const std::u16string& text : refused) {
        EXPECT_EQ(CreateSession(u"u", text), "failed") << int(text.back());
        EXPECT_FALSE(soap::XmlCanCarry(text));
    }
}

TEST_F(AccountEnvelope, NullTextIsNilAndEmptyTextIsAnEmptyElement) {
    CreateSessionRecord record{nullptr, nullptr, nullptr, 0};
    EXPECT_EQ(
        handler.Write(&record, account::kCreateSession),
        Wrapped("CreateSession", "<strUserID xsi:nil=\"1\"/><strUserPassword xsi:nil=\"1\"/>"));
    EXPECT_EQ(
        CreateSession(u"", u""),
        Wrapped("CreateSession", "<strUserID></strUserID><strUserPassword></strUserPassword>"));
}

// The writer gathers text in blocks: texts that end on, cross or outgrow a block come out whole
// and in order, and the sink never gets a small piece on its own.
TEST_F(AccountEnvelope, LongTextsCrossTheWritersBlocksWhole) {
    class CRecordingSink : public IByteSink {
    public:
        HRESULT Write(const char* text, std::int32_t length, std::uint32_t* written) override {
            pieces.emplace_back(text, static_cast<std::size_t>(length));
            *written = static_cast<std::uint32_t>(length);
            return S_OK;
        }
        HRESULT Flush() override { return S_OK; }
        std::vector<std::string> pieces;
    };
    for (const std::size_t length : {1u, 3797u, 3798u, 4096u, 4097u, 9000u, 70000u}) {
        const std::string user(length, 'u');
        const std::string password(length / 2 + 1, 'p');
        CBstr u(std::u16string(user.begin(), user.end()));
        CBstr p(std::u16string(password.begin(), password.end()));
        CreateSessionRecord record{u.Get(), p.Get(), nullptr, 0};
        CRecordingSink sink;
        ASSERT_EQ(handler.BindCall(&record, account::kCreateSession), S_OK);
        ASSERT_EQ(handler.WriteEnvelope(&sink), S_OK) << length;
        handler.ResetCallState();
        std::string whole;
        for (std::size_t i = 0; i < sink.pieces.size(); ++i) {
            whole += sink.pieces[i];
            // Every piece but the last fills a block, unless it is one text too long for one.
            if (i + 1 < sink.pieces.size() && sink.pieces[i].size() != 4096) {
                EXPECT_GT(sink.pieces[i].size(), 4096u) << length;
            }
        }
        EXPECT_EQ(whole, Wrapped("CreateSession", "<strUserID>" + user + "</strUserID>" +
                                                      "<strUserPassword>" + password +
                                                      "</strUserPassword>"))
            << length;
    }
}

TEST(SoapValueText, FloatingPointKeepsTheExactValue) {
    const auto text = [](double v) {
        std::string out;
        soap::AppendDouble(out, v);
        return out;
    };
    EXPECT_EQ(text(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(text(std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(text(-std::numeric_limits<double>::infinity()), "-INF");
    EXPECT_EQ(text(-0.0), "-0");
    EXPECT_EQ(text(0.0), "0");
    EXPECT_EQ(text(1.5), "1.5");
    EXPECT_EQ(text(-250.0), "-250");
    EXPECT_EQ(text(1e22), "10000000000000000000000");
    EXPECT_EQ(text(0.1), "0.1000000000000000055511151231257827021181583404541015625");
    EXPECT_EQ(text(static_cast<double>(0.1f)), "0.100000001490116119384765625");
    EXPECT_EQ(text(0.00048828125), "0.00048828125");
    EXPECT_EQ(text(1e-7),
              "9.99999999999999954748111825886258685613938723690807819366455078125e-08");
    // Round trip through the reading side for awkward values.
    for (const double v : {5e-324, 1.7976931348623157e308, 123456.789, -3.25e-5}) {
        double back = 0;
        const std::string written = text(v);
        ASSERT_TRUE(soap::ParseDouble(std::u16string(written.begin(), written.end()), back));
        EXPECT_EQ(back, v);
    }
}

TEST(SoapValueText, BinaryForms) {
    const std::uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
    std::string hex;
    soap::AppendHex(hex, bytes, sizeof bytes);
    EXPECT_EQ(hex, "000FA5FF");

    const auto b64 = [](std::size_t n) {
        std::string data(n, '\0');
        for (std::size_t i = 0; i < n; ++i) {
            data[i] = static_cast<char>('a' + i % 26);
        }
        std::string out;
        soap::AppendBase64(out, reinterpret_cast<const std::uint8_t*>(data.data()), n);
        return out;
    };
    EXPECT_EQ(b64(1), "YQ==");
    EXPECT_EQ(b64(2), "YWI=");
    EXPECT_EQ(b64(3), "YWJj");
    // 19 complete groups make one line of 76 characters, ended by CR LF; a final partial group
    // follows the last break and gets none.
    const std::string line = b64(57);
    EXPECT_EQ(line.size(), 78u);
    EXPECT_EQ(line.substr(76), "\r\n");
    const std::string longer = b64(58);
    EXPECT_EQ(longer.size(), 82u);
    EXPECT_EQ(longer.substr(76, 2), "\r\n");
    EXPECT_EQ(longer.substr(78), "Zg==");
    EXPECT_EQ(b64(114).find("\r\n", 78), 154u);
    std::vector<std::uint8_t> decoded;
    ASSERT_TRUE(soap::DecodeBase64(longer, decoded));
    EXPECT_EQ(decoded.size(), 58u);
    EXPECT_EQ(decoded[57], 'f');
}

// The made-up operation with every kind of value.
class MixedEnvelope : public ::testing::Test {
protected:
    soaptest::MixedRecord record{};
    CBstr first{u"a<b"};
    BSTR names[2] = {first.Get(), nullptr};
    soaptest::Point points[1] = {{-1, 2}};
    std::uint8_t bytes[3] = {0xDE, 0xAD, 0x01};

    void SetUp() override {
        record.flag = 1;
        record.single = 0.5f;
        record.wide = -0.0;
        record.hex = SoapBlob{3, bytes};
        record.base64 = SoapBlob{3, bytes};
        record.color = 7;
        record.point = {3, -4};
        for (int i = 0; i < 6; ++i) {
            record.grid[i / 3][i % 3] = i;
        }
        record.nameCount = 2;
        record.names = names;
        record.pointCount = 1;
        record.points = points;
        record.big = std::numeric_limits<std::int64_t>::min();
        record.huge = std::numeric_limits<std::uint64_t>::max();
        record.small = -32768;
        record.tiny = -128;
    }
};

TEST_F(MixedEnvelope, EveryKindOfValue) {
    CTestHandler handler(soaptest::kMixedOperations, soaptest::kMixedNoHeaderSets);
    const std::string expected =
        std::string(kStart) +
        "<soap:Body><Mixed xmlns=\"urn:test/\">"
        "<flag>true</flag><single>0.5</single><wide>-0</wide>"
        "<hex>DEAD01</hex><base64>3q0B</base64><color>Blue</color>"
        "<point><x>3</x><y>-4</y></point>"
        "<grid soapenc:arrayType=\"xsd:int[2, 3]\"><int>0</int><int>1</int><int>2</int>"
        "<int>3</int><int>4</int><int>5</int></grid>"
        "<nameCount>2</nameCount>"
        "<names soapenc:arrayType=\"xsd:string[2]\"><string>a&lt;b</string>"
        "<string xsi:nil=\"1\"></string></names>"
        "<pointCount>1</pointCount>"
        "<points xmlns:q1=\"urn:test/\" soapenc:arrayType=\"q1:Point[1]\">"
        "<Point><x>-1</x><y>2</y></Point></points>"
        "<big>-9223372036854775808</big><huge>18446744073709551615</huge>"
        "<small>-32768</small><tiny>-128</tiny>"
        "<snp:own xmlns:snp=\"urn:own\" xsi:nil=\"1\"/>"
        "</Mixed></soap:Body></soap:Envelope>";
    EXPECT_EQ(handler.Write(&record, 0), expected);
}

TEST_F(MixedEnvelope, NilArraysAndUnwritableValues) {
    CTestHandler handler(soaptest::kMixedOperations, soaptest::kMixedNoHeaderSets);
    record.names = nullptr;
    record.hex = SoapBlob{0, nullptr};
    std::string text = handler.Write(&record, 0);
    EXPECT_NE(text.find("<hex xsi:nil=\"1\"/>"), std::string::npos);
    EXPECT_NE(text.find("<names xsi:nil=\"1\"/>"), std::string::npos);
    record.names = names;

    record.color = 3; // no such enumerator
    EXPECT_EQ(handler.Write(&record, 0), "failed");
    record.color = 1;
    EXPECT_NE(handler.Write(&record, 0).find("<color>Red</color>"), std::string::npos);

    record.nameCount = 0; // a block without a usable count
    EXPECT_EQ(handler.Write(&record, 0), "failed");
    record.nameCount = -3;
    EXPECT_EQ(handler.Write(&record, 0), "failed");
}

TEST_F(MixedEnvelope, HeadersAreWrittenOnlyWhenARowTravelsOut) {
    CBstr token(u"T&1");
    soaptest::Headers headers{token.Get(), nullptr};
    CTestHandler handler(soaptest::kMixedOperations, soaptest::kMixedHeaderSets, &headers);
    const std::string text = handler.Write(&record, 0);
    const std::string header = "<soap:Header xmlns=\"urn:test/\"><Token soap:mustUnderstand=\"1\">"
                               "T&amp;1</Token></soap:Header><soap:Body>";
    EXPECT_EQ(text.substr(kStart.size(), header.size()), header);

    CTestHandler none(soaptest::kMixedOperations, soaptest::kMixedNoHeaderSets);
    EXPECT_EQ(none.Write(&record, 0).find("soap:Header"), std::string::npos);
}

TEST(EnvelopeWriter, RpcEncodedAndBareStyles) {
    using namespace soaptest;
    static constexpr SoapParamEntry rows[] = {
        Row("n", u"n", xsdInt, kIn, 0),
        Row("r", u"r", xsdInt, kOut | SoapFlags::ReturnValue, 4),
        SoapParamEntry{},
    };
    static constexpr SoapFunctionMap rpc = Map("Op", u"OpResponse", SoapMapOperation, rows, 8, 1,
                                               SoapFlags::RpcStyle | SoapFlags::EncodedUse);
    static constexpr SoapFunctionMap bare =
        Map("Op", u"OpResponse", SoapMapOperation, rows, 8, 1,
            SoapFlags::DocumentStyle | SoapFlags::LiteralUse | SoapFlags::BareParams);
    static constexpr SoapFunctionMap rpcHeaders =
        Map("Op", u"OpResponse", SoapMapHeaderSet, kNoRows, 0, 0, 0);
    static const SoapFunctionMap* const rpcOps[] = {&rpc, &bare, nullptr};
    static const SoapFunctionMap* const headerSets[] = {&rpcHeaders, &rpcHeaders, nullptr};
    CTestHandler handler(rpcOps, headerSets);
    std::int32_t record[2] = {-5, 9};
    EXPECT_EQ(handler.Write(record, 0),
              std::string(kStart) +
                  "<soap:Body soap:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
                  "<snp:Op xmlns:snp=\"urn:test/\"><n>-5</n></snp:Op></soap:Body></soap:Envelope>");
    EXPECT_EQ(handler.Write(record, 1), std::string(kStart) +
                                            "<soap:Body><n xmlns=\"urn:test/\">-5</n>"
                                            "</soap:Body></soap:Envelope>");
}

TEST(EnvelopeWriter, UnknownTypesFailAndAFailingSinkStopsTheWrite) {
    using namespace soaptest;
    static constexpr SoapParamEntry rows[] = {Row("v", u"v", xsdUserBase, kIn, 0),
                                              SoapParamEntry{}};
    static constexpr SoapFunctionMap op =
        Map("Op", u"OpResponse", SoapMapOperation, rows, 8, 0, kDocLiteral);
    static const SoapFunctionMap* const ops[] = {&op, nullptr};
    CTestHandler handler(ops, kMixedNoHeaderSets);
    std::int64_t record = 0;
    EXPECT_EQ(handler.Write(&record, 0), "failed");

    class CFullSink : public IByteSink {
    public:
        HRESULT Write(const char*, std::int32_t, std::uint32_t*) override { return E_OUTOFMEMORY; }
        HRESULT Flush() override { return S_OK; }
    } full;
    CTestHandler account(account::kOperationTables, account::kHeaderTables);
    EmailUserPasswordRecord email{nullptr, 0};
    ASSERT_EQ(account.BindCall(&email, account::kEmailUserPassword), S_OK);
    EXPECT_EQ(account.WriteEnvelope(&full), E_OUTOFMEMORY);
    account.ResetCallState();
    EXPECT_EQ(account.Write(&email, 7), "bind failed");
}

TEST(StringWriteStream, AppendsAndReportsWhatWasWritten) {
    CStringWriteStream stream;
    std::uint32_t written = 0;
    EXPECT_EQ(stream.Write("abc", -1, &written), S_OK);
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(stream.Write("defg", 2, &written), S_OK);
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(stream.Text(), "abcde");
    EXPECT_EQ(stream.Write(nullptr, 1, &written), E_INVALIDARG);
    EXPECT_EQ(stream.Flush(), S_OK);
}

TEST(SoapTables, HashNameAndElementSizes) {
    EXPECT_EQ(HashName("Envelope"), 0xDBE6009Eu);
    EXPECT_EQ(HashName(u"Header"), 0xAF4DFFC9u);
    EXPECT_EQ(HashName("Body"), 0x0026168Eu);
    EXPECT_EQ(HashName(u"strUserID"), 0x77CB17A5u);
    EXPECT_EQ(HashName("nErrorCode"), 0xA9F6D5B3u);
    EXPECT_EQ(HashName(""), 0u);
    EXPECT_EQ(account::kCreateSessionMap.nameHash, HashName(u"CreateSessionResponse"));
    EXPECT_EQ(soap::ElementSize(xsdBoolean), 1u);
    EXPECT_EQ(soap::ElementSize(xsdUnsignedShort), 2u);
    EXPECT_EQ(soap::ElementSize(xsdFloat), 4u);
    EXPECT_EQ(soap::ElementSize(xsdDecimal), 8u);
    EXPECT_EQ(soap::ElementSize(xsdPositiveInteger), 8u);
    EXPECT_EQ(soap::ElementSize(xsdGDay), sizeof(BSTR));
    EXPECT_EQ(soap::ElementSize(xsdBase64Binary), sizeof(SoapBlob));
    EXPECT_EQ(soap::ElementSize(xsdUserBase), 0u);
    EXPECT_EQ(soap::ElementSize(xsdError), 0u);
    EXPECT_EQ(soap::XsdName(xsdNcName), "NCName");
    EXPECT_EQ(soap::XsdName(xsdGDay), "gDay");
}

} // namespace

#include "SoapTestHandler.h"
#include "SoapTestTables.h"

#include "com/CBstr.h"
#include "webservice/account/AccountServiceTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

using soaptest::CTestHandler;
using soaptest::Envelope;

std::string Response(std::string_view rows) {
    return Envelope("<CreateSessionResponse xmlns=\"http://services.nimbrel.example/keldwick/\">" +
                    std::string(rows) + "</CreateSessionResponse>");
}

class CreateSessionParse : public ::testing::Test {
protected:
    CTestHandler handler{account::kOperationTables, account::kHeaderTables};
    CreateSessionRecord record{};
    CBstr session;

    HRESULT Parse(std::string_view response, std::uint32_t piece = 0xFFFFFFFFu) {
        record = CreateSessionRecord{};
        const HRESULT hr = handler.Parse(&record, account::kCreateSession, response, piece);
        session = CBstr::Attach(record.CreateSessionResult);
        return hr;
    }
};

TEST_F(CreateSessionParse, FillsEveryOutputWhateverTheLayout) {
    const std::string compact =
        Response("<CreateSessionResult>S-42</CreateSessionResult><nErrorCode>0</nErrorCode>");
    for (const std::uint32_t piece : {1u, 5u, 4096u}) {
        ASSERT_EQ(Parse(compact, piece), S_OK);
        EXPECT_EQ(session.View(), u"S-42");
        EXPECT_EQ(record.nErrorCode, 0);
    }
    // Indented, in the other order, with a comment and an unused prefix on the outputs.
    ASSERT_EQ(Parse(Response("\n  <nErrorCode>7</nErrorCode>\r\n <!-- x -->\t"
                             "<p:CreateSessionResult xmlns:p='urn:any'>a b</p:CreateSessionResult>"
                             "\n")),
              S_OK);
    EXPECT_EQ(session.View(), u"a b");
    EXPECT_EQ(record.nErrorCode, 7);
}

TEST_F(CreateSessionParse, EmptyAndMissingValues) {
    EXPECT_EQ(Parse(Response("<CreateSessionResult>x</CreateSessionResult>"
                             "<nErrorCode></nErrorCode>")),
              E_FAIL);
    EXPECT_TRUE(session.IsNull()) << "a failed parse releases what it stored";
    EXPECT_EQ(Parse(Response("<CreateSessionResult/><nErrorCode>1</nErrorCode>")), S_OK);
    ASSERT_FALSE(session.IsNull());
    EXPECT_EQ(session.View(), u"");
    EXPECT_EQ(Parse(Response("<nErrorCode>1</nErrorCode>")), S_OK);
    EXPECT_TRUE(session.IsNull());
    EXPECT_EQ(Parse(Response("<CreateSessionResult>x</CreateSessionResult>")), E_FAIL);
    EXPECT_TRUE(session.IsNull());
    // A body without an element leaves everything zero.
    EXPECT_EQ(Parse(Envelope("")), S_OK);
    EXPECT_TRUE(session.IsNull());
    EXPECT_EQ(record.nErrorCode, 0);
}

TEST_F(CreateSessionParse, NilValues) {
    EXPECT_EQ(Parse(Response("<CreateSessionResult xsi:nil=\"true\"/><nErrorCode>3</nErrorCode>")),
              S_OK);
    EXPECT_TRUE(session.IsNull());
    EXPECT_EQ(record.nErrorCode, 3);
    EXPECT_EQ(Parse(Response("<CreateSessionResult xsi:nil=\"1\"></CreateSessionResult>"
                             "<nErrorCode>3</nErrorCode>")),
              S_OK);
    EXPECT_EQ(Parse(Response("<CreateSessionResult xsi:nil=\"false\">v</CreateSessionResult>"
                             "<nErrorCode>3</nErrorCode>")),
              S_OK);
    EXPECT_EQ(session.View(), u"v");
    // Only Nullable rows may be nil, nil elements stay empty, and nil must be a boolean.
    EXPECT_EQ(Parse(Response("<CreateSessionResult/><nErrorCode xsi:nil=\"true\"/>")), E_FAIL);
    EXPECT_EQ(Parse(Response("<CreateSessionResult xsi:nil=\"true\"><x/></CreateSessionResult>"
                             "<nErrorCode>3</nErrorCode>")),
              E_FAIL);
    // Any value that is not a boolean leaves the element an ordinary value.
    for (const char* nil : {"maybe", "TRUE", " true "}) {
        ASSERT_EQ(Parse(Response("<CreateSessionResult xsi:nil=\"" + std::string(nil) +
                                 "\">zz</CreateSessionResult><nErrorCode>3</nErrorCode>")),
                  S_OK)
            << nil;
        EXPECT_EQ(session.View(), u"zz");
    }
}

TEST_F(CreateSessionParse, ElementsThatDoNotBelong) {
    EXPECT_EQ(Parse(Response("<CreateSessionResult>a</CreateSessionResult>"
                             "<CreateSessionResult>b</CreateSessionResult>"
                             "<nErrorCode>0</nErrorCode>")),
              E_FAIL)
        << "the same output twice";
    EXPECT_EQ(Parse(Response("<nErrorCode>0</nErrorCode><Extra/>")), E_FAIL);
    EXPECT_EQ(Parse(Response("<strUserID>me</strUserID><nErrorCode>0</nErrorCode>")), E_FAIL)
        << "a row that only travels in the request";
    EXPECT_EQ(Parse(Response("<nErrorCode><b>1</b></nErrorCode>")), E_FAIL);
    EXPECT_EQ(Parse(Response("<nErrorCode>1</nErrorCode>") + ""), S_OK);
    // Nothing may follow the operation element in the body.
    EXPECT_EQ(Parse(Envelope("<CreateSessionResponse><nErrorCode>1</nErrorCode>"
                             "</CreateSessionResponse><nErrorCode>2</nErrorCode>")),
              E_FAIL);
}

TEST_F(CreateSessionParse, IntegerText) {
    const auto code = [&](std::string_view text) -> std::int64_t {
        const HRESULT hr = Parse(Response("<nErrorCode>" + std::string(text) + "</nErrorCode>"));
        return Succeeded(hr) ? record.nErrorCode : std::int64_t{-999999999999};
    };
    EXPECT_EQ(code(" 42 "), 42);
    EXPECT_EQ(code("\n\t-2147483648\r\n"), -2147483648LL);
    EXPECT_EQ(code("+17"), 17);
    EXPECT_EQ(code("2147483647"), 2147483647);
    EXPECT_EQ(code("2147483648"), -999999999999);
    EXPECT_EQ(code("42abc"), -999999999999);
    EXPECT_EQ(code("4 2"), -999999999999);
    EXPECT_EQ(code("0x10"), -999999999999);
    EXPECT_EQ(code("1.0"), -999999999999);
    EXPECT_EQ(code("   "), -999999999999);
    EXPECT_EQ(code("-"), -999999999999);
    EXPECT_EQ(code("99999999999999999999999"), -999999999999);
    // Leading zeros never make a number too long; the range check stays.
    EXPECT_EQ(code(std::string(62, '0') + "5"), 5);
    EXPECT_EQ(code(" -" + std::string(500, '0') + "5 "), -5);
    EXPECT_EQ(code(std::string(100, '0')), 0);
    EXPECT_EQ(code(std::string(100, '0') + "2147483648"), -999999999999);
}

TEST_F(CreateSessionParse, AnyStringWithinTheResponseBoundIsAccepted) {
    // Past 32 M code units, and in pieces of any size.
    const std::string text = "x&amp;" + std::string((std::size_t{33} << 20) + 5, 'a') + "<b/>";
    for (const std::uint32_t piece : {0xFFFFFFFFu, 65537u}) {
        ASSERT_EQ(Parse(Response("<CreateSessionResult>" + text +
                                 "</CreateSessionResult>"
                                 "<nErrorCode>0</nErrorCode>"),
                        piece),
                  S_OK);
        ASSERT_EQ(session.View().size(), text.size() - 1); // "&amp;" is one unit, "<b/>" seven
        EXPECT_EQ(session.View().substr(0, 3), u"x&a");
        EXPECT_EQ(session.View().substr(session.View().size() - 8), u"a<b></b>");
    }
}

TEST_F(CreateSessionParse, StringsKeepMarkupAndReferences) {
    ASSERT_EQ(Parse(Response("<CreateSessionResult>a&amp;<b x=\"1&lt;\">c</b><e/>&#x1F600;"
                             "</CreateSessionResult><nErrorCode>0</nErrorCode>")),
              S_OK);
    EXPECT_EQ(session.View(), u"a&<b x=\"1<\">c</b><e></e>\U0001F600");
}

TEST_F(CreateSessionParse, EnvelopeStructure) {
    const std::string rows = "<CreateSessionResponse><nErrorCode>1</nErrorCode>"
                             "</CreateSessionResponse>";
    const std::string soap = "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"";
    EXPECT_EQ(Parse("<soap:Envelope " + soap + "><soap:Header/><soap:Body>" + rows +
                    "</soap:Body></soap:Envelope>"),
              S_OK);
    EXPECT_EQ(Parse("<e:Envelope xmlns:e=\"urn:other\"><e:Body>" + rows + "</e:Body></e:Envelope>"),
              E_FAIL);
    EXPECT_EQ(Parse("<soap:Body " + soap + ">" + rows + "</soap:Body>"), E_FAIL);
    EXPECT_EQ(Parse("<soap:Envelope " + soap + "><soap:Body>" + rows +
                    "</soap:Body><soap:Header/></soap:Envelope>"),
              E_FAIL);
    EXPECT_EQ(Parse("<soap:Envelope " + soap + "><soap:Header/><soap:Header/><soap:Body>" + rows +
                    "</soap:Body></soap:Envelope>"),
              E_FAIL);
    EXPECT_EQ(Parse("<soap:Envelope " + soap + "><soap:Body>" + rows), E_FAIL) << "truncated";
    // The operation counts only inside the Body, and a document without Envelope or Body is no
    // answer; an empty Body is, and other envelope elements are passed over whole.
    const std::string nine = "<R><nErrorCode>9</nErrorCode></R>";
    const struct {
        std::string text;
        HRESULT result;
    } cases[] = {
        {"<soap:Envelope " + soap + "/>", E_FAIL},
        {"<soap:Anything " + soap + "/>", E_FAIL},
        {"<soap:Anything " + soap + "><soap:Envelope><soap:Body>" + nine +
             "</soap:Body></soap:Envelope></soap:Anything>",
         E_FAIL},
        {"<soap:Envelope " + soap + "><soap:Header/></soap:Envelope>", E_FAIL},
        {"<soap:Envelope " + soap + "><soap:Body/>" + nine + "</soap:Envelope>", E_FAIL},
        {"<soap:Envelope " + soap + "><soap:Other><soap:Body>" + nine +
             "</soap:Body></soap:Other></soap:Envelope>",
         E_FAIL},
        {"<soap:Envelope " + soap + "><soap:Body>" + rows + "</soap:Body><soap:Body/>" +
             "</soap:Envelope>",
         E_FAIL},
        {"<soap:Envelope " + soap + "><soap:Body/></soap:Envelope>", S_OK},
        {"<soap:Envelope " + soap + "><soap:Other><soap:Body>" + nine +
             "</soap:Body></soap:Other><soap:Body/><soap:Trailer><x/></soap:Trailer>"
             "</soap:Envelope>",
         S_OK},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Parse(c.text), c.result) << c.text;
        EXPECT_NE(record.nErrorCode, 9) << "read from outside the Body: " << c.text;
    }
    EXPECT_EQ(Parse("<!DOCTYPE soap:Envelope [<!ENTITY e 'S'>]>" + Response("")), E_FAIL);
}

TEST_F(CreateSessionParse, HeadersThatMatchNoRow) {
    const auto withHeader = [](std::string_view header) {
        return "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
               "<soap:Header>" +
               std::string(header) +
               "</soap:Header><soap:Body><R><nErrorCode>5</nErrorCode></R></soap:Body>"
               "</soap:Envelope>";
    };
    EXPECT_EQ(Parse(withHeader("<Trace><deep a='1'>x<y/></deep></Trace><Other/>")), S_OK);
    EXPECT_EQ(record.nErrorCode, 5);
    EXPECT_EQ(Parse(withHeader("<T soap:mustUnderstand=\"0\"/>")), S_OK);
    EXPECT_EQ(Parse(withHeader("<T soap:mustUnderstand=\"1\"/>")), E_FAIL);
    EXPECT_EQ(Parse(withHeader("<T soap:mustUnderstand=\"true\"/>")), E_FAIL);
    EXPECT_EQ(Parse(withHeader("<T soap:mustUnderstand=\"perhaps\"/>")), E_FAIL);
    EXPECT_EQ(Parse(withHeader("<T mustUnderstand=\"1\"/>")), S_OK) << "not the envelope's";
}

// The made-up operation: arrays, structures, enumerations and the other scalar types.
class MixedParse : public ::testing::Test {
protected:
    soaptest::Headers headers{};
    CTestHandler handler{soaptest::kMixedOperations, soaptest::kMixedHeaderSets, &headers};
    soaptest::MixedRecord record{};

    ~MixedParse() override { Release(); }

    HRESULT Parse(std::string_view rows, std::string_view header = "") {
        Release();
        std::string text = "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""
                           " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                           " xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\">";
        if (!header.empty()) {
            text += "<soap:Header>" + std::string(header) + "</soap:Header>";
        }
        text += "<soap:Body><MixedResponse>" + std::string(rows) +
                "</MixedResponse></soap:Body></soap:Envelope>";
        return handler.Parse(&record, 0, text);
    }

    // What the caller does with outputs it received.
    void Release() {
        for (int i = 0; record.names != nullptr && i < record.nameCount; ++i) {
            SysFreeString(record.names[i]);
        }
        std::free(record.names);
        std::free(record.points);
        std::free(record.hex.data);
        std::free(record.base64.data);
        SysFreeString(record.own);
        SysFreeString(headers.note);
        record = soaptest::MixedRecord{};
        headers = soaptest::Headers{};
    }

    static std::string
    Required(std::string_view grid = "<grid><int>1</int><int>2</int><int>3</int>"
                                     "<int>4</int><int>5</int><int>6</int></grid>") {
        return "<flag>1</flag><single>0.5</single><wide>-2.5e3</wide><color>Green</color>"
               "<point><y>-4</y><x>3</x></point>" +
               std::string(grid);
    }
};

TEST_F(MixedParse, ScalarsStructuresAndEnumerations) {
    ASSERT_EQ(Parse(Required() +
                    "<hex>DEad01</hex><base64>3q\r\n0B</base64><big>-9223372036854775808"
                    "</big><huge>18446744073709551615</huge><small>-32768</small>"
                    "<tiny>127</tiny><own>o</own><result>9</result>"),
              S_OK);
    EXPECT_EQ(record.flag, 1);
    EXPECT_EQ(record.single, 0.5f);
    EXPECT_EQ(record.wide, -2500.0);
    EXPECT_EQ(record.color, 2);
    EXPECT_EQ(record.point.x, 3);
    EXPECT_EQ(record.point.y, -4);
    EXPECT_EQ(record.grid[1][2], 6);
    ASSERT_EQ(record.hex.size, 3u);
    EXPECT_EQ(record.hex.data[0], 0xDE);
    ASSERT_EQ(record.base64.size, 3u);
    EXPECT_EQ(record.base64.data[2], 0x01);
    EXPECT_EQ(record.big, INT64_MIN);
    EXPECT_EQ(record.huge, UINT64_MAX);
    EXPECT_EQ(record.small, -32768);
    EXPECT_EQ(record.tiny, 127);
    EXPECT_EQ(BstrView(record.own), u"o");
    EXPECT_EQ(record.result, 9);
}

TEST_F(MixedParse, ScalarTextThatIsRefused) {
    const auto with = [&](std::string_view extra) {
        return Parse(Required() + std::string(extra));
    };
    EXPECT_EQ(with(""), S_OK);
    EXPECT_EQ(with("<tiny>128</tiny>"), E_FAIL);
    EXPECT_EQ(with("<small>40000</small>"), E_FAIL);
    EXPECT_EQ(with("<huge>-1</huge>"), E_FAIL) << "never wrapped round";
    EXPECT_EQ(with("<huge>18446744073709551616</huge>"), E_FAIL);
    EXPECT_EQ(with("<hex>ABC</hex>"), S_OK) << "undecodable leaves the blob empty";
    EXPECT_EQ(record.hex.data, nullptr);
    EXPECT_EQ(Parse(Required() + "<color>Purple</color>"), E_FAIL) << "color given twice";
    EXPECT_EQ(Parse("<flag>yes</flag>"), E_FAIL);
    EXPECT_EQ(Parse("<flag>TRUE</flag>"), E_FAIL);
    EXPECT_EQ(Parse("<color>Purple</color>"), E_FAIL);
    EXPECT_EQ(Parse("<color></color>"), E_FAIL);
    EXPECT_EQ(Parse("<single>1e39</single>"), E_FAIL) << "past the float range";
    EXPECT_EQ(Parse("<single>1e-50</single>"), E_FAIL) << "underflows a float";
    EXPECT_EQ(Parse("<wide>1e999</wide>"), E_FAIL);
    EXPECT_EQ(Parse("<wide>inf</wide>"), E_FAIL);
    EXPECT_EQ(Parse("<wide> INF</wide>"), E_FAIL);
    EXPECT_EQ(Parse("<wide>1.5<?pi x?>2</wide>"), E_FAIL) << "text split by markup";
}

TEST_F(MixedParse, SpecialFloatingPointValues) {
    ASSERT_EQ(Parse("<single>-INF</single><wide>NaN</wide>"), E_FAIL) << "the rest is required";
    ASSERT_EQ(Parse(Required("<grid enc:arrayType=\"xsd:int[2,3]\"><a>1</a><a>1</a><a>1</a>"
                             "<a>1</a><a>1</a><a>1</a></grid>")),
              S_OK);
    soaptest::MixedRecord kept = record;
    EXPECT_EQ(kept.grid[0][0], 1);
}

TEST_F(MixedParse, ArraysWithAndWithoutACount) {
    ASSERT_EQ(Parse(Required() + "<names enc:arrayType=\"xsd:string[3]\"><s>a</s>"
                                 "<s xsi:nil=\"1\"/><s></s></names><nameCount>99</nameCount>"),
              S_OK)
        << "the count comes from the array, not from its row";
    ASSERT_EQ(record.nameCount, 3);
    EXPECT_EQ(BstrView(record.names[0]), u"a");
    EXPECT_EQ(record.names[1], nullptr);
    ASSERT_NE(record.names[2], nullptr);
    EXPECT_EQ(BstrView(record.names[2]), u"");

    std::string many;
    for (int i = 0; i < 25; ++i) {
        many += "<Point><x>" + std::to_string(i) + "</x><y>0</y></Point>";
    }
    ASSERT_EQ(Parse(Required() + "<points>" + many + "</points>"), S_OK);
    ASSERT_EQ(record.pointCount, 25) << "grown from 10 by doubling";
    EXPECT_EQ(record.points[24].x, 24);

    ASSERT_EQ(Parse(Required() + "<names enc:arrayType=\"xsd:string[0]\"></names>"), S_OK);
    EXPECT_EQ(record.names, nullptr);
    EXPECT_EQ(Parse(Required() + "<names enc:arrayType=\"xsd:string[0]\"><s/></names>"), E_FAIL);
    EXPECT_EQ(Parse(Required() + "<names enc:arrayType=\"xsd:string[2]\"><s>a</s></names>"), E_FAIL)
        << "fewer elements than declared";
    EXPECT_EQ(Parse(Required() + "<names enc:arrayType=\"xsd:string[1]\"><s>a</s><s>b</s></names>"),
              E_FAIL)
        << "more elements than declared";
    EXPECT_EQ(Parse(Required("<grid enc:arrayType=\"xsd:int[6]\"/>")), E_FAIL) << "wrong shape";
    EXPECT_EQ(Parse(Required("<grid><int>1</int></grid>")), E_FAIL) << "fixed array too short";
    EXPECT_EQ(Parse(Required() + "<names enc:arrayType=\"xsd:string[999999999]\"/>"), E_OUTOFMEMORY)
        << "a claimed size past the bound is refused before any allocation";
}

TEST_F(MixedParse, HeaderRowsAreReadIntoTheHeaderRecord) {
    ASSERT_EQ(Parse(Required(), "<Note>n1</Note><Unknown>skipped</Unknown>"), S_OK);
    EXPECT_EQ(BstrView(headers.note), u"n1");
    // A header row that only travels in the request is not accepted in a response.
    EXPECT_EQ(Parse(Required(), "<Token>t</Token>"), S_OK) << "skipped as unknown";
    EXPECT_EQ(headers.token, nullptr);
}

TEST_F(MixedParse, FailuresReleaseEverythingAlreadyStored) {
    // Strings, blobs and arrays are all allocated before the bad value; the sanitizer build
    // reports any of them that leaks.
    EXPECT_EQ(Parse(Required() + "<hex>AB</hex><base64>AAAA</base64><own>x</own>"
                                 "<names><s>a</s><s>b</s></names><points><Point><x>1</x><y>1</y>"
                                 "</Point></points><tiny>x</tiny>"),
              E_FAIL);
    EXPECT_EQ(record.names, nullptr);
    EXPECT_EQ(record.points, nullptr);
    EXPECT_EQ(record.hex.data, nullptr);
    EXPECT_EQ(record.own, nullptr);
    EXPECT_EQ(Parse(Required(), "<Note>n1</Note>"), S_OK);
    EXPECT_EQ(Parse("<tiny>1</tiny>", "<Note>n1</Note>"), E_FAIL);
    EXPECT_EQ(headers.note, nullptr);
}

TEST(RpcEncodedParse, ReferencesAreReadIntoTheirTargets) {
    using namespace soaptest;
    struct Record {
        Point where;
        std::int32_t count;
        std::int32_t* values;
    };
    static constexpr SoapParamEntry rows[] = {
        Row("where", u"where", -1, kOut, offsetof(Record, where), &kPointMap),
        Row("count", u"count", xsdInt, kOut | SoapFlags::SizeIs | SoapFlags::Nullable,
            offsetof(Record, count)),
        Row("values", u"values", xsdInt, kOut | SoapFlags::DynamicArray, offsetof(Record, values),
            nullptr, nullptr, 1),
        SoapParamEntry{},
    };
    static constexpr SoapFunctionMap op =
        Map("Op", u"OpResponse", SoapMapOperation, rows, sizeof(Record), 2,
            SoapFlags::RpcStyle | SoapFlags::EncodedUse);
    static const SoapFunctionMap* const ops[] = {&op, nullptr};
    CTestHandler handler(ops, kMixedNoHeaderSets);
    const std::string head =
        "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""
        " xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\"><soap:Body>";
    Record record{};
    ASSERT_EQ(handler.Parse(&record, 0,
                            head + "<OpResponse><where href=\"#p\"/><values href=\"#v\"/>"
                                   "</OpResponse><P id=\"p\"><x>4</x><y>5</y></P>"
                                   "<A id=\"v\" enc:arrayType=\"xsd:int[2]\"><i>7</i><i>8</i></A>"
                                   "</soap:Body></soap:Envelope>"),
              S_OK);
    EXPECT_EQ(record.where.x, 4);
    ASSERT_EQ(record.count, 2);
    EXPECT_EQ(record.values[1], 8);
    std::free(record.values);

    record = Record{};
    EXPECT_EQ(handler.Parse(&record, 0,
                            head + "<OpResponse><where href=\"#p\"/></OpResponse>"
                                   "</soap:Body></soap:Envelope>"),
              E_FAIL)
        << "a reference left unresolved";
    EXPECT_EQ(handler.Parse(&record, 0,
                            head + "<OpResponse><count href=\"#c\"/></OpResponse>"
                                   "</soap:Body></soap:Envelope>"),
              E_FAIL)
        << "only arrays and structures may be references";
    EXPECT_EQ(handler.Parse(&record, 0,
                            head + "<OpResponse><values><i>1</i></values></OpResponse>"
                                   "</soap:Body></soap:Envelope>"),
              E_FAIL)
        << "rpc/encoded arrays must carry their size";
    EXPECT_EQ(record.values, nullptr);
}

} // namespace

namespace {

// A table of 70 rows: seen-row bits past the inline 64.
struct WideTable {
    std::vector<std::string> names;
    std::vector<std::u16string> wideNames;
    std::vector<SoapParamEntry> rows;
    SoapFunctionMap map{};
    const SoapFunctionMap* operations[2] = {&map, nullptr};

    WideTable() {
        for (int i = 0; i < 70; ++i) {
            names.push_back(std::string("r").append(std::to_string(i)));
            wideNames.emplace_back(names.back().begin(), names.back().end());
        }
        for (int i = 0; i < 70; ++i) {
            SoapParamEntry row{};
            row.nameHash = HashName(names[i]);
            row.name = names[i].c_str();
            row.wideName = wideNames[i].c_str();
            row.nameLength = static_cast<std::int32_t>(names[i].size());
            row.typeCode = xsdInt;
            row.flags = SoapFlags::Out;
            row.offset = static_cast<std::uint32_t>(i * 4);
            row.sizeIsIndex = -1;
            rows.push_back(row);
        }
        rows.push_back(SoapParamEntry{});
        map = soaptest::Map("Wide", u"WideResponse", SoapMapOperation, rows.data(), 70 * 4, 70,
                            soaptest::kDocLiteral);
    }
};

std::string WideResponse(int duplicate, int skip) {
    std::string rows;
    for (int i = 69; i >= 0; --i) {
        if (i != skip) {
            rows += "<r" + std::to_string(i) + ">" + std::to_string(i) + "</r" + std::to_string(i) +
                    ">";
        }
    }
    if (duplicate >= 0) {
        rows += "<r" + std::to_string(duplicate) + ">0</r" + std::to_string(duplicate) + ">";
    }
    return Envelope("<WideResponse>" + rows + "</WideResponse>");
}

TEST(WideTableParse, SeenRowsPastTheInlineBits) {
    WideTable table;
    CTestHandler handler(table.operations, soaptest::kMixedNoHeaderSets);
    std::int32_t record[70] = {};
    ASSERT_EQ(handler.Parse(record, 0, WideResponse(-1, -1)), S_OK);
    EXPECT_EQ(record[0], 0);
    EXPECT_EQ(record[69], 69);
    EXPECT_EQ(record[64], 64);
    EXPECT_EQ(handler.Parse(record, 0, WideResponse(68, -1)), E_FAIL) << "a duplicate past 64";
    EXPECT_EQ(handler.Parse(record, 0, WideResponse(3, -1)), E_FAIL) << "a duplicate below 64";
    EXPECT_EQ(handler.Parse(record, 0, WideResponse(-1, 66)), E_FAIL) << "a missing row past 64";
}

} // namespace

namespace {

using namespace soaptest;

struct BareRecord {
    std::int32_t n;
    Point where;
};
struct ListRecord {
    std::int32_t count;
    std::int32_t* items;
};
struct WrapperRecord {
    ListRecord list;
};

constexpr std::uint32_t kBare =
    SoapFlags::DocumentStyle | SoapFlags::LiteralUse | SoapFlags::BareParams;

constexpr SoapParamEntry kBareRows[] = {
    Row("n", u"n", xsdInt, kOut, offsetof(BareRecord, n)),
    Row("where", u"where", -1, kOut | SoapFlags::Nullable, offsetof(BareRecord, where), &kPointMap),
    SoapParamEntry{},
};
constexpr SoapFunctionMap kBareMap =
    Map("Bare", u"BareResponse", SoapMapOperation, kBareRows, sizeof(BareRecord), 2, kBare);

constexpr SoapParamEntry kChainedRows[] = {
    Row("where", u"where", -1, kOut, offsetof(BareRecord, where), &kPointMap),
    SoapParamEntry{},
};
constexpr SoapFunctionMap kChainedMap =
    Map("Chained", u"ChainedResponse", SoapMapOperation, kChainedRows, sizeof(BareRecord), 1,
        kBare | SoapFlags::Chained);

// The array row comes first; its count is kept in the row after it.
constexpr SoapParamEntry kListFirstRows[] = {
    Row("items", u"items", xsdInt, SoapFlags::DynamicArray, offsetof(ListRecord, items), nullptr,
        nullptr, 1),
    Row("count", u"count", xsdInt, SoapFlags::SizeIs | SoapFlags::Nullable,
        offsetof(ListRecord, count)),
    SoapParamEntry{},
};
constexpr SoapFunctionMap kListMap =
    Map("List", u"List", SoapMapStructure, kListFirstRows, sizeof(ListRecord), 1, 0, nullptr);
constexpr SoapParamEntry kWrapperRows[] = {
    Row("list", u"list", -1, kOut | SoapFlags::ArrayWrapper, offsetof(WrapperRecord, list),
        &kListMap),
    SoapParamEntry{},
};
constexpr SoapFunctionMap kWrapperMap = Map("Wrap", u"WrapResponse", SoapMapOperation, kWrapperRows,
                                            sizeof(WrapperRecord), 1, kDocLiteral);

const SoapFunctionMap* const kStyleOperations[] = {&kBareMap, &kChainedMap, &kWrapperMap, nullptr};
const SoapFunctionMap* const kStyleHeaders[] = {&kNoHeaders, &kNoHeaders, &kNoHeaders, nullptr};

TEST(BareParamsParse, ParametersStandDirectlyInTheBody) {
    CTestHandler handler(kStyleOperations, kStyleHeaders);
    BareRecord record{};
    ASSERT_EQ(handler.Parse(&record, 0, Envelope("<n>5</n><where><x>1</x><y>2</y></where>")), S_OK);
    EXPECT_EQ(record.n, 5);
    EXPECT_EQ(record.where.y, 2);
    EXPECT_EQ(handler.Parse(&record, 0, Envelope("<where><x>1</x><y>2</y></where>")), E_FAIL)
        << "a required parameter is missing when the body ends";
    EXPECT_EQ(handler.Parse(&record, 0, Envelope("<n>5</n><n>6</n>")), E_FAIL);
}

TEST(BareParamsParse, ChainedResponsesFillTheOutputStructure) {
    CTestHandler handler(kStyleOperations, kStyleHeaders);
    BareRecord record{};
    ASSERT_EQ(handler.Parse(&record, 1, Envelope("<y>-3</y><x>8</x>")), S_OK);
    EXPECT_EQ(record.where.x, 8);
    EXPECT_EQ(record.where.y, -3);
    EXPECT_EQ(handler.Parse(&record, 1, Envelope("<x>8</x>")), E_FAIL);
}

TEST(ArrayWrapperParse, ElementsStandDirectlyInsideTheRow) {
    CTestHandler handler(kStyleOperations, kStyleHeaders);
    WrapperRecord record{};
    ASSERT_EQ(handler.Parse(&record, 2,
                            Envelope("<WrapResponse><list><int>4</int><int>5</int><int>6</int>"
                                     "</list></WrapResponse>")),
              S_OK);
    ASSERT_EQ(record.list.count, 3);
    EXPECT_EQ(record.list.items[2], 6);
    std::free(record.list.items);
}

} // namespace

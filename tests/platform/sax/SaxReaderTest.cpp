#include "sax/CContentHandlerBase.h"
#include "sax/CMemoryStream.h"
#include "sax/ISAXXMLReader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::string Narrow(std::u16string_view text) {
    std::string out;
    for (const char16_t c : text) {
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return out;
}

// Writes every event as one line of text.
class CRecorder : public sax::CContentHandlerBase {
public:
    std::vector<std::string> events;

    HRESULT StartPrefixMapping(std::u16string_view prefix, std::u16string_view uri) override {
        events.push_back("ns+ " + Narrow(prefix) + "=" + Narrow(uri));
        return S_OK;
    }
    HRESULT EndPrefixMapping(std::u16string_view prefix) override {
        events.push_back("ns- " + Narrow(prefix));
        return S_OK;
    }
    HRESULT StartElement(std::u16string_view uri, std::u16string_view local,
                         std::u16string_view qName, const sax::ISAXAttributes& atts) override {
        // Appended piece by piece: GCC 12 at -O3 takes "text" + std::string for an overlapping
        // copy.
        std::string line = "<";
        line += Narrow(qName) + " {" + Narrow(uri) + "}" + Narrow(local);
        for (int i = 0; i < atts.GetLength(); ++i) {
            line += " ";
            line += Narrow(atts.GetQName(i)) + "{" + Narrow(atts.GetUri(i)) + "}" +
                    Narrow(atts.GetLocalName(i)) + "=" + Narrow(atts.GetValue(i));
        }
        events.push_back(line);
        return S_OK;
    }
    HRESULT EndElement(std::u16string_view, std::u16string_view,
                       std::u16string_view qName) override {
        events.push_back("</" + Narrow(qName));
        return S_OK;
    }
    HRESULT Characters(std::u16string_view text) override {
        events.push_back("text " + Narrow(text));
        lastText = text;
        return S_OK;
    }
    std::u16string lastText;
};

struct ReaderDeleter {
    void operator()(sax::ISAXXMLReader* reader) const { reader->Release(); }
};

std::unique_ptr<sax::ISAXXMLReader, ReaderDeleter> MakeReader() {
    sax::ISAXXMLReader* reader = nullptr;
    EXPECT_EQ(sax::CreateSaxXmlReader(&reader), S_OK);
    return std::unique_ptr<sax::ISAXXMLReader, ReaderDeleter>(reader);
}

TEST(SaxReader, ReportsNamespacesNamesAndAttributes) {
    auto reader = MakeReader();
    CRecorder recorder;
    ASSERT_EQ(reader->PutContentHandler(&recorder), S_OK);
    ASSERT_EQ(reader->ParseBytes("<a:root xmlns:a='urn:a' xmlns='urn:d' plain='1' a:q='2'>"
                                 "<child/></a:root>"),
              S_OK);
    const std::vector<std::string> expected{
        "ns+ a=urn:a",
        "ns+ =urn:d",
        "<a:root {urn:a}root plain{}plain=1 a:q{urn:a}q=2",
        "<child {urn:d}child",
        "</child",
        "</a:root",
        "ns- ",
        "ns- a",
    };
    EXPECT_EQ(recorder.events, expected);
}

// Expat reads without namespaces; the reader itself refuses what namespaces forbid, and scopes,
// undeclares and predefines bindings as they say.
TEST(SaxReader, KeepsTheRulesOfNamespaces) {
    struct Case {
        const char* document;
        const char* failure; // the reason given, or null when the document is accepted
        std::vector<std::string> starts;
    };
    const std::vector<Case> cases{
        {"<p:a/>", "unbound prefix", {}},
        {"<a p:x='1'/>", "unbound prefix", {}},
        {"<a><b xmlns:p='urn:p'/><p:c/></a>", "unbound prefix", {}},
        {"<:a/>", "unbound prefix", {}},
        {"<a xmlns:p=''/>", "cannot undeclare prefix", {}},
        {"<a xmlns:='urn:x'/>", "a namespace prefix must not be empty", {}},
        {"<a xmlns:xmlns='urn:x'/>", "reserved prefix (xmlns)", {}},
        {"<a xmlns:xml='urn:x'/>", "reserved prefix (xml)", {}},
        {"<a xmlns:p='http://www.w3.org/XML/1998/namespace'/>", "reserved namespace", {}},
        {"<a xmlns='http://www.w3.org/2000/xmlns/'/>", "reserved namespace", {}},
        {"<a xmlns:p='urn:u' xmlns:q='urn:u' p:x='1' q:x='2'/>", "duplicate attribute", {}},
        {"<a xmlns='urn:d'><b xmlns=''><c/></b><d/></a>",
         nullptr,
         {"<a {urn:d}a", "<b {}b", "<c {}c", "<d {urn:d}d"}},
        {"<a xml:lang='en' xmlns:p='urn:u' p:x='1' x='2'/>",
         nullptr,
         {"<a {}a xml:lang{http://www.w3.org/XML/1998/namespace}lang=en p:x{urn:u}x=1 x{}x=2"}},
        {"<a xmlns:xml='http://www.w3.org/XML/1998/namespace' xmlns:p='urn:u' p:b:c='1'/>",
         nullptr,
         {"<a {}a p:b:c{urn:u}b:c=1"}},
    };
    auto reader = MakeReader();
    for (const Case& c : cases) {
        CRecorder recorder;
        ASSERT_EQ(reader->PutContentHandler(&recorder), S_OK);
        const HRESULT hr = reader->ParseBytes(c.document);
        if (c.failure != nullptr) {
            EXPECT_EQ(hr, E_FAIL) << c.document;
            EXPECT_NE(reader->GetLastErrorText().find(c.failure), std::string::npos)
                << c.document << ": " << reader->GetLastErrorText();
            continue;
        }
        ASSERT_EQ(hr, S_OK) << c.document << ": " << reader->GetLastErrorText();
        std::vector<std::string> starts;
        for (const std::string& event : recorder.events) {
            if (event.rfind("<", 0) == 0 && event.rfind("</", 0) != 0) {
                starts.push_back(event);
            }
        }
        EXPECT_EQ(starts, c.starts) << c.document;
    }
    // Deep scopes that rebind one prefix: the innermost binding wins, and each end tag brings the
    // one outside it back, however many are in scope.
    std::string deep;
    std::vector<std::string> expected;
    for (int i = 0; i < 12; ++i) {
        const std::string n = std::to_string(i);
        deep += "<p:e" + n + " xmlns:p='urn:" + n + "' xmlns:q" + n + "='urn:q'>";
        expected.push_back("<p:e" + n + " {urn:" + n + "}e" + n);
    }
    for (int i = 11; i >= 0; --i) {
        const std::string n = std::to_string(i);
        deep += "<p:x/></p:e" + n + ">";
        expected.push_back("<p:x {urn:" + n + "}x");
    }
    CRecorder recorder;
    ASSERT_EQ(reader->PutContentHandler(&recorder), S_OK);
    ASSERT_EQ(reader->ParseBytes(deep), S_OK) << reader->GetLastErrorText();
    std::vector<std::string> starts;
    for (const std::string& event : recorder.events) {
        if (event.rfind("<", 0) == 0 && event.rfind("</", 0) != 0) {
            starts.push_back(event);
        }
    }
    EXPECT_EQ(starts, expected);
}

TEST(SaxReader, LooksAttributesUpByNameAndByQualifiedName) {
    class CLookup : public sax::CContentHandlerBase {
    public:
        HRESULT StartElement(std::u16string_view, std::u16string_view, std::u16string_view,
                             const sax::ISAXAttributes& atts) override {
            std::u16string_view v;
            byName = atts.GetValueFromName(u"urn:x", u"nil", v) ? std::u16string(v) : u"-";
            byQName = atts.GetValueFromQName(u"x:nil", v) ? std::u16string(v) : u"-";
            missing = atts.GetIndexFromName(u"", u"nil");
            return S_OK;
        }
        std::u16string byName, byQName;
        int missing = 0;
    } lookup;
    auto reader = MakeReader();
    ASSERT_EQ(reader->PutContentHandler(&lookup), S_OK);
    ASSERT_EQ(reader->ParseBytes("<e xmlns:x='urn:x' x:nil='true'/>"), S_OK);
    EXPECT_EQ(lookup.byName, u"true");
    EXPECT_EQ(lookup.byQName, u"true");
    EXPECT_EQ(lookup.missing, -1);
}

TEST(SaxReader, JoinsCharacterDataHoweverTheInputIsSplit) {
    const std::string doc = "<v>4&amp;2<![CDATA[<x>]]>&#x1F600;\xC3\xA9<!-- note -->tail</v>";
    for (const std::uint32_t piece : {1u, 2u, 3u, 7u, 4096u}) {
        auto reader = MakeReader();
        CRecorder recorder;
        ASSERT_EQ(reader->PutContentHandler(&recorder), S_OK);
        sax::CMemoryStream stream(doc, piece);
        ASSERT_EQ(reader->Parse(&stream), S_OK) << piece;
        EXPECT_EQ(recorder.lastText, u"4&2<x>\U0001F600\u00E9tail") << piece;
        EXPECT_EQ(recorder.events.size(), 3u) << "one Characters call, pieces " << piece;
    }
}

// The reader fills a block of 16 KiB before each pass; a document of several blocks, its
// declaration and elements cut anywhere, reads the same in every split.
TEST(SaxReader, DocumentsOfSeveralBlocksReadTheSameInAnySplit) {
    std::string doc = "<?xml version=\"1.0\"?><list>";
    for (int i = 0; i < 3000; ++i) {
        doc += "<item n=\"" + std::to_string(i) + "\">x</item>";
    }
    doc += "</list>";
    ASSERT_GT(doc.size(), 2u * 16384u);
    for (const std::uint32_t piece : {1u, 5u, 16383u, 16385u, 100000u}) {
        auto reader = MakeReader();
        CRecorder recorder;
        ASSERT_EQ(reader->PutContentHandler(&recorder), S_OK);
        sax::CMemoryStream stream(doc, piece);
        ASSERT_EQ(reader->Parse(&stream), S_OK) << piece << ": " << reader->GetLastErrorText();
        ASSERT_EQ(recorder.events.size(), 2u + 3u * 3000u) << piece;
        EXPECT_EQ(recorder.events[1 + 3 * 2999], "<item {}item n{}n=2999") << piece;
    }
}

TEST(SaxReader, HandlerCanBeReplacedDuringAParse) {
    // The first handler passes the inner element's events to a second one and takes them back.
    class CSecond : public CRecorder {
    public:
        sax::ISAXXMLReader* reader = nullptr;
        sax::ISAXContentHandler* back = nullptr;
        HRESULT EndElement(std::u16string_view u, std::u16string_view l,
                           std::u16string_view q) override {
            CRecorder::EndElement(u, l, q);
            return reader->PutContentHandler(back);
        }
    } second;
    class CFirst : public CRecorder {
    public:
        sax::ISAXXMLReader* reader = nullptr;
        sax::ISAXContentHandler* helper = nullptr;
        HRESULT StartElement(std::u16string_view u, std::u16string_view l, std::u16string_view q,
                             const sax::ISAXAttributes& a) override {
            CRecorder::StartElement(u, l, q, a);
            return l == u"inner" ? reader->PutContentHandler(helper) : S_OK;
        }
    } first;
    auto reader = MakeReader();
    first.reader = second.reader = reader.get();
    first.helper = &second;
    second.back = &first;
    ASSERT_EQ(reader->PutContentHandler(&first), S_OK);
    ASSERT_EQ(reader->ParseBytes("<r><inner>x</inner><after/></r>"), S_OK);
    EXPECT_EQ(second.events, (std::vector<std::string>{"text x", "</inner"}));
    EXPECT_EQ(first.events, (std::vector<std::string>{"<r {}r", "<inner {}inner", "<after {}after",
                                                      "</after", "</r"}));
}

TEST(SaxReader, HandlerFailureEndsTheParseWithItsCode) {
    class CRefuse : public sax::CContentHandlerBase {
    public:
        int starts = 0;
        HRESULT StartElement(std::u16string_view, std::u16string_view, std::u16string_view,
                             const sax::ISAXAttributes&) override {
            return ++starts == 2 ? E_OUTOFMEMORY : S_OK;
        }
    } refuse;
    auto reader = MakeReader();
    ASSERT_EQ(reader->PutContentHandler(&refuse), S_OK);
    EXPECT_EQ(reader->ParseBytes("<a><b/><c/></a>"), E_OUTOFMEMORY);
    EXPECT_EQ(refuse.starts, 2);
    EXPECT_NE(reader->GetLastErrorText().find("line 1"), std::string::npos);
    // The reader is usable again afterwards.
    refuse.starts = -10;
    EXPECT_EQ(reader->ParseBytes("<a><b/></a>"), S_OK);
    EXPECT_TRUE(reader->GetLastErrorText().empty());
}

TEST(SaxReader, MalformedDocumentsFailWithLineAndColumn) {
    auto reader = MakeReader();
    CRecorder recorder;
    ASSERT_EQ(reader->PutContentHandler(&recorder), S_OK);
    EXPECT_EQ(reader->ParseBytes("<a>\n<b></a>"), E_FAIL);
    EXPECT_NE(reader->GetLastErrorText().find("line 2"), std::string::npos)
        << reader->GetLastErrorText();
    EXPECT_EQ(reader->ParseBytes(""), E_FAIL);
    EXPECT_EQ(reader->ParseBytes("<a>&undefined;</a>"), E_FAIL);
}

TEST(SaxReader, ErrorsAfterADeclarationKeepTheirColumns) {
    // The first document's plain declaration never reaches expat, the second's does; both name
    // the column of the mismatched end tag's name.
    for (const std::string document :
         {R"(<?xml version="1.0" encoding="utf-8"?><a><b></a>)",
          R"(<?xml version="1.0" encoding="utf-8" standalone="no"?><a><b></a>)"}) {
        for (const std::uint32_t piece : {1u, 4096u}) {
            auto reader = MakeReader();
            CRecorder recorder;
            ASSERT_EQ(reader->PutContentHandler(&recorder), S_OK);
            sax::CMemoryStream stream(document, piece);
            EXPECT_EQ(reader->Parse(&stream), E_FAIL);
            const std::string where =
                "line 1, column " + std::to_string(document.find("</a>") + 3) + ":";
            EXPECT_EQ(reader->GetLastErrorText().rfind(where, 0), 0u)
                << reader->GetLastErrorText() << " / " << where << " / piece " << piece;
        }
    }
}

// The reader takes a plain declaration itself and leaves expat to read the rest as UTF-8: names,
// values and text beyond ASCII read as they do with no declaration at all.
TEST(SaxReader, TheRestOfAPlainDeclarationsDocumentIsUtf8) {
    const std::string root = "\n<r\xC3\xA9 a=\"\xC3\xA9\">\xF0\x9F\x98\x80\xE2\x82\xAC</r\xC3\xA9>";
    const auto eventsOf = [](const std::string& document) {
        auto reader = MakeReader();
        CRecorder recorder;
        EXPECT_EQ(reader->PutContentHandler(&recorder), S_OK);
        EXPECT_EQ(reader->ParseBytes(document), S_OK) << reader->GetLastErrorText();
        EXPECT_EQ(recorder.lastText, u"\U0001F600\u20AC");
        return recorder.events;
    };
    const std::vector<std::string> plain = eventsOf(root);
    ASSERT_FALSE(plain.empty());
    for (const char* declaration :
         {"<?xml version=\"1.0\" encoding=\"utf-8\"?>", "<?xml version='1.0' encoding='UTF-8' ?>",
          "<?xml version=\"1.0\"?>"}) {
        EXPECT_EQ(eventsOf(declaration + root), plain) << declaration;
    }
}

TEST(SaxReader, ASecondDeclarationIsRefusedWhateverTheFirst) {
    auto reader = MakeReader();
    CRecorder recorder;
    ASSERT_EQ(reader->PutContentHandler(&recorder), S_OK);
    EXPECT_EQ(reader->ParseBytes(R"(<?xml version="1.0"?><?xml version="1.0"?><a/>)"), E_FAIL);
    EXPECT_EQ(reader->ParseBytes(R"(<?xml version="1.0"?><a/><?xml version="1.0"?>)"), E_FAIL);
    ASSERT_EQ(reader->ParseBytes(R"(<?xml version="1.0" encoding="utf-8"?><a>x</a>)"), S_OK);
    EXPECT_EQ(recorder.lastText, u"x");
}

// Records every name of every start and end tag.
class CNameRecorder : public sax::CContentHandlerBase {
public:
    std::vector<std::string> starts;
    std::vector<std::string> ends;

    HRESULT StartElement(std::u16string_view uri, std::u16string_view local,
                         std::u16string_view qName, const sax::ISAXAttributes&) override {
        starts.push_back(Line(uri, local, qName));
        return S_OK;
    }
    HRESULT EndElement(std::u16string_view uri, std::u16string_view local,
                       std::u16string_view qName) override {
        ends.push_back(Line(uri, local, qName));
        return S_OK;
    }

private:
    static std::string Line(std::u16string_view uri, std::u16string_view local,
                            std::u16string_view qName) {
        std::string line = "{";
        line += Narrow(uri) + "}" + Narrow(local) + " " + Narrow(qName);
        return line;
    }
};

TEST(SaxReader, EndTagsReportTheNamesOfTheirStartTags) {
    // Nested scopes that rebind one prefix, return to an outer namespace, and use more distinct
    // namespaces than the reader keeps converted, twice over on one reader.
    std::string document = "<p:a xmlns:p='urn:outer'><p:b xmlns:p='urn:inner'><p:c/></p:b>";
    std::vector<std::string> expectedStarts{"{urn:outer}a p:a", "{urn:inner}b p:b",
                                            "{urn:inner}c p:c"};
    std::vector<std::string> expectedEnds{"{urn:inner}c p:c", "{urn:inner}b p:b"};
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i);
        document += "<q" + n + ":e" + n + " xmlns:q" + n + "='urn:n" + n + "'><plain/></q" + n +
                    ":e" + n + ">";
        expectedStarts.push_back("{urn:n" + n + "}e" + n + " q" + n + ":e" + n);
        expectedStarts.push_back("{}plain plain");
        expectedEnds.push_back("{}plain plain");
        expectedEnds.push_back("{urn:n" + n + "}e" + n + " q" + n + ":e" + n);
    }
    document += "<p:z/></p:a>";
    expectedStarts.push_back("{urn:outer}z p:z");
    expectedEnds.push_back("{urn:outer}z p:z");
    expectedEnds.push_back("{urn:outer}a p:a");

    auto reader = MakeReader();
    for (int pass = 0; pass < 2; ++pass) {
        CNameRecorder recorder;
        ASSERT_EQ(reader->PutContentHandler(&recorder), S_OK);
        ASSERT_EQ(reader->ParseBytes(document), S_OK) << reader->GetLastErrorText();
        EXPECT_EQ(recorder.starts, expectedStarts);
        EXPECT_EQ(recorder.ends, expectedEnds);
    }
}

TEST(SaxReader, ADocumentCutOffLeavesNoOpenElementsForTheNext) {
    auto reader = MakeReader();
    CNameRecorder recorder;
    ASSERT_EQ(reader->PutContentHandler(&recorder), S_OK);
    EXPECT_NE(reader->ParseBytes("<a xmlns='urn:a'><b><c>"), S_OK);
    recorder.starts.clear();
    ASSERT_EQ(reader->ParseBytes("<x:d xmlns:x='urn:x'/>"), S_OK);
    EXPECT_EQ(recorder.starts, std::vector<std::string>{"{urn:x}d x:d"});
    EXPECT_EQ(recorder.ends, std::vector<std::string>{"{urn:x}d x:d"});
}

TEST(SaxReader, RefusesDocumentTypeDeclarations) {
    auto reader = MakeReader();
    CRecorder recorder;
    ASSERT_EQ(reader->PutContentHandler(&recorder), S_OK);
    // Exponential entity expansion: refused at the declaration, before any entity is defined.
    std::string laughs = "<?xml version='1.0'?><!DOCTYPE l [<!ENTITY l0 'lol'>";
    for (int i = 1; i < 30; ++i) {
        laughs += "<!ENTITY l" + std::to_string(i) + " '";
        for (int j = 0; j < 10; ++j) {
            laughs += "&l" + std::to_string(i - 1) + ";";
        }
        laughs += "'>";
    }
    laughs += "]><l>&l29;</l>";
    EXPECT_EQ(reader->ParseBytes(laughs), E_FAIL);
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_NE(reader->GetLastErrorText().find("document type"), std::string::npos);
    // An external entity is never loaded.
    EXPECT_EQ(reader->ParseBytes("<!DOCTYPE x SYSTEM 'file:///etc/passwd'><x/>"), E_FAIL);
    EXPECT_EQ(
        reader->ParseBytes("<!DOCTYPE x [<!ENTITY e SYSTEM 'file:///etc/passwd'>]><x>&e;</x>"),
        E_FAIL);
    EXPECT_TRUE(recorder.events.empty());
}

} // namespace

#include "tooltip/drawer/HtmlMarkup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tooltip {
namespace {

std::string Prepared(std::string text) {
    PreprocessText(text);
    return text;
}

// Every text run and tag of a prepared text, tags written as [tag].
std::string Tokens(std::string_view text) {
    std::string out;
    std::size_t p = 0;
    std::string run;
    std::string_view tag;
    while (p < text.size()) {
        const bool hasTag = NextToken(text, p, run, tag);
        out += run;
        if (hasTag) {
            out += "[" + std::string(tag) + "]";
        }
    }
    return out;
}

TEST(HtmlMarkup, EntitiesAreReplacedInTableOrderAsUtf8) {
    EXPECT_EQ(Tokens(Prepared("a &lt; b")), "a < b");
    EXPECT_EQ(Tokens(Prepared("a &amp;lt; b")), "a < b");
    EXPECT_EQ(Prepared("&amp;amp;"), "&amp;");
    EXPECT_EQ(Prepared("&euro;5 &pound; &copy;&reg;&trade; &bull;&para;&iquest;"),
              "\xE2\x82\xAC"
              "5 \xC2\xA3 \xC2\xA9\xC2\xAE\xE2\x84\xA2 \xE2\x80\xA2\xC2\xB6\xC2\xBF");
    EXPECT_EQ(Prepared("&quot;&gt;&nbsp;&unknown;"), "\"> &unknown;");
}

TEST(HtmlMarkup, LineFeedsTabsAndCarriageReturnsBecomeTags) {
    EXPECT_EQ(Prepared("a\r\nb\tc"), "a<br>b<t>c");
    EXPECT_EQ(Prepared("\r\r"), "");
}

TEST(HtmlMarkup, TokensHandleEscapesAndBrokenTags) {
    EXPECT_EQ(Tokens("x<<y"), "x<y");
    EXPECT_EQ(Tokens("a<b>c</b>"), "a[b]c[/b]");
    EXPECT_EQ(Tokens("end<"), "end<");
    EXPECT_EQ(Tokens("a<>b"), "a[]>b");
    EXPECT_EQ(Tokens("a<b"), "a[]b");
    EXPECT_EQ(Tokens("<<<b>"), "<[b]");
}

TEST(HtmlMarkup, ALiteralLessThanEndsItsRun) {
    // Each token as read: a run in quotes, then its tag in brackets when one was read.
    auto tokens = [](std::string_view text) {
        std::vector<std::string> out;
        std::size_t p = 0;
        std::string run;
        std::string_view tag;
        while (p < text.size()) {
            const bool hasTag = NextToken(text, p, run, tag);
            out.push_back("'" + run + "'" + (hasTag ? "[" + std::string(tag) + "]" : ""));
        }
        return out;
    };
    using Tokens = std::vector<std::string>;
    EXPECT_EQ(tokens("x<<y"), (Tokens{"'x<'", "'y'"}));
    EXPECT_EQ(tokens("a<<<<b"), (Tokens{"'a<'", "'<'", "'b'"}));
    EXPECT_EQ(tokens("<<<b>c"), (Tokens{"'<'", "''[b]", "'c'"}));
    EXPECT_EQ(tokens("end<"), (Tokens{"'end<'"}));
    EXPECT_EQ(tokens("a<b>c"), (Tokens{"'a'[b]", "'c'"}));
}

TEST(HtmlMarkup, FindTagStartSkipsEscapedOpenings) {
    std::size_t p = 0;
    EXPECT_FALSE(FindTagStart("<<table>", "table", p));
    EXPECT_EQ(p, 8u);
    p = 0;
    EXPECT_TRUE(FindTagStart("ab<tables", "table", p));
    EXPECT_EQ(p, 2u);
    p = 3;
    EXPECT_FALSE(FindTagStart("ab<table", "table", p));
    p = 0;
    EXPECT_TRUE(FindTagStart("x<<y</table>", "/table", p));
    EXPECT_EQ(p, 4u);
}

TEST(HtmlMarkup, SplitTagAndAttributes) {
    std::string_view name;
    std::string_view attributes;
    SplitTag("font   color=red size='+1'", name, attributes);
    EXPECT_EQ(name, "font");
    EXPECT_EQ(attributes, "color=red size='+1'");
    SplitTag("br=2", name, attributes);
    EXPECT_EQ(name, "br");
    EXPECT_EQ(attributes, "=2");
    SplitTag("B", name, attributes);
    EXPECT_EQ(name, "B");
    EXPECT_TRUE(attributes.empty());

    std::vector<std::pair<std::string, std::string>> read;
    const std::string_view text = "a = \"x y\" flag b='q' c=v.w  d";
    std::size_t cursor = 0;
    std::string_view n;
    std::string_view v;
    while (NextAttribute(text, cursor, n, v)) {
        read.emplace_back(n, v);
    }
    const std::vector<std::pair<std::string, std::string>> expected{
        {"a", "x y"}, {"flag", ""}, {"b", "q"}, {"c", "v.w"}, {"d", ""}};
    EXPECT_EQ(read, expected);

    cursor = 0;
    EXPECT_TRUE(NextAttribute("face='unclosed", cursor, n, v));
    EXPECT_EQ(v, "unclosed");
    EXPECT_FALSE(NextAttribute("face='unclosed", cursor, n, v));
    cursor = 0;
    EXPECT_FALSE(NextAttribute(" = ''", cursor, n, v));
}

TEST(HtmlMarkup, TagLookupIsExactAndKnowsClosingForms) {
    EXPECT_EQ(LookupTag("b").code, TagBold);
    EXPECT_EQ(LookupTag("b").styleName, "bold");
    EXPECT_EQ(LookupTag("B").code, TagUnknown);
    EXPECT_EQ(LookupTag("blink").code, TagUnknown);
    const HtmlTagInfo closing = LookupTag("/strike");
    EXPECT_TRUE(closing.closing);
    EXPECT_EQ(closing.code, TagStrikeout);
    EXPECT_EQ(closing.styleName, "strikeout");
    EXPECT_EQ(LookupTag("middle").styleName, "vcenter");
    EXPECT_EQ(LookupTag("\n").code, TagBreak);
    EXPECT_TRUE(LookupTag("br").styleName.empty());
    EXPECT_EQ(LookupTag("h6").code, TagSelector);
    EXPECT_EQ(LookupTag("a").styleName, "link");
    EXPECT_EQ(LookupTag("").code, TagUnknown);
    EXPECT_EQ(LookupTag("/").code, TagUnknown);
}

TEST(HtmlMarkup, TextTransformsChangeAsciiLettersOnly) {
    std::string text = "hELLO wORLD-x Ã©tÃ©";
    ApplyTextTransform(text, 1);
    EXPECT_EQ(text, "HELLO WORLD-X Ã©TÃ©");
    ApplyTextTransform(text, 2);
    EXPECT_EQ(text, "hello world-x Ã©tÃ©");
    text = "mY nAME  is-bob";
    ApplyTextTransform(text, 3);
    EXPECT_EQ(text, "My Name  Is-bob");
    ApplyTextTransform(text, 0);
    EXPECT_EQ(text, "My Name  Is-bob");
}

} // namespace
} // namespace tooltip

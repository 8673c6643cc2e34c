#include "tooltip/drawer/CHtmlStyleSheet.h"

#include <gtest/gtest.h>

namespace tooltip {
namespace {

constexpr HtmlColour kRed = 0x0000FF;
constexpr HtmlColour kBlue = 0xFF0000;
constexpr HtmlColour kGreen = 0x008000;

class StyleSheetTest : public ::testing::Test {
protected:
    CHtmlStyleSheet m_sheet{[](syscolor::SysColour which) -> HtmlColour {
        return which == syscolor::SysColour::InfoBackground ? 0x00E1FFFF : 0x00123456;
    }};
};

TEST_F(StyleSheetTest, DefaultSheetHasItsEntries) {
    const auto& entries = m_sheet.Entries();
    EXPECT_EQ(entries.size(), 17u);
    EXPECT_EQ(entries.at("pre"),
              "font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb");
    EXPECT_EQ(entries.at(".cpp-comment"), "color:green; font-style:italic");
    EXPECT_EQ(entries.count("a:hover"), 1u);
}

TEST_F(StyleSheetTest, HeadingsAndSizesFromTheDefaultSheet) {
    HtmlStyle style;
    m_sheet.ApplySelector(style, "body");
    EXPECT_EQ(style.size, 13);
    m_sheet.ApplySelector(style, "H1");
    EXPECT_EQ(style.size, 18);
    EXPECT_EQ(style.weight, 700);
    EXPECT_EQ(style.face, "verdana");
    EXPECT_EQ(style.colour, 0u);

    HtmlStyle h6;
    m_sheet.ApplySelector(h6, "body");
    m_sheet.ApplySelector(h6, "h6");
    EXPECT_EQ(h6.size, 8);
    EXPECT_EQ(h6.weight, 400);
    EXPECT_EQ(h6.colour, HtmlRgb(0x62, 0x62, 0x62));

    HtmlStyle pre;
    m_sheet.ApplySelector(pre, "pre");
    EXPECT_EQ(pre.face, "courier");
    EXPECT_EQ(pre.backgroundMode, BkModeOpaque);
    EXPECT_EQ(pre.backgroundColour, HtmlRgb(0xfb, 0xed, 0xbb));

    HtmlStyle unknown;
    m_sheet.ApplySelector(unknown, "p.x");
    EXPECT_EQ(unknown.size, 16);
}

TEST_F(StyleSheetTest, SelectorsAreSingleWordsAndLaterEntriesReplace) {
    m_sheet.SetStyleSheet(
        "div p {color:red}\r\nh1, h2 {color:blue}\r\nx {color:red; font-weight:bold}"
        " x {font-style:italic} empty {} .Cls{color:green}");
    const auto& entries = m_sheet.Entries();
    EXPECT_EQ(entries.at("div"), "color:red");
    EXPECT_EQ(entries.at("h1,"), "color:blue");
    EXPECT_EQ(entries.count("empty"), 0u);
    HtmlStyle style;
    m_sheet.ApplySelector(style, "x");
    EXPECT_EQ(style.italic, 1);
    EXPECT_EQ(style.weight, 400);
    m_sheet.ApplySelector(style, ".cls");
    EXPECT_EQ(style.colour, kGreen);
    m_sheet.SetStyleSheet("broken {color:red");
    EXPECT_TRUE(m_sheet.Entries().empty());
}

TEST_F(StyleSheetTest, DeclarationValues) {
    HtmlStyle style;
    m_sheet.ApplyDeclarations(style, "font-size: 10pt ;");
    EXPECT_EQ(style.size, 10);
    m_sheet.ApplyDeclarations(style,
                              "Color:Red; font-family: \"Times New Roman\"; font-weight:bolder");
    EXPECT_EQ(style.colour, kRed);
    EXPECT_EQ(style.face, "times new roman");
    EXPECT_EQ(style.weight, 900);
    m_sheet.ApplyDeclarations(style, "text-decoration: underline,overline line-through");
    EXPECT_EQ(style.underline + style.overline + style.strikeout, 3);
    m_sheet.ApplyDeclarations(style, "text-decoration:");
    EXPECT_EQ(style.underline + style.overline + style.strikeout, 0);
    m_sheet.ApplyDeclarations(
        style, "text-align:justify; vertical-align:vcenter; text-transform:capitalize");
    EXPECT_EQ(style.textAlign, AlignLeft);
    EXPECT_EQ(style.verticalAlign, VAlignMiddle);
    EXPECT_EQ(style.textTransform, TransformCapitalize);
    m_sheet.ApplyDeclarations(style, "background-color:yellow");
    EXPECT_EQ(style.backgroundMode, BkModeOpaque);
    EXPECT_EQ(style.backgroundColour, 0x00FFFFu);
    m_sheet.ApplyDeclarations(style, "background-color:transparent; font-weight:heavy");
    EXPECT_EQ(style.backgroundMode, BkModeTransparent);
    EXPECT_EQ(style.weight, 0);
    m_sheet.ApplyDeclarations(style, "margin:5px; padding:3; unknown:1; font-family:");
    EXPECT_EQ(style.cellPadding, 5);
    EXPECT_EQ(style.cellSpacing, 3);
    EXPECT_EQ(style.face, "times new roman");
}

TEST_F(StyleSheetTest, BorderWidthAndStyleKeepEachOtherConsistent) {
    HtmlStyle style;
    m_sheet.ApplyDeclarations(style, "border-style:dotted");
    EXPECT_EQ(style.borderStyle, 3);
    EXPECT_EQ(style.borderWidth, 1);
    m_sheet.ApplyDeclarations(style, "border-width:4px");
    m_sheet.ApplyDeclarations(style, "border-width:thin");
    EXPECT_EQ(style.borderWidth, 3);
    m_sheet.ApplyDeclarations(style, "border-width:0");
    EXPECT_EQ(style.borderStyle, 0);
    m_sheet.ApplyDeclarations(style, "size:2; border-color:#00ff00");
    EXPECT_EQ(style.borderStyle, 1);
    EXPECT_EQ(style.borderLightColour, HtmlRgb(0, 255, 0));
    EXPECT_EQ(style.borderDarkColour, HtmlRgb(0, 255, 0));
}

TEST_F(StyleSheetTest, LengthsInEveryUnit) {
    EXPECT_EQ(m_sheet.ParseLength(7, "", false), 7);
    EXPECT_EQ(m_sheet.ParseLength(13, "65%", true), 8);
    EXPECT_EQ(m_sheet.ParseLength(200, "50%", false), 100);
    EXPECT_EQ(m_sheet.ParseLength(0, "10pt", true), 13);
    EXPECT_EQ(m_sheet.ParseLength(0, "9pt", true), 12);
    EXPECT_EQ(m_sheet.ParseLength(0, "14pt", true), 18);
    EXPECT_EQ(m_sheet.ParseLength(0, "1in", false), 96);
    EXPECT_EQ(m_sheet.ParseLength(0, "2cm", false), 75);
    EXPECT_EQ(m_sheet.ParseLength(0, "10mm", false), 37);
    EXPECT_EQ(m_sheet.ParseLength(0, "1pc", false), 16);
    EXPECT_EQ(m_sheet.ParseLength(0, "12px", false), 12);
    EXPECT_EQ(m_sheet.ParseLength(0, "-12px", false), 12);
    EXPECT_EQ(m_sheet.ParseLength(0, "abc", false), 0);
    EXPECT_EQ(m_sheet.ParseLength(5, "0x10", false), 16);
    EXPECT_EQ(m_sheet.ParseLength(5, "010", false), 8);
    EXPECT_EQ(m_sheet.ParseLength(16, "+1", true), 8);
    EXPECT_EQ(m_sheet.ParseLength(16, "4", true), 14);
    EXPECT_EQ(m_sheet.ParseLength(16, "7", true), 36);
    EXPECT_EQ(m_sheet.ParseLength(16, "20", true), 20);
    EXPECT_EQ(m_sheet.ParseLength(16, "4", false), 4);
    EXPECT_EQ(m_sheet.ParseLength(0, "99999999999999in", false), INT_MAX);
}

TEST_F(StyleSheetTest, RelativeUnitsReadTheCurrentFont) {
    struct Metrics : IHtmlUnitMetrics {
        int PixelsPerInch() const override { return 144; }
        int FontHeight() const override { return 19; }
        int StringHeight() const override { return 17; }
    } metrics;
    m_sheet.SetUnitMetrics(&metrics);
    EXPECT_EQ(m_sheet.ParseLength(0, "2em", false), 38);
    EXPECT_EQ(m_sheet.ParseLength(0, "2ex", false), 34);
    EXPECT_EQ(m_sheet.ParseLength(0, "1in", false), 144);
    m_sheet.SetUnitMetrics(nullptr);
}

TEST_F(StyleSheetTest, ColourForms) {
    EXPECT_EQ(m_sheet.ParseColour(1, "#ff0000"), kRed);
    EXPECT_EQ(m_sheet.ParseColour(1, "red"), kRed);
    EXPECT_EQ(m_sheet.ParseColour(1, "0xff0000"), kBlue);
    EXPECT_EQ(m_sheet.ParseColour(1, "255"), kRed);
    EXPECT_EQ(m_sheet.ParseColour(1, "Red"), 1u);
    EXPECT_EQ(m_sheet.ParseColour(1, "#ff00"), 1u);
    EXPECT_EQ(m_sheet.ParseColour(1, ""), 1u);
    EXPECT_EQ(m_sheet.ParseColour(1, "orange"), HtmlRgb(0xff, 0xa5, 0x00));
    EXPECT_EQ(m_sheet.ParseColour(1, "darkseagreen"), HtmlRgb(0x8f, 0xbc, 0x8f));
    EXPECT_EQ(m_sheet.ParseColour(1, "lightgrey"), HtmlRgb(0xd3, 0xd3, 0xd3));
    for (const char* grey : {"lightgray", "grey", "darkgrey", "dimgrey", "slategrey",
                             "darkslategrey", "lightslategrey"}) {
        EXPECT_EQ(m_sheet.LookupColour(grey, 7), 7u) << grey;
    }
    EXPECT_EQ(m_sheet.LookupColour("infobackground", 7), 0x00E1FFFFu);
    EXPECT_EQ(m_sheet.LookupColour("windowtext", 7), 0x00123456u);
    EXPECT_EQ(m_sheet.ColourCount(), 140u + 28u);
}

TEST_F(StyleSheetTest, FontTagAttributes) {
    HtmlStyle style;
    style.size = 13;
    m_sheet.ApplyFontAttributes(style, "color=#ff0000 size=+1 face='Liberation Sans' style=b-i");
    EXPECT_EQ(style.colour, kRed);
    EXPECT_EQ(style.size, 8);
    EXPECT_EQ(style.face, "Liberation Sans");
    EXPECT_EQ(style.weight, 700);
    EXPECT_EQ(style.italic, 0);
    m_sheet.ApplyFontAttributes(style, "color=Red style=-bius+o weight=lighter");
    EXPECT_EQ(style.colour, kRed);
    EXPECT_EQ(style.weight, 100);
    EXPECT_EQ(style.italic, 1);
    EXPECT_EQ(style.underline, 1);
    EXPECT_EQ(style.overline, 1);
    m_sheet.ApplyFontAttributes(style, "bkgnd=yellow");
    EXPECT_EQ(style.backgroundMode, BkModeOpaque);
    m_sheet.ApplyFontAttributes(style, "bkgnd=transparent SIZE=30 color=blue color=green");
    EXPECT_EQ(style.backgroundMode, BkModeTransparent);
    EXPECT_EQ(style.size, 8);
    EXPECT_EQ(style.colour, kGreen);
}

TEST(MulDivRound, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDivRound(13, 65, 100), 8);
    EXPECT_EQ(MulDivRound(1, 1, 2), 1);
    EXPECT_EQ(MulDivRound(-1, 1, 2), -1);
    EXPECT_EQ(MulDivRound(5, 5, 0), -1);
    EXPECT_EQ(MulDivRound(INT_MAX, INT_MAX, 1), -1);
}

} // namespace
} // namespace tooltip

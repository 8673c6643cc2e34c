#include "DrawerFixture.h"

namespace tooltip::testing {
namespace {

class DrawerStyleTest : public DrawerTest {
protected:
    // The style each piece of text was drawn in, by its text.
    std::map<std::string, HtmlStyle> Styles(std::string_view markup) {
        Prepare(markup);
        Draw();
        std::map<std::string, HtmlStyle> styles;
        for (const Piece& piece : m_text.pieces) {
            styles[piece.text] = piece.style;
        }
        return styles;
    }
};

TEST_F(DrawerStyleTest, BoldDoublesTheWeightUpTo900) {
    auto s = Styles("<b>x</b>y<b><b>z</b></b>");
    EXPECT_EQ(s["x"].weight, 800);
    EXPECT_EQ(s["y"].weight, 400);
    EXPECT_EQ(s["z"].weight, 900);
}

TEST_F(DrawerStyleTest, ToggledAttributesAndUnmatchedClosingTags) {
    auto s = Styles("<i><i>x</i></i><u>u<s>v</s></u><em>e</em>");
    EXPECT_EQ(s["x"].italic, 0);
    EXPECT_EQ(s["u"].underline, 1);
    EXPECT_EQ(s["v"].strikeout, 1);
    EXPECT_EQ(s["v"].underline, 1);
    EXPECT_EQ(s["e"].italic, 1);
    s = Styles("<b>x</i>y");
    EXPECT_EQ(s["y"].weight, 800);
    s = Styles("<B>caps</B><blink>w</blink>");
    EXPECT_EQ(s["caps"].weight, 400);
    EXPECT_EQ(s["w"].weight, 400);
}

TEST_F(DrawerStyleTest, HeadingsAndFontSizes) {
    auto s = Styles("<h1>Title</h1>after<h6>small</h6>");
    EXPECT_EQ(s["Title"].size, 18);
    EXPECT_EQ(s["Title"].weight, 700);
    EXPECT_EQ(s["Title"].colour, 0u);
    EXPECT_EQ(s["after"].size, 13);
    EXPECT_EQ(s["after"].weight, 400);
    EXPECT_EQ(s["small"].size, 8);
    s = Styles("<font size=+1>a</font><font size=4>b</font><font size=20>c</font>");
    EXPECT_EQ(s["a"].size, 8);
    EXPECT_EQ(s["b"].size, 14);
    EXPECT_EQ(s["c"].size, 20);
    // Sizes are clamped as other lengths are: never negative from a huge number.
    s = Styles("a<font size=2147483648>b</font><font size=99999999999px>c</font>"
               "<font size=-2147483648%>d</font>");
    EXPECT_EQ(s["b"].size, 1000000);
    EXPECT_EQ(s["c"].size, 1000000);
    EXPECT_GE(s["d"].size, -1000000);
}

TEST_F(DrawerStyleTest, ColoursSpansAndBackgrounds) {
    auto s = Styles("<font color=#ff0000>a</font><font color=red>b</font><font color=0xff0000>c"
                    "</font><font color=Red>d</font>");
    EXPECT_EQ(s["a"].colour, 0x0000FFu);
    EXPECT_EQ(s["b"].colour, 0x0000FFu);
    EXPECT_EQ(s["c"].colour, 0xFF0000u);
    EXPECT_EQ(s["d"].colour, 0u);
    s = Styles("<span class=CPP-Comment>c</span><font bkgnd=yellow>y</font>"
               "<font bkgnd=transparent>t</font><code>k</code>");
    EXPECT_EQ(s["c"].colour, 0x008000u);
    EXPECT_EQ(s["c"].italic, 1);
    EXPECT_EQ(s["y"].backgroundMode, BkModeOpaque);
    EXPECT_EQ(s["y"].backgroundColour, 0x00FFFFu);
    EXPECT_EQ(s["t"].backgroundMode, BkModeTransparent);
    EXPECT_EQ(s["k"].colour, HtmlRgb(0x99, 0, 0));
    EXPECT_EQ(s["k"].face, "arial");
}

TEST_F(DrawerStyleTest, EntitiesReachTheDeviceAsUtf8) {
    Prepare("a &lt; b &amp;lt; c &euro;");
    Draw();
    // Each literal "<" ends a run, so the text reaches the device in three pieces.
    std::string drawn;
    for (const Piece& piece : m_text.pieces) {
        drawn += piece.text;
    }
    EXPECT_EQ(m_text.pieces.size(), 3u);
    EXPECT_EQ(drawn, "a < b < c \xE2\x82\xAC");
}

TEST_F(DrawerStyleTest, StringResourcesArePlacedUntransformed) {
    Prepare("[<string idres=119>][<string iddll=0x77>][<string idres=5>]");
    Draw();
    std::string all;
    for (const Piece& piece : m_text.pieces) {
        all += piece.text;
    }
    EXPECT_EQ(all, "[Status][Status][]");
}

} // namespace
} // namespace tooltip::testing

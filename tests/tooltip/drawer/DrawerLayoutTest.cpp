#include "DrawerFixture.h"

#include <string>

namespace tooltip::testing {
namespace {

std::string InMono(std::string_view text) {
    return std::string(kMono) + std::string(text);
}

class DrawerLayoutTest : public DrawerTest {
protected:
    int W() { return Mono("a"); }
    int H() const { return MonoMetrics().height; }
    std::vector<int> Widths() const {
        std::vector<int> widths;
        for (const HtmlLine& line : m_drawer.Lines()) {
            widths.push_back(line.width);
        }
        return widths;
    }
    std::vector<int> Wrapped() const {
        std::vector<int> wrapped;
        for (const HtmlLine& line : m_drawer.Lines()) {
            wrapped.push_back(line.wrapped);
        }
        return wrapped;
    }
};

TEST_F(DrawerLayoutTest, LineFeedAndBreakTagGiveTheSameLines) {
    const HtmlSize feed = Prepare(InMono("ab\ncd"));
    const std::vector<HtmlLine> feedLines = m_drawer.Lines();
    const HtmlSize tag = Prepare(InMono("ab<br>cd"));
    EXPECT_EQ(feed, tag);
    EXPECT_EQ(feedLines, m_drawer.Lines());
    ASSERT_EQ(feedLines.size(), 2u);
    EXPECT_EQ(feedLines[0].width, Mono("ab"));
    EXPECT_EQ(feedLines[0].height, H());
    EXPECT_EQ(feedLines[0].descent, MonoMetrics().descent);
    EXPECT_EQ(feed, (HtmlSize{Mono("ab") + 1, 2 * H() + 1}));
}

TEST_F(DrawerLayoutTest, BreakCountsAndEmptyText) {
    EXPECT_EQ(Prepare(InMono("a<br=2>b")).cy, 3 * H() + 1);
    EXPECT_EQ(Prepare(InMono("a<br 2>b")).cy, 2 * H() + 1);
    EXPECT_EQ(Prepare(InMono("a</br>b")).cy, 2 * H() + 1);
    EXPECT_EQ(Prepare(""), (HtmlSize{0, 0}));
    EXPECT_EQ(Prepare("\r"), (HtmlSize{0, 0}));
    // A break on an empty line still advances by the font's height.
    EXPECT_EQ(Prepare(InMono("<br>b")).cy, 2 * H() + 1);
}

TEST_F(DrawerLayoutTest, TabsStopEvery32Pixels) {
    Prepare(InMono("\tx"));
    EXPECT_EQ(m_drawer.Lines().at(0).width, 32 + Mono("x"));
    Prepare(InMono("<hr width=40><t>x"));
    EXPECT_EQ(m_drawer.Lines().at(0).width, 64 + Mono("x"));
    Prepare(InMono("<hr width=64><t>x"));
    EXPECT_EQ(m_drawer.Lines().at(0).width, 96 + Mono("x"));
    Prepare(InMono("<hr width=40><t=2>x"));
    EXPECT_EQ(m_drawer.Lines().at(0).width, 96 + Mono("x"));
    Prepare(InMono("<t=99999999>x"));
    EXPECT_LE(m_drawer.Lines().at(0).width, 1000 * 32 + Mono("x"));
}

TEST_F(DrawerLayoutTest, WrapsAfterTheLastBreakThatFits) {
    const int w = W();
    // Whole run 14 characters; "aaaa-bbbb" (9) fits in 10, "aaaa" (4) fits in 6.
    Prepare(InMono("aaaa-bbbb cccc"), 10 * w);
    EXPECT_EQ(Widths(), (std::vector<int>{Mono("aaaa-bbbb"), Mono("cccc")}));
    EXPECT_EQ(Wrapped(), (std::vector<int>{1, 0}));
    EXPECT_EQ(m_drawer.Lines()[0].breakCount, 0);
    Prepare(InMono("aaaa-bbbb cccc"), 6 * w);
    EXPECT_EQ(Widths(), (std::vector<int>{Mono("aaaa-"), Mono("bbbb"), Mono("cccc")}));

    // Drawn, the space at the end of the first line is not drawn and the next starts with cccc.
    Prepare(InMono("<a href=x>aaaa-bbbb cccc</a>"), 10 * w);
    Draw();
    ASSERT_EQ(m_text.pieces.size(), 2u);
    EXPECT_EQ(m_text.pieces[0].text, "aaaa-bbbb");
    EXPECT_EQ(m_text.pieces[1].text, "cccc");
    EXPECT_EQ(m_text.pieces[1].x, 0);
    EXPECT_EQ(m_text.pieces[1].y, H());
}

TEST_F(DrawerLayoutTest, ALineMayBreakAfterALiteralLessThan) {
    const int w = W();
    Prepare(InMono("xxxxxxxx&lt;yyyyyyyy"), 10 * w);
    EXPECT_EQ(Widths(), (std::vector<int>{Mono("xxxxxxxx<"), Mono("yyyyyyyy")}));
    Prepare(InMono("xxxxxxxx<<yyyyyyyy"), 10 * w);
    EXPECT_EQ(Widths(), (std::vector<int>{Mono("xxxxxxxx<"), Mono("yyyyyyyy")}));
}

TEST_F(DrawerLayoutTest, ALineIsAlignedByWhatItHolds) {
    // The run that did not fit starts the next line; the line it left keeps its own alignment.
    const int w = W();
    Prepare(InMono("aaaa <center>bbbbbbbb</center>"), 10 * w);
    ASSERT_EQ(m_drawer.Lines().size(), 2u);
    EXPECT_EQ(m_drawer.Lines()[0].alignment, AlignLeft);
    EXPECT_EQ(m_drawer.Lines()[1].alignment, AlignCenter);
    Prepare(InMono("<center>aaaa </center>bbbbbbbb"), 10 * w);
    ASSERT_EQ(m_drawer.Lines().size(), 2u);
    EXPECT_EQ(m_drawer.Lines()[0].alignment, AlignCenter);
    EXPECT_EQ(m_drawer.Lines()[1].alignment, AlignLeft);
}

TEST_F(DrawerLayoutTest, LongWordIsCutOnAnEmptyLineAndMovedWholeOtherwise) {
    const int w = W();
    Prepare(InMono(std::string(25, 'a')), 10 * w);
    EXPECT_EQ(Widths(), (std::vector<int>{10 * w, 10 * w, 5 * w}));
    EXPECT_EQ(Wrapped(), (std::vector<int>{1, 1, 0}));
    Prepare(InMono("bb<u>aaaaaaaaa</u>"), 10 * w);
    EXPECT_EQ(Widths(), (std::vector<int>{2 * w, 9 * w}));
    // Centred, the cut pieces are drawn whole: every character reaches the device.
    Prepare(InMono("<center>" + std::string(25, 'a') + "</center>"), 10 * w);
    Draw();
    std::string drawn;
    for (const Piece& piece : m_text.pieces) {
        drawn += piece.text;
    }
    EXPECT_EQ(drawn, std::string(25, 'a'));
    EXPECT_EQ(m_text.pieces.size(), 3u);
    // A wrap width narrower than one character still places one character per line.
    Prepare(InMono("abc"), 1);
    EXPECT_EQ(Widths(), (std::vector<int>{w, w, w}));
    // Cutting never splits a character's bytes.
    Prepare(InMono("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"), 3 * w);
    Draw();
    ASSERT_EQ(m_text.pieces.size(), 2u);
    EXPECT_EQ(m_text.pieces[0].text, "\xC3\xA9\xC3\xA9\xC3\xA9");
    EXPECT_EQ(m_text.pieces[1].text, "\xC3\xA9");
}

TEST_F(DrawerLayoutTest, JustifiedLinesStretchExceptTheLast) {
    const int w = W();
    Prepare(InMono("<justify><a href=x>aa bb cc dd ee ff gg</a></justify>"), 10 * w);
    ASSERT_EQ(m_drawer.Lines().size(), 3u);
    EXPECT_EQ(Wrapped(), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(m_drawer.Lines()[0].alignment, AlignJustify);
    EXPECT_EQ(m_drawer.Lines()[0].breakCount, 2);
    Draw();
    const auto& areas = m_drawer.HotAreas();
    ASSERT_EQ(areas.size(), 3u);
    EXPECT_EQ(areas[0].right, m_size.cx);
    EXPECT_EQ(areas[1].right, m_size.cx);
    EXPECT_EQ(areas[2].right, Mono("gg"));
}

TEST_F(DrawerLayoutTest, CentredAndRightAlignedLines) {
    Prepare(InMono("<hr width=100><br><center>ab</center><br><right>cd</right>"));
    Draw();
    ASSERT_EQ(m_text.pieces.size(), 2u);
    EXPECT_EQ(m_text.pieces[0].x, (101 - Mono("ab")) / 2);
    EXPECT_EQ(m_text.pieces[1].x, 101 - Mono("cd"));
}

TEST_F(DrawerLayoutTest, PercentRulesWidenTheBlock) {
    EXPECT_EQ(Prepare("<hr width=200><br><hr width=50%>").cx, 201);
    EXPECT_EQ(m_drawer.Lines()[1].percent, 50);
    EXPECT_EQ(m_drawer.Lines()[1].width, 1);
    EXPECT_EQ(Prepare("<hr width=199><hr width=50%>").cx, 301);
    EXPECT_EQ(m_drawer.Lines()[0].height, 9);
}

TEST_F(DrawerLayoutTest, DrawnPercentRuleTakesItsShareOfTheRectangle) {
    Prepare("<hr width=50% size=1 color=#ff0000>");
    m_dc.FillSolidRect({0, 0, 600, 400}, gfx::Rgb(255, 255, 255));
    m_drawer.DrawPreparedOutput(m_dc, HtmlRect{0, 0, 300, 20});
    const int row = m_drawer.Lines()[0].height / 2;
    int red = 0;
    for (int x = 0; x < 600; ++x) {
        if (m_dc.Bitmap().GetPixel(x, row) == gfx::PixelFromColor(gfx::Rgb(255, 0, 0))) {
            ++red;
        }
    }
    EXPECT_EQ(red, 150);
}

TEST_F(DrawerLayoutTest, UnwrappedTextIsOneLineOneWiderThanItsWidth) {
    const std::string words = "one two three four five six seven eight nine ten";
    EXPECT_EQ(Prepare(InMono(words)).cx, Mono(words) + 1);
    EXPECT_EQ(m_drawer.Lines().size(), 1u);
    EXPECT_EQ(Prepare("<hr width=37>"), (HtmlSize{38, 10}));
    // A wrap width caps the reported width.
    EXPECT_EQ(Prepare("<hr width=300>", 100).cx, 101);
}

TEST_F(DrawerLayoutTest, MixedFontsShareABaseline) {
    Prepare(InMono("a<font size=30>B</font>"));
    ASSERT_EQ(m_drawer.Lines().size(), 1u);
    const HtmlLine line = m_drawer.Lines()[0];
    Draw();
    ASSERT_EQ(m_text.pieces.size(), 2u);
    // Each piece's top is the line's baseline less its font's ascent.
    EXPECT_EQ(m_text.pieces[0].y, line.height - line.descent - MonoMetrics().ascent);
    EXPECT_EQ(m_text.pieces[1].y, 0);
}

TEST_F(DrawerLayoutTest, ATableIsCutOutOfTheFlow) {
    Prepare(InMono("a<table><tr><td>x</td></tr></table>b"));
    Draw();
    std::string drawn;
    for (const Piece& piece : m_text.pieces) {
        drawn += piece.text;
    }
    EXPECT_EQ(drawn, "axb");
    Prepare(InMono("a<table><table></table>x</table>b"));
    Draw();
    drawn.clear();
    for (const Piece& piece : m_text.pieces) {
        drawn += piece.text;
    }
    EXPECT_EQ(drawn, "ab");
    Prepare(InMono("a<<table>b"));
    Draw();
    drawn.clear();
    for (const Piece& piece : m_text.pieces) {
        drawn += piece.text;
    }
    EXPECT_EQ(drawn, "a<table>b");
    // An opening tag with no room for its end does not stop the pass.
    EXPECT_GT(Prepare("ab<table>").cx, 1);
}

} // namespace
} // namespace tooltip::testing

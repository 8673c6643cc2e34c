// Faults found by rendering many tips: markup shown as text, the two passes breaking lines
// differently, characters clipped at the wrap edge, empty lines, sizes of texts without content.

#include "DrawerFixture.h"

#include <string>
#include <vector>

namespace tooltip::testing {
namespace {

class DrawerReviewTest : public DrawerTest {
protected:
    std::string Drawn() const {
        std::string drawn;
        for (const Piece& piece : m_text.pieces) {
            drawn += piece.text;
        }
        return drawn;
    }
    std::vector<int> Widths() const {
        std::vector<int> widths;
        for (const HtmlLine& line : m_drawer.Lines()) {
            widths.push_back(line.width);
        }
        return widths;
    }
    // Every drawn piece lies inside the prepared width.
    void ExpectPiecesInside() {
        for (const Piece& piece : m_text.pieces) {
            gfx::LogFont logical;
            logical.height = piece.style.size;
            logical.weight = piece.style.weight;
            gfx::SetFaceName(logical, piece.style.face);
            const gfx::CFont previous = m_dc.SelectFont(gfx::CFont::Create(logical));
            const int cx = m_dc.GetTextExtent(piece.text).cx;
            static_cast<void>(m_dc.SelectFont(previous));
            EXPECT_GE(piece.x, 0) << piece.text;
            EXPECT_LE(piece.x + cx, m_size.cx) << piece.text;
        }
    }
};

TEST_F(DrawerReviewTest, ALoneLessThanSignIsText) {
    Prepare("Press Alt+<");
    Draw();
    EXPECT_EQ(Drawn(), "Press Alt+<");
    // Before a line feed (or a tab) it stays text, and the line feed still breaks the line.
    Prepare(std::string(kMono) + "x <\nnext");
    Draw();
    ASSERT_EQ(m_text.pieces.size(), 2u);
    EXPECT_EQ(m_text.pieces[0].text, "x <");
    EXPECT_EQ(m_text.pieces[1].text, "next");
    EXPECT_EQ(m_drawer.Lines().size(), 2u);
    Prepare(std::string(kMono) + "a<\tb");
    Draw();
    EXPECT_EQ(Drawn(), "a<b");
    EXPECT_EQ(m_text.pieces.at(1).x, 32);
    // The escape is unchanged: "&lt;" before a line feed is one "<".
    Prepare("a&lt;\nb");
    Draw();
    EXPECT_EQ(Drawn(), "a<b");
}

TEST_F(DrawerReviewTest, BothPassesBreakTheProbeAlike) {
    Prepare("<right>Name:<br> <b>Supercalifragilisticexpialidocious</b> ok</right>", 100);
    Draw();
    EXPECT_TRUE(m_drawer.DrawMatchedMeasure());
    std::string letters;
    for (const char c : Drawn()) {
        if (c != ' ') {
            letters += c;
        }
    }
    EXPECT_EQ(letters, "Name:Supercalifragilisticexpialidociousok");
    ExpectPiecesInside();
    // Lines follow each other without a blank strip between them.
    for (std::size_t i = 1; i < m_text.pieces.size(); ++i) {
        EXPECT_GE(m_text.pieces[i].y, m_text.pieces[i - 1].y);
        EXPECT_LE(m_text.pieces[i].y - m_text.pieces[i - 1].y, 20);
    }
}

TEST_F(DrawerReviewTest, BreakCharactersFitTheWrapWidth) {
    const int w = Mono("a");
    // "aaaaaaaaa" fits 9.5 characters, the comma after it would not: the word is cut instead.
    Prepare(std::string(kMono) + "aaaaaaaaa,bbb", 9 * w + w / 2);
    for (const int width : Widths()) {
        EXPECT_LE(width, 9 * w + w / 2);
    }
    // A space may hang past the edge: it is not drawn.
    Prepare(std::string(kMono) + "aaaaaaaaa bbb", 9 * w + w / 2);
    EXPECT_EQ(Widths(), (std::vector<int>{9 * w, 3 * w}));
    Prepare("<right>Please enter your user id, then your password.</right>", 144);
    Draw();
    EXPECT_EQ(Drawn().substr(0, 6), "Please");
    ExpectPiecesInside();
    for (const int width : Widths()) {
        EXPECT_LE(width, 144);
    }
}

TEST_F(DrawerReviewTest, LeadingSpacesBeforeAWordThatDoesNotFitGiveNoEmptyLine) {
    Prepare("x<br>  averyveryverylongwordthatneverfits", 100);
    Draw();
    EXPECT_TRUE(m_drawer.DrawMatchedMeasure());
    for (const int width : Widths()) {
        EXPECT_GT(width, 0);
    }
    EXPECT_EQ(Drawn(), "xaveryveryverylongwordthatneverfits");
    // Spaces that fit stay where they are.
    Prepare(std::string(kMono) + "x<br>  ab", 100);
    EXPECT_EQ(Widths().at(1), Mono("  ab"));
}

TEST_F(DrawerReviewTest, TextsWithoutContentMeasureNothing) {
    EXPECT_EQ(Prepare("<b></b><i>"), (HtmlSize{0, 0}));
    EXPECT_TRUE(m_drawer.Lines().empty());
    Draw();
    EXPECT_TRUE(m_text.pieces.empty());
    EXPECT_EQ(Prepare("<font size=40></font>", 100), (HtmlSize{0, 0}));
    // A break is content: it takes a line.
    EXPECT_GT(Prepare("<br>").cy, 1);
}

TEST_F(DrawerReviewTest, AlignedLinesNeverStartLeftOfTheRectangle) {
    // A rule wider than the wrap width makes a line wider than the tip.
    Prepare("<right><hr width=300>x</right>", 100);
    Draw();
    ASSERT_FALSE(m_text.pieces.empty());
    EXPECT_GE(m_text.pieces[0].x, 0);
}

TEST_F(DrawerReviewTest, TabsOnCentredLinesMoveAsFarAsMeasured) {
    Prepare(std::string(kMono) + "<hr width=200><br><center>a\tb</center>");
    Draw();
    ASSERT_EQ(m_text.pieces.size(), 2u);
    EXPECT_EQ(m_text.pieces[1].x - m_text.pieces[0].x, 32);
}

} // namespace
} // namespace tooltip::testing

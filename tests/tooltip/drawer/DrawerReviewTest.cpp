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
    // The width of a text in a piece's font, without justification.
    int Width(const Piece& piece, std::string_view text) {
        gfx::LogFont logical;
        logical.height = piece.style.size;
        logical.weight = piece.style.weight;
        gfx::SetFaceName(logical, piece.style.face);
        const gfx::CFont previous = m_dc.SelectFont(gfx::CFont::Create(logical));
        const int cx = m_dc.GetTextExtent(text).cx;
        static_cast<void>(m_dc.SelectFont(previous));
        return cx;
    }
    // Every drawn piece lies inside the prepared width.
    void ExpectPiecesInside() {
        for (const Piece& piece : m_text.pieces) {
            const int cx = Width(piece, piece.text);
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
    // Nor do a tab or a rule of no width, alone or after the last line.
    EXPECT_EQ(Prepare("<t=0>"), (HtmlSize{0, 0}));
    EXPECT_EQ(Prepare("<hr width=0>"), (HtmlSize{0, 0}));
    const HtmlSize oneLine = Prepare("a<br>");
    EXPECT_EQ(Prepare("a<br><t=0>"), oneLine);
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

TEST_F(DrawerReviewTest, JustificationLeavesRoomForEveryElementOfTheLine) {
    // Tabs, rules and strings take their room before the spaces share what is left, a line
    // wider than the tip is never squeezed, and a string (whose spaces are no breaks) advances
    // alike in both passes. Each text is one link, so every piece has a hot area that shows
    // the width it was drawn at.
    m_strings[106] = "aa bb cc dd";
    const struct {
        const char* text;
        int wrap;
    } probes[] = {
        {"ab<t=2>cd ef gh ij kl mn op qr st uv wx yz ab cd ef gh ij kl mn op", 200},
        {"one two <hr width=30> three four five six seven eight nine ten eleven twelve", 200},
        {"one two three four <hr width=150> five six seven eight nine ten eleven", 200},
        {"aaa bbb <string idres=106> cc cc cc cc cc cc cc cc ddddddddddddddddddddddddddddddd", 300},
        {"a b <string idres=106> c d e f g h i j k l m n o p q r s t u v w x y z", 250},
    };
    for (const auto& probe : probes) {
        const std::string text = std::string("<justify><a href=x>") + probe.text + "</a></justify>";
        Prepare(text, probe.wrap);
        Draw();
        EXPECT_TRUE(m_drawer.DrawMatchedMeasure()) << text;
        const std::vector<HtmlHotArea>& areas = m_drawer.HotAreas();
        ASSERT_EQ(areas.size(), m_text.pieces.size()) << text;
        for (std::size_t i = 0; i < areas.size(); ++i) {
            const Piece& piece = m_text.pieces[i];
            EXPECT_GE(areas[i].right - areas[i].left, Width(piece, piece.text))
                << piece.text << " in " << text;
            if (i + 1 < areas.size() && areas[i + 1].top == areas[i].top) {
                EXPECT_LE(areas[i].right, areas[i + 1].left) << piece.text << " in " << text;
            }
        }
    }
}

TEST_F(DrawerReviewTest, AWordLongerThanTheLineIsCutAtTheLastCharacterThatFits) {
    const std::string word = "Wm" + std::string(400, 'i') + std::string(300, 'W') + "fijlmw";
    for (const int wrap : {1, 9, 50, 137, 500}) {
        Prepare(word + word, wrap);
        Draw();
        std::string joined;
        for (std::size_t i = 0; i < m_text.pieces.size(); ++i) {
            const Piece& piece = m_text.pieces[i];
            joined += piece.text;
            ASSERT_FALSE(piece.text.empty());
            if (i + 1 == m_text.pieces.size()) {
                break;
            }
            // As long as it fits, and one more character would not (a piece takes at least one).
            EXPECT_TRUE(piece.text.size() == 1 || Width(piece, piece.text) <= wrap) << wrap;
            EXPECT_GT(Width(piece, piece.text + m_text.pieces[i + 1].text[0]), wrap) << wrap;
        }
        EXPECT_EQ(joined, word + word) << wrap;
    }
}

} // namespace
} // namespace tooltip::testing

// The Draw pass places exactly the lines the Measure pass recorded, for every text: checked over
// a corpus of tricky texts at several wrap widths and alignments.

#include "DrawerFixture.h"

#include <string>
#include <vector>

namespace tooltip::testing {
namespace {

const std::vector<std::string>& Corpus() {
    static const std::vector<std::string> corpus = {
        "Name:<br> <b>Supercalifragilisticexpialidocious</b> ok",
        "Please enter your user id, then your password.",
        "x<br>  averyveryverylongwordthatneverfits and more",
        "Press Alt+<",
        "x <\nnext line < here",
        "a-b-c-d-e-f-g-h-i-j-k-l-m-n-o-p-q-r-s-t-u-v-w-x-y-z",
        "end.with.dots.everywhere.and,commas,too;semi;colons:here!bang?quest)paren]bracket}",
        "   leading spaces   and    many     gaps      between words        ",
        " ",
        "<b> </b><i> </i> <u>x</u>",
        "\t\ttabbed\tcolumns\there\t",
        "<hr width=50%>text after a rule that is long enough to wrap somewhere<hr>",
        "<font size=7>big</font> small <font size=1>tiny</font> <sub>sub</sub><sup>sup</sup>",
        "<a href=x>a link that wraps over more than one line of the tip</a> then text",
        "word <string idres=119> word <string idres=119><string idres=119><string idres=119>",
        "na\xC3\xAFve caf\xC3\xA9 \xC3\x85ngstr\xC3\xB6m \xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC",
        "<br=3>lines<br 2>and<t=4>tabs",
        "<b></b><i>",
        "a<table><tr><td>cell</td></tr></table>after the table text",
        "<h1>Title</h1><h6>small print under the title that wraps</h6>",
        "trailing space at a break <b>bold</b> ",
        "<font style=o>overlined text that wraps around</font>",
        "x                                                                                 y",
        "<table border=1><tr><td width=50>a cell that wraps inside its width</td><td>b c d e "
        "f</td></tr><tr><td colspan=2>a spanning cell with words</td></tr></table>tail words",
        "words <bmp idres=130> more words <icon idres=128 width=16 height=16> and "
        "<ilst idres=140 cx=16 speed=2> then <bmp idres=130 style=s> end",
        "<table><tr><td><table><tr><td>nested words here</td></tr></table> after</td></tr>",
    };
    return corpus;
}

class DrawerInvariantTest : public DrawerTest {};

TEST_F(DrawerInvariantTest, DrawPlacesTheMeasuredLines) {
    for (const char* align : {"", "<center>", "<right>", "<justify>"}) {
        for (const std::string& text : Corpus()) {
            for (const int wrap : {0, 1, 37, 100, 144, 480}) {
                Prepare(align + text, wrap);
                Draw();
                EXPECT_TRUE(m_drawer.DrawMatchedMeasure())
                    << "align '" << align << "' wrap " << wrap << ": " << text;
            }
        }
    }
}

TEST_F(DrawerInvariantTest, DrawingTwiceOrIntoADenseBitmapPlacesTheSameLines) {
    for (const std::string& text : Corpus()) {
        Prepare(text, 100);
        Draw();
        Draw();
        EXPECT_TRUE(m_drawer.DrawMatchedMeasure()) << text;
        gfx::CDc dense(gfx::CBitmap::Create(m_size.cx + 1, m_size.cy + 1, 2.0));
        m_drawer.DrawPreparedOutput(dense, HtmlRect{0, 0, m_size.cx, m_size.cy});
        EXPECT_TRUE(m_drawer.DrawMatchedMeasure()) << "ratio 2: " << text;
    }
}

} // namespace
} // namespace tooltip::testing

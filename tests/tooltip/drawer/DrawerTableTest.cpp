// Tables by their geometry: grid counts, cell records, column widths and row heights, and where
// cells are drawn (found through the hot areas of links inside them).

#include "DrawerFixture.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tooltip::testing {
namespace {

class DrawerTableTest : public DrawerTest {
protected:
    int W() { return Mono("a"); }
    int H() const { return MonoMetrics().height; }
    // A cell whose content is one monospaced letter inside a link, so its place shows.
    static std::string Cell(const std::string& attributes, const std::string& letter) {
        return "<td" + attributes + "><a href=" + letter + ">" + kMono + letter +
               "</font></a></td>";
    }
    const HtmlHotArea& Area(const std::string& target) {
        for (const HtmlHotArea& area : m_drawer.HotAreas()) {
            if (area.linkTarget == target) {
                return area;
            }
        }
        ADD_FAILURE() << "no area for " << target;
        static const HtmlHotArea none;
        return none;
    }
    void DrawInto(int width) {
        m_text.pieces.clear();
        m_drawer.DrawPreparedOutput(m_dc, HtmlRect{0, 0, width, 300});
        EXPECT_TRUE(m_drawer.DrawMatchedMeasure());
    }
};

TEST_F(DrawerTableTest, OneRowOfTwoFramedCells) {
    const HtmlSize size =
        Prepare("<table border=1><tr>" + Cell("", "a") + Cell("", "b") + "</tr></table>");
    ASSERT_EQ(m_drawer.Tables().size(), 1u);
    const HtmlTable& table = m_drawer.Tables()[0];
    EXPECT_EQ(table.columns, 2);
    EXPECT_EQ(table.rows, 1);
    // Each cell: its content, a one-pixel frame and padding 2 on each side.
    EXPECT_EQ(table.columnWidths, (std::vector<int>{W() + 6, W() + 6}));
    EXPECT_EQ(table.rowHeights, (std::vector<int>{H() + 6}));
    // Spacing 0, the cells one pixel apart, the table's frame on both sides.
    EXPECT_EQ(size.cx, 1 + 2 * (W() + 6) + 2 + 1);
    EXPECT_EQ(size.cy, H() + 6 + 2 + 1);
    DrawInto(size.cx);
    EXPECT_EQ(Area("a").left, 1 + 3);
    EXPECT_EQ(Area("b").left, 1 + W() + 6 + 1 + 3);
    EXPECT_EQ(Area("a").top, 1 + 3);
}

TEST_F(DrawerTableTest, AThickTableFrameLeavesCellFramesOnePixel) {
    const HtmlSize size =
        Prepare("<table border=3><tr>" + Cell("", "a") + Cell("", "b") + "</tr></table>");
    EXPECT_EQ(m_drawer.Tables()[0].columnWidths, (std::vector<int>{W() + 6, W() + 6}));
    EXPECT_EQ(size.cx, 1 + 2 * (W() + 6) + 6 + 1);
    DrawInto(size.cx);
    EXPECT_EQ(Area("a").left, 3 + 3);
    // A double frame is one pixel wide and takes three on each side.
    const HtmlSize doubled =
        Prepare("<table border=4 borderstyle=double><tr>" + Cell("", "a") + "</tr></table>");
    EXPECT_EQ(doubled.cx, W() + 6 + 6 + 1);
}

TEST_F(DrawerTableTest, FixedColumnsKeepTheirWidthWhileOthersStretch) {
    Prepare("<table><tr>" + Cell(" width=100", "a") + Cell("", "b") + "</tr></table>");
    EXPECT_EQ(m_drawer.Tables()[0].fixedColumns, (std::vector<int>{1, 0}));
    DrawInto(300);
    EXPECT_EQ(m_drawer.Tables()[0].columnWidths, (std::vector<int>{104, 300 - 1 - 104}));
    EXPECT_EQ(Area("b").left, 104 + 1 + 2);
    // Every column fixed: the table is placed by its alignment (which its cells' text inherits).
    Prepare("<table align=center><tr>" + Cell(" width=50", "a") + "</tr></table>");
    DrawInto(300);
    EXPECT_EQ(Area("a").left, (300 - 54) / 2 + 2 + (50 - W()) / 2);
    Prepare("<table align=right><tr>" + Cell(" width=50", "a") + "</tr></table>");
    DrawInto(300);
    EXPECT_EQ(Area("a").left, 300 - 54 + 2 + 50 - W());
}

TEST_F(DrawerTableTest, SpareWidthIsSharedOverTheLooseColumns) {
    const std::string text =
        "<table><tr>" + Cell("", "a") + Cell("", "b") + Cell("", "c") + "</tr></table>";
    const HtmlSize size = Prepare(text);
    const int natural = size.cx - 1;
    DrawInto(natural + 30);
    EXPECT_EQ(m_drawer.Tables()[0].columnWidths, (std::vector<int>{W() + 14, W() + 14, W() + 14}));
    Prepare(text);
    DrawInto(natural + 31);
    EXPECT_EQ(m_drawer.Tables()[0].columnWidths, (std::vector<int>{W() + 14, W() + 14, W() + 15}));
}

TEST_F(DrawerTableTest, SpansPushLaterCellsAlong) {
    Prepare("<table><tr>" + Cell(" colspan=2 rowspan=2", "a") + Cell("", "b") + "</tr><tr>" +
            Cell("", "c") + "</tr></table>");
    const HtmlTable& table = m_drawer.Tables()[0];
    ASSERT_EQ(table.columns, 3);
    ASSERT_EQ(table.rows, 2);
    HtmlTable copy = table;
    EXPECT_EQ(copy.At(0, 0).columnSpan, 2);
    EXPECT_EQ(copy.At(0, 0).rowSpan, 2);
    EXPECT_EQ(copy.At(1, 0).columnSpan, -1);
    EXPECT_EQ(copy.At(1, 1).columnSpan, -1);
    EXPECT_EQ(copy.At(1, 2).columnSpan, 1);
    DrawInto(m_size.cx);
    EXPECT_EQ(Area("c").left, Area("b").left);
    EXPECT_GT(Area("c").top, Area("b").top);
}

TEST_F(DrawerTableTest, MissingEndsAndNesting) {
    // No "</tr": one row of one cell.
    Prepare("<table><tr>" + Cell("", "x") + "</table>");
    EXPECT_EQ(m_drawer.Tables()[0].columns, 1);
    EXPECT_EQ(m_drawer.Tables()[0].rows, 1);
    // No "</table": the table runs to the end of the text and nothing of it shows as words.
    Prepare("Intro<table><tr><td>x</td></tr>");
    Draw();
    std::string drawn;
    for (const Piece& piece : m_text.pieces) {
        drawn += piece.text;
    }
    EXPECT_EQ(drawn, "Introx");
    // A nested table is measured inside its cell, which grows to hold it.
    Prepare("<table><tr><td><table><tr><td width=80>x</td></tr></table></td></tr></table>");
    ASSERT_EQ(m_drawer.Tables().size(), 2u);
    EXPECT_EQ(m_drawer.Tables()[1].columnWidths, (std::vector<int>{84}));
    EXPECT_EQ(m_drawer.Tables()[0].columnWidths, (std::vector<int>{84 + 4}));
}

// A nested table's rows end inside it: the outer row goes on after it, and gains no rows from it.
TEST_F(DrawerTableTest, NestedTablesEndTheirOwnRows) {
    Prepare("<table border=1><tr><td><table border=1><tr>" + Cell("", "i") + "</tr></table></td>" +
            Cell("", "s") + "</tr></table>");
    DrawInto(m_size.cx);
    EXPECT_EQ(m_drawer.Tables()[0].columns, 2);
    EXPECT_EQ(m_drawer.Tables()[0].rows, 1);
    EXPECT_GT(Area("s").left, Area("i").right);
    const std::string inner =
        "<table cellspacing=10><tr><td>a</td></tr><tr><td>b</td></tr><tr><td>c</td></tr></table>";
    const HtmlSize nested =
        Prepare("<table cellspacing=10><tr><td>" + inner + "</td></tr></table>");
    EXPECT_EQ(m_drawer.Tables()[0].rows, 1);
    const HtmlSize alone = Prepare(inner);
    // One row of one cell around the inner table: spacing on both sides, padding 2.
    EXPECT_EQ(nested.cy, alone.cy + 2 * 10 + 4);
}

// The grids of all tables together hold positions in proportion to the text, and no position is
// taken by two cells, however the spans overlap.
TEST_F(DrawerTableTest, GridsStayInProportionToTheText) {
    std::string unit = "<table>";
    for (int i = 0; i < 999; ++i) {
        unit += "<tr</tr";
    }
    unit += "<tr><td colspan=1000>x</td></tr></table>";
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += unit;
    }
    Prepare(text, 480);
    std::size_t positions = 0;
    for (const HtmlTable& table : m_drawer.Tables()) {
        positions += table.grid.size();
    }
    EXPECT_LE(positions, 100000 + text.size());
    Prepare("<table><tr><td>a</td><td colspan=3 rowspan=4>b</td></tr><tr><td colspan=4 "
            "rowspan=3>c</td></tr><tr><td>d</td></tr></table>");
    HtmlTable table = m_drawer.Tables()[0];
    ASSERT_EQ(table.columns, 4);
    std::vector<int> owners(table.grid.size(), 0);
    for (int r = 0; r < table.rows; ++r) {
        for (int c = 0; c < table.columns; ++c) {
            const HtmlCell cell = table.At(r, c);
            for (int i = r; i < r + std::max(cell.rowSpan, 0); ++i) {
                for (int k = c; k < c + std::max(cell.columnSpan, 0); ++k) {
                    ++owners[static_cast<std::size_t>(i * table.columns + k)];
                }
            }
        }
    }
    EXPECT_EQ(*std::max_element(owners.begin(), owners.end()), 1);
    // "c" fits only in the first column, below "a"; "d" finds no free position.
    EXPECT_EQ(table.At(1, 0).columnSpan, 1);
    EXPECT_EQ(table.At(1, 0).rowSpan, 2);
    Draw();
    EXPECT_TRUE(m_drawer.DrawMatchedMeasure());
}

TEST_F(DrawerTableTest, AttributeNamesAreExact) {
    Prepare("<table><tr><td BGCOLOR=red>x</td><td bgcolor=red>y</td></tr></table>");
    m_dc.FillSolidRect({0, 0, 600, 400}, gfx::Rgb(255, 255, 255));
    Draw();
    const gfx::Pixel red = gfx::PixelFromColor(gfx::Rgb(255, 0, 0));
    EXPECT_NE(m_dc.Bitmap().GetPixel(1, 1), red);
    EXPECT_EQ(m_dc.Bitmap().GetPixel(m_size.cx - 3, 1), red);
}

TEST_F(DrawerTableTest, HostileTablesStayInsideTheirGrid) {
    std::string wide = "<table><tr>";
    for (int i = 0; i < 2000; ++i) {
        wide += "<td>x</td>";
    }
    wide += "</tr><tr><td colspan=100000 rowspan=100000>y</td><td colspan=0>z</td></tr></table>";
    Prepare(wide, 480);
    Draw();
    EXPECT_TRUE(m_drawer.DrawMatchedMeasure());
    const HtmlTable& table = m_drawer.Tables()[0];
    EXPECT_EQ(table.columns, 1000);
    EXPECT_EQ(table.rows, 2);
    HtmlTable copy = table;
    EXPECT_EQ(copy.At(1, 0).columnSpan, 1000);
    EXPECT_EQ(copy.At(1, 0).rowSpan, 1);

    std::string deep;
    for (int i = 0; i < 50; ++i) {
        deep += "<table border=1><tr><td>";
    }
    deep += "core";
    for (int i = 0; i < 50; ++i) {
        deep += "</td></tr></table>";
    }
    Prepare(deep, 480);
    Draw();
    EXPECT_TRUE(m_drawer.DrawMatchedMeasure());
    EXPECT_LE(m_drawer.Tables().size(), 50u);
    // Rows and cells that open without closing, many of them: each part of the text is searched
    // a bounded number of times, so this takes as long as a table of that size should.
    std::string open = "<table>";
    for (int i = 0; i < 20000; ++i) {
        open += "<tr><td>x</td>";
    }
    Prepare(open + "</table>", 480);
    EXPECT_EQ(m_drawer.Tables()[0].rows, 1);
    EXPECT_EQ(m_drawer.Tables()[0].columns, 1000);
    // Unclosed tables nested and cells past the counted grid.
    for (const std::string text :
         {"<table><table><table><tr><td>a", "<table><tr><td>a</td></tr><tr><td>b<td>c<td>d",
          "<table><tr></tr><tr><td rowspan=-5 colspan=-5>q</td></tr></table>", "<table", "<table>",
          "x<table><tr><td><table><tr><td>y</td></tr></table>z"}) {
        Prepare(text, 100);
        Draw();
        EXPECT_TRUE(m_drawer.DrawMatchedMeasure()) << text;
    }
}

} // namespace
} // namespace tooltip::testing

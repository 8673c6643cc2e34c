#include "DrawerFixture.h"

namespace tooltip::testing {
namespace {

class DrawerLinkTest : public DrawerTest {
protected:
    void Show(std::string_view text) {
        Prepare(text);
        Draw();
    }
    HtmlPoint Inside(std::size_t area) const {
        const HtmlHotArea& a = m_drawer.HotAreas().at(area);
        return {(a.left + a.right) / 2, (a.top + a.bottom) / 2};
    }
    std::vector<std::intptr_t> Reports() const {
        std::vector<std::intptr_t> reports;
        for (const auto& m : m_window.messages) {
            EXPECT_EQ(m.message, CHtmlDrawer::TipRepaintMessage);
            EXPECT_EQ(m.lParam, 0);
            reports.push_back(m.wParam);
        }
        return reports;
    }
};

TEST_F(DrawerLinkTest, LinksAreNumberedInLayoutOrder) {
    Show("<a href=one>first</a> and <a msg=two>second</a>");
    const auto& areas = m_drawer.HotAreas();
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas[0].linkNumber, 0);
    EXPECT_EQ(areas[0].linkKind, LinkHref);
    EXPECT_EQ(areas[0].linkTarget, "one");
    EXPECT_EQ(areas[1].linkNumber, 1);
    EXPECT_EQ(areas[1].linkKind, LinkMessage);
    // Repaints record the areas afresh instead of adding copies.
    Draw();
    EXPECT_EQ(m_drawer.HotAreas().size(), 2u);
}

TEST_F(DrawerLinkTest, OneReportPerChangeOfHoveredLink) {
    Show("<a href=one>first</a> and <a href=two>second</a>");
    const HtmlPoint first = Inside(0);
    const HtmlPoint second = Inside(1);
    EXPECT_TRUE(m_drawer.OnSetCursor(first));
    EXPECT_TRUE(m_drawer.OnSetCursor(first));
    EXPECT_TRUE(m_drawer.OnSetCursor(second));
    EXPECT_FALSE(m_drawer.OnSetCursor({-5, -5}));
    EXPECT_FALSE(m_drawer.OnSetCursor({-6, -5}));
    EXPECT_EQ(Reports(), (std::vector<std::intptr_t>{0, 1, -2}));
    EXPECT_EQ(m_cursor.handSet, 3);
}

TEST_F(DrawerLinkTest, HoveredLinkIsDrawnInTheHoverStyle) {
    Show("<a href=one>first</a>");
    ASSERT_EQ(m_text.pieces.size(), 1u);
    EXPECT_EQ(m_text.pieces[0].style.underline, 0);
    EXPECT_EQ(m_text.pieces[0].style.colour, 0xFF0000u);
    m_drawer.OnSetCursor(Inside(0));
    Draw();
    EXPECT_EQ(m_text.pieces[0].style.underline, 1);
    // The hovered number survives a new Measure pass.
    Show("<a href=one>first</a>");
    EXPECT_EQ(m_text.pieces[0].style.underline, 1);
}

TEST_F(DrawerLinkTest, EdgesOfAnAreaAreInside) {
    Show("<a href=one>first</a>");
    const HtmlHotArea area = m_drawer.HotAreas().at(0);
    EXPECT_EQ(m_drawer.HitTestHotAreas({area.right, area.bottom}), 0);
    EXPECT_EQ(m_drawer.HitTestHotAreas({area.left, area.top}), 0);
    EXPECT_EQ(m_drawer.HitTestHotAreas({area.right + 1, area.bottom}), -1);
    EXPECT_EQ(m_drawer.HitTestHotAreas({area.right, area.bottom + 1}), -1);
}

TEST_F(DrawerLinkTest, HandCursorOnlyForLinksWithATarget) {
    Show("<a title=x>plain</a>");
    ASSERT_EQ(m_drawer.HotAreas().size(), 1u);
    EXPECT_EQ(m_drawer.HotAreas()[0].linkKind, LinkMessage);
    EXPECT_FALSE(m_drawer.OnSetCursor(Inside(0)));
    EXPECT_EQ(Reports(), (std::vector<std::intptr_t>{0}));
    m_drawer.OnLButtonDown(Inside(0));
    Show("<a msg=hello>x</a>");
    EXPECT_TRUE(m_drawer.OnSetCursor(Inside(0)));
    m_drawer.OnLButtonDown(Inside(0));
    EXPECT_TRUE(m_opener.opened.empty());
    EXPECT_EQ(m_cursor.handSet, 1);
}

TEST_F(DrawerLinkTest, ClickOpensTheTargetAsOneArgument) {
    Show("<a href='http://example.com/a b?x=1&y=\"2\"; rm -rf ~'>go</a> <a href=>empty</a>");
    m_drawer.OnLButtonDown(Inside(0));
    m_drawer.OnLButtonDown(Inside(1));
    m_drawer.OnLButtonDown({-3, -3});
    EXPECT_EQ(m_opener.opened,
              (std::vector<std::string>{"http://example.com/a b?x=1&y=\"2\"; rm -rf ~"}));
}

TEST_F(DrawerLinkTest, NoReportsWithoutAHoverWindow) {
    m_drawer.SetHoverCallback(nullptr);
    Show("<a href=one>first</a>");
    EXPECT_TRUE(m_drawer.OnSetCursor(Inside(0)));
    EXPECT_EQ(m_drawer.HoveredLink(), 0);
    EXPECT_TRUE(m_window.messages.empty());
}

} // namespace
} // namespace tooltip::testing

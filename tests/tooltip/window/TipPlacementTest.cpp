// Where tips go: the direction and anchor point chosen for the cursor and the screen, and the
// window that a shown tip takes.

#include "tooltip/window/TipWindowFixture.h"

#include "tooltip/window/TipPlacement.h"

namespace tooltip::test {

namespace {

constexpr gfx::Rect kScreen{0, 0, 1920, 1080};

struct PlacementCase {
    const char* name;
    gfx::Point point;
    int start;
    gfx::Size body;
    gfx::Rect screen;
    int direction;
    gfx::Point anchor;
};

// Bodies of 200 x 60 make windows of 200 x 76.
const PlacementCase kCases[] = {
    {"default above, anchor near the left end",
     {500, 500},
     AboveAnchorLeft,
     {200, 60},
     kScreen,
     AboveAnchorLeft,
     {16, 76}},
    {"right edge moves the anchor to the right end",
     {1800, 500},
     AboveAnchorLeft,
     {200, 60},
     kScreen,
     AboveAnchorRight,
     {184, 76}},
    {"exactly fitting on the right stays",
     {1736, 500},
     AboveAnchorLeft,
     {200, 60},
     kScreen,
     AboveAnchorLeft,
     {16, 76}},
    {"neither end fits: centred, left edge on the screen's",
     {100, 500},
     AboveAnchorLeft,
     {280, 60},
     {0, 0, 300, 1080},
     AboveAnchorCentre,
     {100, 76}},
    {"neither end fits: centred, right edge on the screen's",
     {250, 500},
     AboveAnchorLeft,
     {280, 60},
     {0, 0, 300, 1080},
     AboveAnchorCentre,
     {230, 76}},
    {"top edge flips below",
     {500, 50},
     AboveAnchorLeft,
     {200, 60},
     kScreen,
     BelowAnchorLeft,
     {16, 0}},
    {"bottom edge flips a below tip above",
     {500, 1050},
     BelowAnchorLeft,
     {200, 60},
     kScreen,
     AboveAnchorLeft,
     {16, 76}},
    {"too tall either way: flips once and stays",
     {500, 500},
     AboveAnchorLeft,
     {200, 1000},
     kScreen,
     BelowAnchorLeft,
     {16, 0}},
    {"right end near the left edge moves to the left end",
     {50, 500},
     AboveAnchorRight,
     {200, 60},
     kScreen,
     AboveAnchorLeft,
     {16, 76}},
    {"right end with no room either way centres",
     {100, 500},
     AboveAnchorRight,
     {280, 60},
     {0, 0, 300, 1080},
     AboveAnchorCentre,
     {100, 76}},
    {"centred near the left edge moves to the left end",
     {10, 500},
     AboveAnchorCentre,
     {200, 60},
     kScreen,
     AboveAnchorLeft,
     {10, 76}},
    {"centred near the right edge moves to the right end",
     {1910, 500},
     AboveAnchorCentre,
     {200, 60},
     kScreen,
     AboveAnchorRight,
     {190, 76}},
    {"centred with room stays centred",
     {900, 500},
     AboveAnchorCentre,
     {201, 60},
     kScreen,
     AboveAnchorCentre,
     {100, 76}},
    {"left end clamped at the screen's left edge",
     {5, 500},
     AboveAnchorLeft,
     {200, 60},
     kScreen,
     AboveAnchorLeft,
     {5, 76}},
    {"monitor left of the primary: no clamp at 0",
     {5, 500},
     AboveAnchorLeft,
     {200, 60},
     {-1920, 0, 1920, 1080},
     AboveAnchorLeft,
     {16, 76}},
    {"monitor above the primary: no flip at 0",
     {500, 40},
     AboveAnchorLeft,
     {200, 60},
     {0, -1080, 1920, 1080},
     AboveAnchorLeft,
     {16, 76}},
};

TEST(PlaceTip, FollowsTheRulesForEachSide) {
    const TipSettings settings;
    for (const PlacementCase& c : kCases) {
        const TipPlacement p = PlaceTip(c.point, c.start, c.body, c.screen, settings);
        EXPECT_EQ(p.direction, c.direction) << c.name;
        EXPECT_EQ(p.anchor, c.anchor) << c.name;
        EXPECT_EQ(p.window, (gfx::Size{c.body.cx, c.body.cy + 16})) << c.name;
        // The body lies on the screen whenever it can.
        if (c.body.cx <= c.screen.Width()) {
            EXPECT_GE(c.point.x - p.anchor.x, c.screen.left) << c.name;
            EXPECT_LE(c.point.x - p.anchor.x + c.body.cx, c.screen.right) << c.name;
        }
    }
}

class TipShowTest : public TipWindowTest {};

TEST_F(TipShowTest, DefaultTipLiesAboveWithItsAnchorPointOnTheCursor) {
    ShowFirst();
    CHtmlDrawer measure(TestServices());
    gfx::CDc dc;
    const HtmlSize text = measure.PrepareOutput(dc, "First tip");
    const gfx::Rect popup = windows.Get(tip.Window()).screenRect;
    EXPECT_EQ(popup.Width(), text.cx + 30);
    EXPECT_EQ(popup.Height(), text.cy + 46);
    EXPECT_EQ(popup.left, 150 - 16);
    EXPECT_EQ(popup.top + tip.Placement().anchor.y, 130);
    EXPECT_EQ(tip.Placement().direction, AboveAnchorLeft);
    EXPECT_EQ(tip.TextRect(), (gfx::Rect{12, 12, 12 + text.cx, 12 + text.cy}));
}

TEST_F(TipShowTest, TipNearTheTopFlipsBelowWithItsTextMovedDown) {
    const WindowHandle high = windows.AddWindow(dialog, {120, 0, 220, 30});
    windows.Get(dialog).screenRect.top = 0;
    tip.RegisterTool(high, "High");
    Move({150, 10});
    windows.Advance(500);
    ASSERT_TRUE(Shown());
    EXPECT_EQ(tip.Placement().direction, BelowAnchorLeft);
    EXPECT_EQ(tip.TextRect().top, 12 + 16);
    EXPECT_EQ(windows.Get(tip.Window()).screenRect.top, 10);
}

TEST_F(TipShowTest, VirtualScreenSpansEveryMonitor) {
    windows.SetScreens({{0, 0, 1920, 1080}, {-1280, -200, 0, 824}});
    EXPECT_EQ(tip.GetVirtualScreenMetric(76), -1280);
    EXPECT_EQ(tip.GetVirtualScreenMetric(77), -200);
    EXPECT_EQ(tip.GetVirtualScreenMetric(78), 3200);
    EXPECT_EQ(tip.GetVirtualScreenMetric(79), 1280);
    EXPECT_EQ(tip.GetVirtualScreenMetric(80), 2);
    EXPECT_EQ(tip.GetVirtualScreenMetric(0), 0);
}

TEST_F(TipShowTest, TipMayStraddleTwoMonitors) {
    windows.SetScreens({{0, 0, 1920, 1080}, {-1920, 0, 0, 1080}});
    const WindowHandle edge = windows.AddWindow({}, {0, 500, 40, 540});
    const WindowHandle control = windows.AddWindow(edge, {0, 500, 40, 540});
    tip.RegisterTool(control, "Straddling");
    Move({4, 520});
    windows.Advance(500);
    ASSERT_TRUE(Shown());
    EXPECT_EQ(windows.Get(tip.Window()).screenRect.left, 4 - 16);
}

TEST_F(TipShowTest, WrapWidthLimitsTheTipsWidth) {
    tip.SetWrapWidth(120);
    tip.RegisterTool(first, "A long tip text that cannot fit on one line of a hundred and twenty");
    ShowFirst();
    EXPECT_LE(tip.TextRect().Width(), 121); // the drawer's lines may reach one pixel past
    EXPECT_GT(tip.TextRect().Height(), 20);
}

} // namespace

} // namespace tooltip::test

// The tip's shape, background and composition, pixel for pixel on small tips.

#include "tooltip/window/TipWindowFixture.h"

#include "tooltip/draw/CDrawManager.h"
#include "tooltip/window/TipShape.h"

#include <utility>

namespace tooltip::test {

namespace {

constexpr gfx::ColorRef kContent = gfx::Rgb(250, 240, 20);
constexpr int kBeneath = 200;

// The first and one-past-last column of a row of the region; (0, 0) for an empty row.
std::pair<int, int> RowSpan(const gfx::CRegion& region, int y, int width) {
    int first = -1;
    int last = -1;
    for (int x = -2; x < width + 2; ++x) {
        if (region.Contains(x, y)) {
            if (first < 0) {
                first = x;
            }
            last = x;
        }
    }
    return first < 0 ? std::pair{0, 0} : std::pair{first, last + 1};
}

// A 40 x 20 body with its anchor: 40 x 36.
TipPlacement SmallTip(int direction, int anchorX) {
    const bool below = IsBelow(direction);
    return TipPlacement{{40, 36}, {anchorX, below ? 0 : 36}, direction};
}

TEST(TipRegion, AboveLeftBodyIsRoundedAndItsAnchorStandsUprightAtTheMargin) {
    const TipSettings settings;
    const gfx::CRegion region = BuildTipRegion(SmallTip(AboveAnchorLeft, 16), settings);
    EXPECT_EQ(region.Bounds().left, 0);
    EXPECT_EQ(region.Bounds().right, 40);
    EXPECT_EQ(region.Bounds().top, 0);
    EXPECT_LE(region.Bounds().bottom, 36);
    // Rounded corners: the first row is narrower than the middle rows, which span the body.
    EXPECT_GT(RowSpan(region, 0, 40).first, 0);
    EXPECT_LT(RowSpan(region, 0, 40).second, 40);
    EXPECT_EQ(RowSpan(region, 10, 40), (std::pair{0, 40}));
    // The triangle below the body: its left side stands upright over x = 16 and it narrows down
    // to the point from a base 12 wide.
    EXPECT_EQ(RowSpan(region, 20, 40), (std::pair{16, 28}));
    int previousWidth = 12;
    for (int y = 21; y < 36; ++y) {
        const auto [first, end] = RowSpan(region, y, 40);
        if (end == 0) {
            continue;
        }
        EXPECT_EQ(first, 16) << y;
        EXPECT_LE(end - first, previousWidth) << y;
        previousWidth = end - first;
    }
    EXPECT_LE(previousWidth, 2);
}

TEST(TipRegion, BelowRightAnchorRisesFromTheTopEdge) {
    const TipSettings settings;
    const gfx::CRegion region = BuildTipRegion(SmallTip(BelowAnchorRight, 24), settings);
    EXPECT_EQ(RowSpan(region, 26, 40), (std::pair{0, 40})); // the body is rows 16 to 35
    EXPECT_EQ(RowSpan(region, 15, 40).second, 24);          // next to the base, 12 wide
    EXPECT_LE(RowSpan(region, 15, 40).first, 13);
    // The right side stands upright over x = 40 - 16 = 24, pixels left of it.
    for (int y = 1; y < 16; ++y) {
        const auto [first, end] = RowSpan(region, y, 40);
        if (end != 0) {
            EXPECT_EQ(end, 24) << y;
            EXPECT_GE(first, 12) << y;
        }
    }
    EXPECT_FALSE(region.Contains(30, 5));
}

TEST(TipRegion, CentredAnchorIsCentredOnItsPoint) {
    const TipSettings settings;
    const gfx::CRegion region = BuildTipRegion(SmallTip(AboveAnchorCentre, 20), settings);
    EXPECT_EQ(RowSpan(region, 20, 40), (std::pair{14, 26}));
}

TEST(TipBackground, AnchorStripRepeatsTheBodysRowAcrossTheWidth) {
    const TipSettings settings;
    gfx::CDc dc;
    for (const int direction : {AboveAnchorLeft, BelowAnchorLeft}) {
        const TipPlacement placement = SmallTip(direction, 16);
        const gfx::CBitmap background =
            BuildTipBackground(dc, placement, settings, kInfoBackground);
        ASSERT_EQ(background.GetSize(), (gfx::Size{40, 36}));
        const gfx::Rect body = TipBodyRect(placement, settings);
        const int row = IsBelow(direction) ? body.top + 1 : body.bottom - 1;
        for (int y = 0; y < 36; ++y) {
            for (int x = 0; x < 40; ++x) {
                ASSERT_EQ(background.GetPixel(x, y), background.GetPixel(x, row)) << x << "," << y;
            }
        }
        EXPECT_EQ(gfx::ColorFromPixel(background.GetPixel(0, 0)), kInfoBackground);
    }
}

TEST(TipShadow, MaskGreyFollowsTheDarkness) {
    EXPECT_EQ(ShadowMaskGrey(50), 128);
    EXPECT_EQ(ShadowMaskGrey(0), 255);
    EXPECT_EQ(ShadowMaskGrey(100), 0);
}

class TipCompositionTest : public ::testing::Test {
protected:
    TipCompositionTest() {
        parts.region = BuildTipRegion(placement, settings);
        parts.tip = placement.window;
        parts.window = {46, 42};
        parts.content = gfx::CBitmap::Create(46, 42);
        gfx::CDc(parts.content).FillSolidRect({0, 0, 46, 42}, kContent);
        parts.beneath = gfx::CBitmap::Create(46, 42);
        gfx::CDc(parts.beneath)
            .FillSolidRect({0, 0, 46, 42}, gfx::Rgb(kBeneath, kBeneath, kBeneath));
    }

    // The beneath picture darkened through the region moved by the shadow offset, as the draw
    // manager's softened shadow does it.
    gfx::CBitmap ExpectedShadow(const gfx::CBitmap& beneath) {
        gfx::CBitmap expected = beneath.Clone();
        gfx::CDc dc(expected);
        gfx::CBitmap mask = gfx::CBitmap::Create(40, 36);
        gfx::CDc maskDc(mask);
        maskDc.FillSolidRect({0, 0, 40, 36}, gfx::Rgb(255, 255, 255));
        maskDc.FillRegion(parts.region, gfx::CBrush(gfx::Rgb(128, 128, 128)));
        CDrawManager manager;
        manager.CastShadow(dc, 6, 6, 40, 36, mask, true, 7, 7);
        return expected;
    }

    TipSettings settings;
    TipPlacement placement = SmallTip(AboveAnchorLeft, 16);
    TipComposition parts;
    CDrawManager drawManager;
};

TEST_F(TipCompositionTest, ContentInsideTheShapeAndTheScreenDarkenedInTheBand) {
    const gfx::CBitmap composed = ComposeTip(drawManager, parts, settings);
    const gfx::CBitmap shadow = ExpectedShadow(parts.beneath);
    int darkened = 0;
    for (int y = 0; y < 42; ++y) {
        for (int x = 0; x < 46; ++x) {
            const gfx::Pixel got = composed.GetPixel(x, y);
            if (parts.region.Contains(x, y)) {
                ASSERT_EQ(gfx::ColorFromPixel(got), kContent) << x << "," << y;
            } else {
                ASSERT_EQ(gfx::ColorFromPixel(got), gfx::ColorFromPixel(shadow.GetPixel(x, y)))
                    << x << "," << y;
                darkened += gfx::PixelRed(got) < kBeneath ? 1 : 0;
                ASSERT_GE(gfx::PixelRed(got), kBeneath / 2) << x << "," << y;
            }
        }
    }
    EXPECT_GT(darkened, 100);
    // Beyond the shadow's reach the screen shows as it was.
    EXPECT_EQ(gfx::PixelRed(composed.GetPixel(45, 0)), kBeneath);
    EXPECT_EQ(gfx::PixelRed(composed.GetPixel(0, 41)), kBeneath);
    // Just right of the body's middle, the band is darkened.
    EXPECT_LT(gfx::PixelRed(composed.GetPixel(41, 12)), kBeneath);
}

TEST_F(TipCompositionTest, TranslucentBandIsBlackWithTheDarkeningAsAlpha) {
    parts.translucent = true;
    const gfx::CBitmap composed = ComposeTip(drawManager, parts, settings);
    gfx::CBitmap white = gfx::CBitmap::Create(46, 42);
    gfx::CDc(white).FillSolidRect({0, 0, 46, 42}, gfx::Rgb(255, 255, 255));
    const gfx::CBitmap shadow = ExpectedShadow(white);
    for (int y = 0; y < 42; ++y) {
        for (int x = 0; x < 46; ++x) {
            const gfx::Pixel got = composed.GetPixel(x, y);
            if (parts.region.Contains(x, y)) {
                ASSERT_EQ(got, gfx::PixelFromColor(kContent) | 0xFF000000u) << x << "," << y;
            } else {
                const int alpha = 255 - gfx::PixelRed(shadow.GetPixel(x, y));
                ASSERT_EQ(got, static_cast<gfx::Pixel>(alpha) << 24) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(composed.GetPixel(45, 0), 0u); // nothing at all beyond the shadow
}

TEST_F(TipWindowTest, ShownTipShowsBorderBodyAndTheScreenUnderItsCorners) {
    gfx::CBitmap screen = gfx::CBitmap::Create(1920, 1080);
    gfx::CDc(screen).FillSolidRect({0, 0, 1920, 1080}, gfx::Rgb(30, 60, 90));
    windows.SetScreenPicture(screen);
    ShowFirst();
    const gfx::CBitmap pixels = windows.PopupPixels(tip.Window());
    const int bodyMiddle = (tip.Placement().window.cy - 16) / 2;
    EXPECT_EQ(gfx::ColorFromPixel(pixels.GetPixel(0, bodyMiddle)), kInfoText); // the border
    EXPECT_EQ(gfx::ColorFromPixel(pixels.GetPixel(2, bodyMiddle)), kInfoBackground);
    EXPECT_EQ(gfx::ColorFromPixel(pixels.GetPixel(0, 0)), gfx::Rgb(30, 60, 90)); // a corner
    EXPECT_EQ(windows.Get(tip.Window()).paints, 1);
    EXPECT_EQ(tip.CurrentTool(), first);
}

TEST_F(TipWindowTest, RepaintReusesTheScreenTakenAtTheFirstPaint) {
    gfx::CBitmap screen = gfx::CBitmap::Create(1920, 1080);
    gfx::CDc(screen).FillSolidRect({0, 0, 1920, 1080}, gfx::Rgb(30, 60, 90));
    windows.SetScreenPicture(screen);
    ShowFirst();
    const gfx::CBitmap before = windows.PopupPixels(tip.Window()).Clone();
    tip.DrawTipNow(); // the window's pixels now hold the tip, not the screen
    const gfx::CBitmap after = windows.PopupPixels(tip.Window());
    for (int y = 0; y < before.Height(); ++y) {
        for (int x = 0; x < before.Width(); ++x) {
            ASSERT_EQ(after.GetPixel(x, y), before.GetPixel(x, y)) << x << "," << y;
        }
    }
}

TEST_F(TipWindowTest, WindowShapeIsTheTipWithItsShadowCopy) {
    ShowFirst();
    const gfx::CRegion& shape = windows.Get(tip.Window()).shape;
    gfx::CRegion expected = tip.TipRegion();
    gfx::CRegion moved = expected;
    moved.Offset(6, 6);
    EXPECT_EQ(shape, expected.United(moved));
}

} // namespace

} // namespace tooltip::test

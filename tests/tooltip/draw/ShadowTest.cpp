#include "tooltip/draw/CDrawManager.h"

#include <gtest/gtest.h>

namespace tooltip {
namespace {

using gfx::CBitmap;
using gfx::CDc;
using gfx::MakePixel;
using gfx::Pixel;
using gfx::Rgb;

// A mask of the area's size: white, with a grey-128 square from (20, 10) to (40, 30).
CBitmap SquareMask() {
    CBitmap mask = CBitmap::Create(60, 40);
    CDc dc(mask);
    dc.FillSolidRect({0, 0, 60, 40}, Rgb(255, 255, 255));
    dc.FillSolidRect({20, 10, 40, 30}, Rgb(128, 128, 128));
    return mask;
}

CBitmap GreyArea(int level) {
    CBitmap area = CBitmap::Create(60, 40);
    std::fill(area.Bits(), area.Bits() + 60 * 40, MakePixel(level, level, level, 7));
    return area;
}

TEST(ShadowTest, HardShadowDarkensByTheMaskLevel) {
    CDrawManager manager;
    CBitmap area = GreyArea(200);
    CDc dc(area);
    manager.CastShadow(dc, 0, 0, 60, 40, SquareMask(), false, 7, 7);
    EXPECT_EQ(area.GetPixel(30, 20), MakePixel(100, 100, 100)); // trunc(200 * 128 / 255)
    EXPECT_EQ(area.GetPixel(20, 10), MakePixel(100, 100, 100));
    EXPECT_EQ(area.GetPixel(19, 10), MakePixel(200, 200, 200, 7)); // untouched keeps its alpha
    EXPECT_EQ(area.GetPixel(40, 30), MakePixel(200, 200, 200, 7));
}

TEST(ShadowTest, SoftShadowHalvesTheInsideAndFadesOverTheDepth) {
    CDrawManager manager;
    CBitmap area = GreyArea(200);
    CDc dc(area);
    manager.CastShadow(dc, 0, 0, 60, 40, SquareMask(), true, 7, 7);
    const int centre = gfx::PixelRed(area.GetPixel(30, 20));
    EXPECT_NEAR(centre, 100, 2);
    EXPECT_EQ(area.GetPixel(0, 0), MakePixel(200, 200, 200, 7));
    EXPECT_EQ(area.GetPixel(59, 39), MakePixel(200, 200, 200, 7));
    // Along the middle row: unchanged outside, falling steadily to the inside level, and the
    // fall takes about the depth.
    int previous = 255;
    int fading = 0;
    for (int x = 0; x <= 30; ++x) {
        const int level = gfx::PixelRed(area.GetPixel(x, 20));
        EXPECT_LE(level, previous) << x;
        previous = level;
        fading += level < 199 && level > centre + 1 ? 1 : 0;
    }
    EXPECT_GE(fading, 5);
    EXPECT_LE(fading, 7);
}

TEST(ShadowTest, EvenDepthsActAsTheNextOddOneAndTheAreaMayBeOffset) {
    CDrawManager manager;
    CBitmap a = GreyArea(180);
    CBitmap b = GreyArea(180);
    CDc dcA(a);
    CDc dcB(b);
    manager.CastShadow(dcA, 0, 0, 60, 40, SquareMask(), true, 6, 8);
    manager.CastShadow(dcB, 0, 0, 60, 40, SquareMask(), true, 7, 9);
    EXPECT_TRUE(std::equal(a.Bits(), a.Bits() + 60 * 40, b.Bits()));

    // Shadow cast into a part of a larger picture reaches nothing outside that part.
    CBitmap big = CBitmap::Create(80, 60);
    std::fill(big.Bits(), big.Bits() + 80 * 60, MakePixel(200, 200, 200));
    CDc bigDc(big);
    manager.CastShadow(bigDc, 10, 15, 60, 40, SquareMask(), false, 7, 7);
    EXPECT_EQ(big.GetPixel(40, 35), MakePixel(100, 100, 100));
    EXPECT_EQ(big.GetPixel(29, 35), MakePixel(200, 200, 200));
}

TEST(ShadowTest, WhiteMaskOrNoMaskChangesNothing) {
    CDrawManager manager;
    CBitmap white = CBitmap::Create(60, 40);
    CDc(white).FillSolidRect({0, 0, 60, 40}, Rgb(255, 255, 255));
    CBitmap area = GreyArea(90);
    CDc dc(area);
    manager.CastShadow(dc, 0, 0, 60, 40, white, true, 31, 31);
    manager.CastShadow(dc, 0, 0, 60, 40, CBitmap(), true, 7, 7);
    manager.CastShadow(dc, 0, 0, 0, 40, white, true, 7, 7);
    EXPECT_TRUE(std::all_of(area.Bits(), area.Bits() + 60 * 40,
                            [](Pixel p) { return p == MakePixel(90, 90, 90, 7); }));
}

TEST(ShadowTest, DenseAreasAreShadedAtTheirOwnResolution) {
    CDrawManager manager;
    CBitmap area = CBitmap::Create(60, 40, 2.0);
    std::fill(area.Bits(), area.Bits() + 120 * 80, MakePixel(200, 200, 200));
    CDc dc(area);
    manager.CastShadow(dc, 0, 0, 60, 40, SquareMask(), true, 7, 7);
    EXPECT_NEAR(gfx::PixelRed(area.GetPixel(60, 40)), 100, 2);
    EXPECT_EQ(area.GetPixel(0, 0), MakePixel(200, 200, 200));
    // The fade spans about twice as many device pixels as the depth.
    int fading = 0;
    for (int x = 0; x < 60; ++x) {
        const int level = gfx::PixelRed(area.GetPixel(x, 40));
        fading += level < 199 && level > 102 ? 1 : 0;
    }
    EXPECT_GE(fading, 11);
    EXPECT_LE(fading, 15);
}

} // namespace
} // namespace tooltip

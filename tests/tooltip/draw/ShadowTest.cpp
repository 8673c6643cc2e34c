#include "tooltip/draw/CDrawManager.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

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

TEST(ShadowTest, ExactQuotientsAreNotRoundedDown) {
    // 85 * 147 / 255 is exactly 49, and 255 * (49 * 33) / (49 * 255) exactly 33.
    struct Case {
        bool soft;
        int mask, area, expected;
    };
    for (const Case c : {Case{false, 147, 85, 49}, Case{true, 33, 255, 33}}) {
        CBitmap mask = GreyArea(c.mask);
        CBitmap area = GreyArea(c.area);
        CDc dc(area);
        CDrawManager manager;
        manager.CastShadow(dc, 0, 0, 60, 40, mask, c.soft, 7, 7);
        EXPECT_EQ(area.GetPixel(30, 20), MakePixel(c.expected, c.expected, c.expected)) << c.soft;
    }
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

// The soft shadow computed the plain way: the mask shrunk into a white section, then for each
// pixel the mean of the blue bytes over its whole window (outside positions 255), darkening by
// that factor. The fast path must give these very pixels.
void ReferenceSoftShadow(CBitmap& area, const CBitmap& mask, int bx, int by) {
    const int w = area.Width();
    const int h = area.Height();
    CBitmap shrunk = CBitmap::Create(w, h);
    CDc shrunkDc(shrunk);
    shrunkDc.FillSolidRect({0, 0, w, h}, Rgb(255, 255, 255));
    shrunkDc.StretchBlt(bx / 2, by / 2, w - bx, h - by, CDc(mask), 0, 0, mask.Width(),
                        mask.Height());
    const std::vector<Pixel> before(area.Bits(), area.Bits() + w * h);
    const std::int64_t full = 255LL * bx * by;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::int64_t sum = 0;
            for (int j = y - by / 2; j <= y + by / 2; ++j) {
                for (int i = x - bx / 2; i <= x + bx / 2; ++i) {
                    const bool inside = i >= 0 && i < w && j >= 0 && j < h;
                    sum += inside ? gfx::PixelBlue(shrunk.Bits()[j * w + i]) : 255;
                }
            }
            if (sum < full) {
                area.Bits()[y * w + x] = CDrawManager::DarkenPixel(before[y * w + x], sum, full);
            }
        }
    }
}

TEST(ShadowTest, SoftShadowGivesThePixelsOfThePlainComputation) {
    std::uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    struct Case {
        int width, height, depth;
    };
    for (const Case c : {Case{60, 40, 7}, Case{97, 41, 31}, Case{5, 3, 7}, Case{40, 30, 8},
                         Case{33, 70, 1}, Case{20, 20, 31}}) {
        CBitmap mask = CBitmap::Create(c.width, c.height);
        CBitmap area = CBitmap::Create(c.width, c.height);
        for (int i = 0; i < c.width * c.height; ++i) {
            // Runs of even ground and noise, in mask and area alike.
            const int grey = (i / 7) % 3 == 0 ? 128 : static_cast<int>(next() % 256);
            mask.Bits()[i] = MakePixel(grey, grey, grey);
            area.Bits()[i] = (i / 5) % 2 == 0 ? MakePixel(200, 180, 160, 9)
                                              : static_cast<Pixel>(next() * 65599u + next());
        }
        CBitmap expected = CBitmap::Create(c.width, c.height);
        std::copy(area.Bits(), area.Bits() + c.width * c.height, expected.Bits());
        const int odd = c.depth % 2 == 0 ? c.depth + 1 : c.depth;
        ReferenceSoftShadow(expected, mask, odd, odd);
        CDrawManager manager;
        CDc dc(area);
        manager.CastShadow(dc, 0, 0, c.width, c.height, mask, true, c.depth, c.depth);
        int differences = 0;
        for (int i = 0; i < c.width * c.height; ++i) {
            differences += area.Bits()[i] != expected.Bits()[i] ? 1 : 0;
        }
        EXPECT_EQ(differences, 0) << c.width << " x " << c.height << " depth " << c.depth;
    }
}

} // namespace
} // namespace tooltip

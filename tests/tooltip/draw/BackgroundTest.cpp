#include "tooltip/draw/CDrawManager.h"

#include <gtest/gtest.h>

#include <vector>

namespace tooltip {
namespace {

using gfx::CBitmap;
using gfx::CDc;
using gfx::MakePixel;
using gfx::Pixel;
using gfx::Rgb;

constexpr Pixel kSentinel = MakePixel(1, 2, 3, 4);

struct Canvas {
    explicit Canvas(int width, int height) : bitmap(CBitmap::Create(width, height)), dc(bitmap) {
        std::fill(bitmap.Bits(), bitmap.Bits() + width * height, kSentinel);
    }
    Pixel At(int x, int y) const { return bitmap.GetPixel(x, y); }
    bool Untouched() const {
        for (int i = 0; i < bitmap.PixelWidth() * bitmap.PixelHeight(); ++i) {
            if (bitmap.Bits()[i] != kSentinel) {
                return false;
            }
        }
        return true;
    }
    CBitmap bitmap;
    CDc dc;
};

Pixel Grey(int level) {
    return MakePixel(level, level, level);
}

// The pattern image's index at (x, r), r counted from the bottom row.
int IndexAt(const CDrawManager& manager, int x, int r) {
    const CPaletteImage& image = manager.PatternImage();
    return image.PixelData()[r * image.RowStride() + x];
}

TEST(GradientTest, TenPixelsBlackToWhiteSkipEmptyBands) {
    CDrawManager manager;
    Canvas canvas(10, 2);
    manager.FillBackground(canvas.dc, {0, 0, 10, 2}, BackgroundHGradient, Rgb(0, 0, 0), 0,
                           Rgb(255, 255, 255), 5, 0);
    for (int x = 0; x < 10; ++x) {
        // The band that ends at this column's right edge is the last one drawn on it.
        const int band = ((x + 1) * 64 + 9) / 10 - 1;
        EXPECT_EQ(canvas.At(x, 0), Grey((255 * band) >> 6)) << x;
        EXPECT_EQ(canvas.At(x, 1), canvas.At(x, 0));
    }
    EXPECT_EQ(canvas.At(9, 0), Grey(251));
    EXPECT_EQ(canvas.At(0, 0), Grey(23));
}

TEST(GradientTest, BandColoursMixEachChannel) {
    CDrawManager manager;
    Canvas canvas(3, 64);
    manager.PaintGradient(canvas.dc, {0, 0, 3, 64}, Rgb(200, 100, 0), Rgb(0, 100, 200), false);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(canvas.At(1, i), MakePixel((200 * (64 - i)) >> 6, 100, (200 * i) >> 6)) << i;
    }
}

// The colour a gradient of the given extent leaves at position i: that of the last band drawn
// there, the one ending at i + 1.
Pixel BandColour(gfx::ColorRef from, gfx::ColorRef to, int i, int extent) {
    const int band = ((i + 1) * 64 + extent - 1) / extent - 1;
    auto mix = [band](int a, int b) { return (a * (64 - band) + b * band) >> 6; };
    return MakePixel(mix(gfx::RedOf(from), gfx::RedOf(to)),
                     mix(gfx::GreenOf(from), gfx::GreenOf(to)),
                     mix(gfx::BlueOf(from), gfx::BlueOf(to)));
}

TEST(GradientTest, HalvesSplitAtIntegerMiddles) {
    CDrawManager manager;
    const gfx::ColorRef begin = Rgb(255, 0, 0);
    const gfx::ColorRef mid = Rgb(0, 255, 0);
    const gfx::ColorRef end = Rgb(0, 0, 255);
    Canvas tall(2, 7);
    manager.FillBackground(tall.dc, {0, 0, 2, 7}, Background3VGradient, begin, mid, end, 5, 0);
    for (int y = 0; y < 3; ++y) { // the top half is 7 / 2 = 3 rows
        EXPECT_EQ(tall.At(1, y), BandColour(begin, mid, y, 3)) << y;
    }
    for (int y = 3; y < 7; ++y) {
        EXPECT_EQ(tall.At(1, y), BandColour(mid, end, y - 3, 4)) << y;
    }
    EXPECT_EQ(tall.At(0, 6), MakePixel(0, 3, 251));

    Canvas wide(9, 1);
    manager.FillBackground(wide.dc, {0, 0, 9, 1}, BackgroundHCGradient, begin, mid, end, 5, 0);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(wide.At(x, 0), BandColour(begin, end, x, 4)) << x;
    }
    for (int x = 4; x < 9; ++x) { // the right half runs back from end to begin
        EXPECT_EQ(wide.At(x, 0), BandColour(end, begin, x - 4, 5)) << x;
    }
    Canvas three(8, 1);
    manager.FillBackground(three.dc, {0, 0, 8, 1}, Background3HGradient, begin, mid, end, 5, 0);
    EXPECT_EQ(three.At(3, 0), BandColour(begin, mid, 3, 4));
    EXPECT_EQ(three.At(7, 0), BandColour(mid, end, 3, 4));
}

TEST(GradientTest, SolidAndUnknownCodesFillWithTheBeginColour) {
    CDrawManager manager;
    for (int effect : {0, -1, 16, 99}) {
        Canvas canvas(3, 3);
        manager.FillBackground(canvas.dc, {1, 1, 3, 3}, effect, Rgb(9, 8, 7), 0, 0, 5, 0);
        EXPECT_EQ(canvas.At(1, 1), MakePixel(9, 8, 7)) << effect;
        EXPECT_EQ(canvas.At(0, 0), kSentinel);
    }
}

TEST(PatternTest, HShadeRunsFromGranularityAtTheBottomToNearlyTheTop) {
    CDrawManager manager;
    for (const auto& [random, noise] : {std::pair{16383, 0}, {0, -5}, {32767, 5}}) {
        manager.SetRandomSource([r = random] { return r; });
        Canvas canvas(5, 50);
        manager.FillBackground(canvas.dc, {0, 0, 5, 50}, BackgroundHShade, Rgb(255, 255, 255),
                               Rgb(128, 128, 128), Rgb(0, 0, 0), 5, 0);
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(IndexAt(manager, x, 0), 5 + noise);
            EXPECT_EQ(IndexAt(manager, x, 49), 245 + noise); // (245 * 49) / 50 + 5
            EXPECT_EQ(IndexAt(manager, x, 25), (245 * 25) / 50 + 5 + noise);
        }
    }
}

TEST(PatternTest, PaletteRampRunsFromEndThroughMidToBegin) {
    CDrawManager manager;
    manager.SetRandomSource([] { return 0; });
    Canvas canvas(4, 4);
    const gfx::ColorRef begin = Rgb(250, 0, 10);
    const gfx::ColorRef mid = Rgb(0, 200, 100);
    const gfx::ColorRef end = Rgb(20, 30, 40);
    manager.FillBackground(canvas.dc, {0, 0, 4, 4}, BackgroundNoise, begin, mid, end, 0, 0);
    const CPaletteImage& image = manager.PatternImage();
    const std::uint8_t* palette = image.PixelData() - image.PaletteBytes();
    auto entry = [&](int i) {
        return MakePixel(palette[4 * i + 2], palette[4 * i + 1], palette[4 * i]);
    };
    EXPECT_EQ(entry(0), gfx::PixelFromColor(end));
    EXPECT_EQ(entry(255), gfx::PixelFromColor(begin));
    EXPECT_EQ(entry(128),
              MakePixel((127 * 0 + 250) / 128, (127 * 200 + 0) / 128, (127 * 100 + 10) / 128));
    EXPECT_EQ(entry(64),
              MakePixel((20 * 64) / 128, (30 * 64 + 200 * 64) / 128, (40 * 64 + 100 * 64) / 128));
    // Granularity 0 and no noise: every pixel is index 128.
    EXPECT_EQ(canvas.At(3, 3), entry(128));
    // A full tint turns everything into the begin colour.
    manager.FillBackground(canvas.dc, {0, 0, 4, 4}, BackgroundNoise, begin, mid, end, 0, 100);
    EXPECT_EQ(canvas.At(0, 0), gfx::PixelFromColor(begin));
}

TEST(PatternTest, IndexesWrapAsBytes) {
    CDrawManager manager;
    manager.SetRandomSource([] { return 32767; }); // noise +1 at granularity 0
    Canvas canvas(6, 2);
    manager.FillBackground(canvas.dc, {0, 0, 6, 2}, BackgroundVShade, 0, 0, 0, 0, 0);
    EXPECT_EQ(IndexAt(manager, 0, 0), 0); // 255 + 0 + 1 wraps to 0
    EXPECT_EQ(IndexAt(manager, 3, 0), (255 * 3) / 6 + 1);
}

TEST(PatternTest, EveryPatternCoversItsRectangleOnly) {
    CDrawManager manager;
    int calls = 0;
    manager.SetRandomSource([&calls] { return (calls++ * 7919) % 32768; });
    for (int effect = BackgroundNoise; effect <= BackgroundMetal; ++effect) {
        Canvas canvas(41, 29);
        manager.FillBackground(canvas.dc, {2, 3, 39, 26}, effect, Rgb(255, 0, 0), Rgb(0, 255, 0),
                               Rgb(0, 0, 255), 5, 0);
        for (int y = 0; y < 29; ++y) {
            for (int x = 0; x < 41; ++x) {
                const bool inside = x >= 2 && x < 39 && y >= 3 && y < 26;
                ASSERT_EQ(canvas.At(x, y) != kSentinel, inside) << effect << " " << x << "," << y;
            }
        }
    }
    EXPECT_GT(calls, 0);
}

TEST(PatternTest, BumpsAndBevelsFollowTheirRamps) {
    CDrawManager manager;
    manager.SetRandomSource([] { return 16383; }); // no noise at granularity 5
    Canvas canvas(60, 40);
    manager.FillBackground(canvas.dc, {0, 0, 60, 40}, BackgroundHBump, 0, 0, 0, 5, 0);
    EXPECT_EQ(IndexAt(manager, 10, 0), 128 + ((-127 * 127 * 127 / 16384) * 123) / 128);
    EXPECT_EQ(IndexAt(manager, 10, 39), 128 + ((((255 * 39) / 40 - 127) * ((255 * 39) / 40 - 127) *
                                                ((255 * 39) / 40 - 127) / 16384) *
                                               123) /
                                                  128);
    manager.FillBackground(canvas.dc, {0, 0, 60, 40}, BackgroundHardBump, 0, 0, 0, 5, 0);
    // G = 10: the middle row's bevels are 10 pixels wide.
    EXPECT_EQ(IndexAt(manager, 0, 20), 250);
    EXPECT_EQ(IndexAt(manager, 59, 20), (128 * 1) / 10 + 5);
    EXPECT_GT(IndexAt(manager, 5, 20), IndexAt(manager, 30, 20));
    EXPECT_LT(IndexAt(manager, 55, 20), IndexAt(manager, 30, 20));
}

TEST(PatternTest, SizesWithoutAValueDrawNothing) {
    CDrawManager manager;
    manager.SetRandomSource([] { return 1234; });
    Canvas flat(10, 3);
    manager.FillBackground(flat.dc, {0, 0, 10, 1}, BackgroundHardBump, 0, 0, 0, 5, 0);
    manager.FillBackground(flat.dc, {0, 0, 0, 3}, BackgroundMetal, 0, 0, 0, 5, 0);
    manager.FillBackground(flat.dc, {0, 0, 10, 0}, BackgroundMetal, 0, 0, 0, 5, 0);
    manager.FillBackground(flat.dc, {5, 0, 3, 3}, BackgroundNoise, 0, 0, 0, 5, 0);
    // A granularity so large that the noise divisor would be zero.
    manager.FillBackground(flat.dc, {0, 2, 10, 3}, BackgroundDiagShade, 0, 0, 0, 40000, 0);
    EXPECT_NE(flat.At(0, 2), kSentinel);
    flat.bitmap.SetPixel(0, 2, kSentinel);
    for (int x = 1; x < 10; ++x) {
        flat.bitmap.SetPixel(x, 2, kSentinel);
    }
    EXPECT_TRUE(flat.Untouched());
    // No bitmap side passes 32767: nothing is allocated or computed for a taller rectangle.
    for (const int effect : {BackgroundHBump, BackgroundHardBump, BackgroundDiagShade}) {
        manager.FillBackground(flat.dc, {0, 0, 1, 8500000}, effect, 0, 0, 0, 5, 0);
        EXPECT_LE(manager.PatternImage().Height(), 3) << effect;
    }
    // Two rows are enough for "hardbump".
    manager.FillBackground(flat.dc, {0, 0, 10, 2}, BackgroundHardBump, 0, 0, 0, 5, 0);
    EXPECT_NE(flat.At(0, 0), kSentinel);
}

TEST(TileTest, CopiesTheTileAcrossAndCutsAtTheEdges) {
    CDrawManager manager;
    CBitmap source = CBitmap::Create(5, 5);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            source.SetPixel(x, y, MakePixel(x, y, 0));
        }
    }
    const CDc sourceDc(source);
    Canvas canvas(12, 9);
    manager.TileBlit(canvas.dc, 1, 1, 10, 7, sourceDc, 1, 2, 3, 2);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 1 && x < 11 && y >= 1 && y < 8;
            const Pixel expected =
                inside ? MakePixel(1 + (x - 1) % 3, 2 + (y - 1) % 2, 0) : kSentinel;
            ASSERT_EQ(canvas.At(x, y), expected) << x << "," << y;
        }
    }
    Canvas untouched(4, 4);
    manager.TileBlit(untouched.dc, 0, 0, 4, 4, sourceDc, 0, 0, 0, 2);
    manager.TileBlit(untouched.dc, 0, 0, 4, 4, sourceDc, 0, 0, 2, -1);
    EXPECT_TRUE(untouched.Untouched());
}

} // namespace
} // namespace tooltip

#include "tooltip/draw/CPaletteImage.h"

#include <gtest/gtest.h>

namespace tooltip {
namespace {

using gfx::MakePixel;

const std::uint8_t* Palette(const CPaletteImage& image) {
    return image.PixelData() - image.PaletteBytes();
}

TEST(PaletteImageTest, RowsArePaddedToFourBytes) {
    CPaletteImage image;
    EXPECT_EQ(image.PixelData(), nullptr);
    ASSERT_NE(image.Allocate(5, 3), nullptr);
    EXPECT_EQ(image.RowStride(), 8);
    EXPECT_EQ(image.Header().sizeImage, 24u);
    EXPECT_EQ(image.Header().size, 40u);
    EXPECT_EQ(image.Header().bitCount, 8);
    EXPECT_EQ(image.Header().planes, 1);
    EXPECT_EQ(image.PaletteBytes(), 1024);
    EXPECT_EQ(image.BufferSize(), 40u + 1024u + 24u);
    ASSERT_NE(image.Allocate(4, 1), nullptr);
    EXPECT_EQ(image.RowStride(), 4);
    ASSERT_NE(image.Allocate(0, 7), nullptr);
    EXPECT_EQ(image.RowStride(), 0);
    EXPECT_EQ(image.Header().sizeImage, 0u);
}

TEST(PaletteImageTest, RefusedSizesLeaveItEmpty) {
    CPaletteImage image;
    ASSERT_NE(image.Allocate(3, 3), nullptr);
    EXPECT_EQ(image.Allocate(-1, 3), nullptr);
    EXPECT_EQ(image.PixelData(), nullptr);
    EXPECT_EQ(image.PaletteBytes(), 0);
    EXPECT_EQ(image.Allocate(30000, 30000), nullptr);
    // Operations on an empty picture do nothing.
    image.PutIndex(0, 0, 1);
    image.TintPalette(50, 0);
    image.ZeroPixels();
    image.ReleaseAll();
    EXPECT_EQ(image.Header().width, 0);
}

TEST(PaletteImageTest, PutIndexCountsRowsFromTheTop) {
    CPaletteImage image;
    ASSERT_NE(image.Allocate(3, 4), nullptr);
    image.ZeroPixels();
    image.PutIndex(2, 0, 7); // top row: the last row of the pixel area
    image.PutIndex(0, 3, 9); // bottom row: the first
    image.PutIndex(3, 0, 1);
    image.PutIndex(0, 4, 1);
    image.PutIndex(-1, 0, 1);
    const std::uint8_t* pixels = image.PixelData();
    EXPECT_EQ(pixels[3 * 4 + 2], 7);
    EXPECT_EQ(pixels[0], 9);
    int nonZero = 0;
    for (int i = 0; i < 16; ++i) {
        nonZero += pixels[i] != 0 ? 1 : 0;
    }
    EXPECT_EQ(nonZero, 2);
}

TEST(PaletteImageTest, TintMovesEntriesTowardTheColour) {
    CPaletteImage image;
    ASSERT_NE(image.Allocate(1, 1), nullptr);
    for (int i = 0; i < 256; ++i) {
        image.SetPaletteColour(i, i, 255 - i, 10);
    }
    image.SetPaletteColour(256, 1, 1, 1); // beyond the palette: ignored
    image.TintPalette(0, gfx::Rgb(1, 2, 3));
    EXPECT_EQ(Palette(image)[4 * 200 + 2], 200); // red of entry 200 unchanged
    EXPECT_EQ(Palette(image)[4 * 200 + 1], 55);
    EXPECT_EQ(Palette(image)[4 * 200 + 0], 10);
    image.TintPalette(50, gfx::Rgb(0, 0, 255));
    EXPECT_EQ(Palette(image)[4 * 201 + 2], 100); // (0 * 50 + 201 * 50) / 100
    EXPECT_EQ(Palette(image)[4 * 201 + 0], 132); // (255 * 50 + 10 * 50) / 100
    image.TintPalette(150, gfx::Rgb(9, 8, 7));
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(Palette(image)[4 * i + 0], 7);
        ASSERT_EQ(Palette(image)[4 * i + 1], 8);
        ASSERT_EQ(Palette(image)[4 * i + 2], 9);
        ASSERT_EQ(Palette(image)[4 * i + 3], 0);
    }
}

TEST(PaletteImageTest, BlitFixesThePaletteButCopiesPixelsEveryTime) {
    CPaletteImage image;
    ASSERT_NE(image.Allocate(2, 2), nullptr);
    image.SetPaletteColour(0, 255, 0, 0);
    image.SetPaletteColour(1, 0, 255, 0);
    image.ZeroPixels();
    gfx::CBitmap target = gfx::CBitmap::Create(4, 4);
    gfx::CDc dc(target);
    image.BlitTo(dc, 1, 1);
    EXPECT_EQ(target.GetPixel(1, 1), MakePixel(255, 0, 0));
    EXPECT_EQ(target.GetPixel(2, 2), MakePixel(255, 0, 0));
    EXPECT_EQ(target.GetPixel(0, 0), 0u);
    EXPECT_EQ(target.GetPixel(3, 3), 0u);
    image.SetPaletteColour(0, 0, 0, 255); // too late for this allocation
    image.PutIndex(0, 0, 1);
    image.BlitTo(dc, 1, 1);
    EXPECT_EQ(target.GetPixel(1, 1), MakePixel(0, 255, 0));
    EXPECT_EQ(target.GetPixel(2, 2), MakePixel(255, 0, 0));
    // A new allocation takes the palette anew.
    ASSERT_NE(image.Allocate(1, 1), nullptr);
    image.SetPaletteColour(0, 0, 0, 255);
    image.ZeroPixels();
    image.BlitTo(dc, 0, 0);
    EXPECT_EQ(target.GetPixel(0, 0), MakePixel(0, 0, 255));
}

} // namespace
} // namespace tooltip

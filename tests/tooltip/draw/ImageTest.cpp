#include "tooltip/draw/CDrawManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tooltip {
namespace {

using gfx::CBitmap;
using gfx::CDc;
using gfx::MakePixel;
using gfx::Pixel;
using gfx::Rgb;

constexpr Pixel kWhite = MakePixel(255, 255, 255);
constexpr gfx::ColorRef kMagenta = Rgb(255, 0, 255);

TEST(PixelTest, OperationsTruncateAndClearTheAlphaByte) {
    EXPECT_EQ(CDrawManager::GrayPixel(MakePixel(255, 255, 255, 9)), kWhite);
    EXPECT_EQ(CDrawManager::GrayPixel(MakePixel(100, 150, 200)), MakePixel(140, 140, 140));
    EXPECT_EQ(CDrawManager::DarkenPixel(MakePixel(201, 3, 0, 9), 0.75), MakePixel(150, 2, 0));
    EXPECT_EQ(CDrawManager::DarkenPixel(MakePixel(201, 3, 0, 9), 1.0), MakePixel(201, 3, 0, 9));
    EXPECT_EQ(CDrawManager::DarkenPixel(MakePixel(201, 3, 0), -0.5), MakePixel(201, 3, 0));
    EXPECT_EQ(CDrawManager::DarkenPixel(MakePixel(201, 3, 0), 0.0), 0u);
    EXPECT_EQ(CDrawManager::LightenPixel(MakePixel(200, 210, 3), 0.25), MakePixel(250, 255, 3));
    EXPECT_EQ(CDrawManager::LightenPixel(MakePixel(200, 210, 3), 0.0), MakePixel(200, 210, 3));
    EXPECT_EQ(CDrawManager::LightenPixel(MakePixel(200, 210, 3), 1.5), MakePixel(200, 210, 3));
    EXPECT_EQ(CDrawManager::LightenPixel(MakePixel(100, 0, 3), 1.0), MakePixel(200, 0, 6));
    EXPECT_EQ(CDrawManager::InvertPixel(MakePixel(0, 100, 255, 9)), MakePixel(255, 155, 0));
    // Each product is truncated on its own: 50.5 -> 50 and 100.5 -> 100.
    EXPECT_EQ(CDrawManager::MixPixels(MakePixel(101, 0, 255), MakePixel(201, 255, 0), 0.5, 0.5),
              MakePixel(150, 127, 127));
}

TEST(VariantTest, StylesApplyInOrderAndTransparentPixelsTurnBlack) {
    CDrawManager manager;
    CBitmap source = CBitmap::Create(4, 1);
    source.SetPixel(0, 0, MakePixel(100, 150, 200));
    source.SetPixel(1, 0, gfx::PixelFromColor(kMagenta));
    source.SetPixel(2, 0, MakePixel(255, 0, 255, 1)); // same colour, other alpha: not transparent
    source.SetPixel(3, 0, MakePixel(40, 80, 120));
    const CBitmap grey =
        manager.RenderImageVariant(source, 4, 1, ImageGray | ImageDarken, true, kMagenta, 0);
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey.GetPixel(0, 0), MakePixel(105, 105, 105)); // 140, then * 0.75
    EXPECT_EQ(grey.GetPixel(1, 0), 0u);
    EXPECT_NE(grey.GetPixel(2, 0) & 0x00FFFFFFu, 0u);
    EXPECT_EQ(grey.GetPixel(2, 0) >> 24, 1u); // the alpha byte stays
    EXPECT_TRUE(manager.HasAlpha());

    const CBitmap mono = manager.RenderImageVariant(
        source, 4, 1, ImageGray | ImageMono | ImageInvert, true, kMagenta, Rgb(10, 20, 30));
    EXPECT_EQ(mono.GetPixel(0, 0), MakePixel(245, 235, 225));
    EXPECT_EQ(mono.GetPixel(1, 0), kWhite); // inverted black
    // Not using the transparent colour: magenta is an ordinary colour.
    const CBitmap light =
        manager.RenderImageVariant(source, 4, 1, ImageLighten, false, kMagenta, 0);
    EXPECT_EQ(light.GetPixel(1, 0), MakePixel(255, 0, 255));
    EXPECT_EQ(light.GetPixel(3, 0), MakePixel(50, 100, 150));
    EXPECT_FALSE(manager.RenderImageVariant(CBitmap(), 4, 1, 0, false, 0, 0));
}

// A 4 x 2 picture on a blue background: magenta left half (transparent), red right half.
CBitmap HalfMagenta(int alpha) {
    CBitmap bitmap = CBitmap::Create(4, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            bitmap.SetPixel(x, y,
                            x < 2 ? gfx::PixelFromColor(kMagenta) : MakePixel(255, 0, 0, alpha));
        }
    }
    return bitmap;
}

TEST(BitmapImageTest, WithoutAlphaTheMaskKeepsTransparentPixels) {
    CDrawManager manager;
    CBitmap target = CBitmap::Create(6, 4);
    CDc dc(target);
    dc.FillSolidRect({0, 0, 6, 4}, Rgb(0, 0, 255));
    manager.DrawBitmapImage(dc, 1, 1, 4, 2, HalfMagenta(0), true, kMagenta, 0, false, 4, 4, 7, 7,
                            0);
    EXPECT_FALSE(manager.HasAlpha());
    EXPECT_EQ(target.GetPixel(1, 1), MakePixel(0, 0, 255));
    EXPECT_EQ(target.GetPixel(2, 2), MakePixel(0, 0, 255));
    EXPECT_EQ(target.GetPixel(3, 1), MakePixel(255, 0, 0));
    EXPECT_EQ(target.GetPixel(4, 2), MakePixel(255, 0, 0));
    EXPECT_EQ(target.GetPixel(5, 2), MakePixel(0, 0, 255));
}

TEST(BitmapImageTest, AnyAlphaByteMeansDrawingByAlpha) {
    CDrawManager manager;
    CBitmap target = CBitmap::Create(6, 4);
    CDc dc(target);
    dc.FillSolidRect({0, 0, 6, 4}, Rgb(0, 0, 255));
    manager.DrawBitmapImage(dc, 1, 1, 4, 2, HalfMagenta(128), true, kMagenta, 0, false, 0, 0, 7, 7,
                            0);
    EXPECT_TRUE(manager.HasAlpha());
    // Transparent pixels have alpha 0 and leave the background; red ones mix half and half.
    EXPECT_EQ(target.GetPixel(1, 1), MakePixel(0, 0, 255));
    const Pixel mixed = target.GetPixel(3, 1);
    EXPECT_EQ(gfx::PixelRed(mixed), 128);
    EXPECT_NEAR(gfx::PixelBlue(mixed), 127, 1);
    // The flag is cleared at the start of the next drawing.
    manager.DrawBitmapImage(dc, 1, 1, 4, 2, HalfMagenta(0), true, kMagenta, 0, false, 0, 0, 7, 7,
                            0);
    EXPECT_FALSE(manager.HasAlpha());
}

TEST(BitmapImageTest, ScalesAndMovesOntoTheShadowPlaceWithoutAShadowFlag) {
    CDrawManager manager;
    CBitmap target = CBitmap::Create(16, 12);
    CDc dc(target);
    dc.FillSolidRect({0, 0, 16, 12}, Rgb(255, 255, 255));
    CBitmap red = CBitmap::Create(2, 1);
    CDc(red).FillSolidRect({0, 0, 2, 1}, Rgb(255, 0, 0));
    manager.DrawBitmapImage(dc, 0, 0, 4, 4, red, false, 0, 0, true, 3, 2, 7, 7, 0);
    EXPECT_EQ(target.GetPixel(2, 1), kWhite);
    EXPECT_EQ(target.GetPixel(3, 2), MakePixel(255, 0, 0));
    EXPECT_EQ(target.GetPixel(6, 5), MakePixel(255, 0, 0));
    EXPECT_EQ(target.GetPixel(7, 6), kWhite);
    // With a shadow flag the picture stays and its shadow falls at the offset.
    dc.FillSolidRect({0, 0, 16, 12}, Rgb(255, 255, 255));
    manager.DrawBitmapImage(dc, 0, 0, 4, 4, red, false, 0, ImageHardShadow, true, 3, 2, 7, 7,
                            Rgb(128, 128, 128));
    EXPECT_EQ(target.GetPixel(0, 0), MakePixel(255, 0, 0));
    EXPECT_EQ(target.GetPixel(6, 5), MakePixel(128, 128, 128));
    EXPECT_EQ(target.GetPixel(7, 6), kWhite);
}

TEST(BitmapImageTest, StylesReachTheDrawnPixels) {
    CDrawManager manager;
    CBitmap target = CBitmap::Create(2, 1);
    CDc dc(target);
    CBitmap picture = CBitmap::Create(2, 1);
    picture.SetPixel(0, 0, MakePixel(100, 150, 200));
    picture.SetPixel(1, 0, MakePixel(40, 80, 120));
    manager.DrawBitmapImage(dc, 0, 0, 2, 1, picture, false, 0, ImageGray, false, 0, 0, 7, 7, 0);
    EXPECT_EQ(target.GetPixel(0, 0), MakePixel(140, 140, 140));
    manager.DrawBitmapImage(dc, 0, 0, 2, 1, picture, false, 0, ImageMono, false, 0, 0, 7, 7,
                            Rgb(1, 2, 3));
    EXPECT_EQ(target.GetPixel(1, 0), MakePixel(1, 2, 3));
}

TEST(StripImageTest, CellsAreNumberedRowByRowWithinBounds) {
    CDrawManager manager;
    // A strip of 4 x 1 cells of 2 x 2 pixels, cell i filled with grey 10 * (i + 1).
    CBitmap strip = CBitmap::Create(8, 2);
    CDc stripDc(strip);
    for (int i = 0; i < 4; ++i) {
        stripDc.FillSolidRect({2 * i, 0, 2 * i + 2, 2},
                              Rgb(10 * (i + 1), 10 * (i + 1), 10 * (i + 1)));
    }
    CBitmap target = CBitmap::Create(4, 4);
    CDc dc(target);
    for (int index : {5, 4, -1}) {
        manager.DrawStripImage(dc, 0, 0, 4, 4, strip, index, 2, 2, false, 0, 0, false, 0, 0, 7, 7,
                               0);
    }
    manager.DrawStripImage(dc, 0, 0, 4, 4, strip, 1, 0, 2, false, 0, 0, false, 0, 0, 7, 7, 0);
    manager.DrawStripImage(dc, 0, 0, 4, 4, strip, 0, 9, 2, false, 0, 0, false, 0, 0, 7, 7, 0);
    EXPECT_TRUE(std::all_of(target.Bits(), target.Bits() + 16, [](Pixel p) { return p == 0; }));
    manager.DrawStripImage(dc, 0, 0, 4, 4, strip, 3, 2, 2, false, 0, 0, false, 0, 0, 7, 7, 0);
    EXPECT_EQ(target.GetPixel(3, 3), MakePixel(40, 40, 40));
    // Two rows of two cells: index 2 is the first cell of the second row.
    CBitmap square = CBitmap::Create(4, 4);
    CDc squareDc(square);
    squareDc.FillSolidRect({0, 2, 2, 4}, Rgb(77, 77, 77));
    manager.DrawStripImage(dc, 0, 0, 2, 2, square, 2, 2, 2, false, 0, 0, false, 0, 0, 7, 7, 0);
    EXPECT_EQ(target.GetPixel(1, 1), MakePixel(77, 77, 77));
}

gfx::CIcon RedDiamondIcon() {
    CBitmap color = CBitmap::Create(4, 4);
    CBitmap mask = CBitmap::Create(4, 4);
    CDc(mask).FillSolidRect({0, 0, 4, 4}, Rgb(255, 255, 255));
    CDc(color).FillSolidRect({1, 1, 3, 3}, Rgb(255, 0, 0));
    CDc(mask).FillSolidRect({1, 1, 3, 3}, Rgb(0, 0, 0));
    return gfx::CIcon::Create(color, mask, {2, 2});
}

TEST(IconImageTest, SizesComeFromTheHotSpot) {
    CDrawManager manager;
    EXPECT_EQ(manager.GetIconSize(RedDiamondIcon()), (gfx::Size{4, 4}));
    EXPECT_EQ(manager.GetIconSize(gfx::CIcon()), (gfx::Size{0, 0}));
    EXPECT_EQ(manager.GetBitmapSize(CBitmap::Create(3, 5)), (gfx::Size{3, 5}));
    EXPECT_EQ(manager.GetBitmapSize(CBitmap()), (gfx::Size{0, 0}));
    const gfx::CIcon big = manager.ScaleIcon(RedDiamondIcon(), 8, 8);
    EXPECT_EQ(manager.GetIconSize(big), (gfx::Size{8, 8}));
    gfx::IconInfo info;
    ASSERT_TRUE(big.GetInfo(info));
    EXPECT_EQ(info.color.GetPixel(3, 3), MakePixel(255, 0, 0));
    EXPECT_EQ(info.mask.GetPixel(0, 0), kWhite);
    EXPECT_FALSE(manager.ScaleIcon(gfx::CIcon(), 8, 8));
}

TEST(IconImageTest, DrawnThroughTheMaskAtTheRequestedSize) {
    CDrawManager manager;
    CBitmap target = CBitmap::Create(10, 10);
    CDc dc(target);
    dc.FillSolidRect({0, 0, 10, 10}, Rgb(0, 0, 255));
    dc.SetTextColor(Rgb(1, 2, 3));
    manager.DrawIconImage(dc, 1, 1, 8, 8, RedDiamondIcon(), 0, false, 0, 0, 7, 7, 0);
    EXPECT_EQ(dc.TextColor(), Rgb(1, 2, 3));
    EXPECT_EQ(target.GetPixel(1, 1), MakePixel(0, 0, 255));
    EXPECT_EQ(target.GetPixel(3, 3), MakePixel(255, 0, 0));
    EXPECT_EQ(target.GetPixel(6, 6), MakePixel(255, 0, 0));
    EXPECT_EQ(target.GetPixel(7, 7), MakePixel(0, 0, 255));
    // Mono recolours the opaque part from the mask.
    manager.DrawIconImage(dc, 1, 1, 8, 8, RedDiamondIcon(), ImageMono, false, 0, 0, 7, 7,
                          Rgb(0, 255, 0));
    EXPECT_EQ(target.GetPixel(4, 4), MakePixel(0, 255, 0));
    EXPECT_EQ(target.GetPixel(1, 1), MakePixel(0, 0, 255));
}

// The frame's pixels: 'L' light, 'D' dark, '.' untouched.
std::vector<std::string> FramePicture(const CBitmap& bitmap) {
    std::vector<std::string> rows;
    for (int y = 0; y < bitmap.PixelHeight(); ++y) {
        std::string row;
        for (int x = 0; x < bitmap.PixelWidth(); ++x) {
            const Pixel p = bitmap.GetPixel(x, y);
            row += p == kWhite ? 'L' : p == MakePixel(128, 128, 128) ? 'D' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(FrameTest, DoubleFrameDrawsTwoFramesTwoPixelsApart) {
    CDrawManager manager;
    CBitmap target = CBitmap::Create(12, 12);
    CDc dc(target);
    manager.DrawFrame(dc, {1, 1, 10, 10}, FrameDouble, 1, Rgb(255, 255, 255), Rgb(128, 128, 128));
    const std::vector<std::string> expected = {
        "............", //
        ".LLLLLLLLLD.", //
        ".L........D.", //
        ".L.LLLLLD.D.", //
        ".L.L....D.D.", //
        ".L.L....D.D.", //
        ".L.L....D.D.", //
        ".L.L....D.D.", //
        ".L.LDDDDD.D.", //
        ".L........D.", //
        ".LDDDDDDDDD.", //
        "............", //
    };
    EXPECT_EQ(FramePicture(target), expected);
}

TEST(FrameTest, NothingForStyleNoneOrNoWidthAndThePenIsRestored) {
    CDrawManager manager;
    CBitmap target = CBitmap::Create(12, 12);
    CDc dc(target);
    const gfx::CPen pen(gfx::PenStyle::Dot, 1, Rgb(5, 5, 5));
    dc.SelectPen(pen);
    manager.DrawFrame(dc, {1, 1, 10, 10}, FrameNone, 1, Rgb(255, 255, 255), 0);
    manager.DrawFrame(dc, {1, 1, 10, 10}, FrameSolid, 0, Rgb(255, 255, 255), 0);
    manager.DrawLineSegment(dc, {0, 0}, {10, 10}, 0, Rgb(255, 255, 255));
    EXPECT_TRUE(std::all_of(target.Bits(), target.Bits() + 144, [](Pixel p) { return p == 0; }));
    manager.DrawFrame(dc, {1, 1, 10, 10}, FrameDashed, 1, Rgb(255, 255, 255), Rgb(255, 255, 255));
    EXPECT_EQ(dc.Pen(), pen);
    EXPECT_EQ(target.GetPixel(1, 1), kWhite);
    // A wide frame is drawn half a width inside the rectangle.
    CBitmap wide = CBitmap::Create(12, 12);
    CDc wideDc(wide);
    manager.DrawFrame(wideDc, {0, 0, 12, 12}, FrameSolid, 4, Rgb(255, 255, 255),
                      Rgb(255, 255, 255));
    EXPECT_EQ(wide.GetPixel(0, 6), kWhite);
    EXPECT_EQ(wide.GetPixel(3, 6), kWhite);
    EXPECT_EQ(wide.GetPixel(6, 6), 0u);
}

TEST(FrameTest, LineSegmentHasItsWidthAndColour) {
    CDrawManager manager;
    CBitmap target = CBitmap::Create(20, 9);
    CDc dc(target);
    manager.DrawLineSegment(dc, {2, 4}, {17, 4}, 3, Rgb(255, 255, 255));
    EXPECT_EQ(target.GetPixel(10, 3), kWhite);
    EXPECT_EQ(target.GetPixel(10, 5), kWhite);
    EXPECT_EQ(target.GetPixel(10, 7), 0u);
    manager.DrawLineSegment(dc, {0, 0}, {5, 0}, 1, Rgb(128, 128, 128));
    EXPECT_EQ(target.GetPixel(4, 0), MakePixel(128, 128, 128));
    EXPECT_EQ(target.GetPixel(5, 0), 0u);
}

} // namespace
} // namespace tooltip

#include "gfx/CDc.h"
#include "gfx/CIcon.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include <array>
#include <string>
#include <vector>

namespace gfx {
namespace {

constexpr Pixel kWhitePixel = MakePixel(255, 255, 255);

// The bitmap's pixels as rows of characters: '#' for pixels equal to ink, '.' otherwise.
std::vector<std::string> Picture(const CBitmap& bitmap, Pixel ink) {
    std::vector<std::string> rows;
    for (int y = 0; y < bitmap.PixelHeight(); ++y) {
        std::string row;
        for (int x = 0; x < bitmap.PixelWidth(); ++x) {
            row += bitmap.GetPixel(x, y) == ink ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> RegionPicture(const CRegion& region, int width, int height) {
    std::vector<std::string> rows;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            row += region.Contains(x, y) ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(RegionTest, RoundRectangleLeavesOutRightAndBottomAndRoundsItsCorners) {
    const CRegion region = CRegion::RoundRect(0, 0, 11, 9, 8, 8);
    EXPECT_EQ(region.Bounds(), (Rect{0, 0, 11, 9}));
    const std::vector<std::string> expected = {
        "..#######..", //
        ".#########.", //
        "###########", //
        "###########", //
        "###########", //
        "###########", //
        "###########", //
        ".#########.", //
        "..#######..", //
    };
    EXPECT_EQ(RegionPicture(region, 11, 9), expected);
}

TEST(RegionTest, RoundRectangleCornersAreSymmetricAndClampedToTheSize) {
    const CRegion region = CRegion::RoundRect(0, 0, 41, 25, 16, 16);
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 41; ++x) {
            ASSERT_EQ(region.Contains(x, y), region.Contains(40 - x, y)) << x << "," << y;
            ASSERT_EQ(region.Contains(x, y), region.Contains(x, 24 - y)) << x << "," << y;
        }
    }
    EXPECT_FALSE(region.Contains(0, 0));
    EXPECT_TRUE(region.Contains(8, 0));
    EXPECT_TRUE(region.Contains(0, 12));
    // Corner ellipses larger than the rectangle make an ellipse, not a fault.
    const CRegion ellipse = CRegion::RoundRect(0, 0, 10, 10, 100, 100);
    EXPECT_EQ(ellipse.Bounds(), (Rect{0, 0, 10, 10}));
    EXPECT_TRUE(ellipse.Contains(5, 5));
    EXPECT_FALSE(ellipse.Contains(0, 0));
    EXPECT_TRUE(CRegion::RoundRect(5, 5, 5, 9, 4, 4).IsEmpty());
}

TEST(RegionTest, PolygonFillsAlternately) {
    // A square drawn twice around overlaps itself: alternate filling leaves the doubled part out.
    const std::array<Point, 8> twice = {Point{0, 0}, {8, 0}, {8, 8}, {0, 8},
                                        {0, 0},      {4, 0}, {4, 8}, {0, 8}};
    const CRegion region = CRegion::Polygon(twice);
    EXPECT_FALSE(region.Contains(1, 4));
    EXPECT_TRUE(region.Contains(6, 4));
    // Right and bottom edges are left out, as for rectangles.
    const std::array<Point, 4> square = {Point{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    EXPECT_EQ(CRegion::Polygon(square).Bounds(), (Rect{0, 0, 10, 10}));
    // A triangle standing on its base: wider toward the bottom.
    const std::array<Point, 3> triangle = {Point{10, 0}, {0, 10}, {20, 10}};
    const CRegion tri = CRegion::Polygon(triangle);
    EXPECT_FALSE(tri.Contains(2, 2));
    EXPECT_TRUE(tri.Contains(10, 2));
    EXPECT_TRUE(tri.Contains(2, 9));
    EXPECT_TRUE(CRegion::Polygon(std::span<const Point>(triangle.data(), 2)).IsEmpty());
}

TEST(RegionTest, UnionOffsetAndFrame) {
    CRegion a = CRegion::FromRect({0, 0, 4, 4});
    CRegion b = a;
    b.Offset(2, 2);
    EXPECT_TRUE(a.Contains(0, 0));
    EXPECT_FALSE(b.Contains(0, 0)); // copies are independent
    const CRegion both = a.United(b);
    EXPECT_EQ(both.Bounds(), (Rect{0, 0, 6, 6}));
    EXPECT_FALSE(both.Contains(5, 0));
    EXPECT_TRUE(both.Contains(5, 5));

    CBitmap bitmap = CBitmap::Create(8, 6);
    CDc dc(bitmap);
    dc.FrameRegion(CRegion::FromRect({1, 1, 7, 5}), CBrush(Rgb(255, 255, 255)), 2, 1);
    const std::vector<std::string> expected = {
        "........", //
        ".######.", //
        ".##..##.", //
        ".##..##.", //
        ".######.", //
        "........", //
    };
    EXPECT_EQ(Picture(bitmap, kWhitePixel), expected);
}

TEST(TransferTest, AndOrAndCopyWorkOnAllBytes) {
    CBitmap target = CBitmap::Create(2, 1);
    CBitmap source = CBitmap::Create(2, 1);
    target.SetPixel(0, 0, 0xF0F0F0F0u);
    target.SetPixel(1, 0, 0x0000FF00u);
    source.SetPixel(0, 0, 0x3C3C3C3Cu);
    source.SetPixel(1, 0, 0xFF0000FFu);
    CDc dc(target);
    const CDc from(source);
    ASSERT_TRUE(dc.BitBlt(0, 0, 2, 1, from, 0, 0, Rop::SrcAnd));
    EXPECT_EQ(target.GetPixel(0, 0), 0x30303030u);
    EXPECT_EQ(target.GetPixel(1, 0), 0x00000000u);
    ASSERT_TRUE(dc.BitBlt(0, 0, 2, 1, from, 0, 0, Rop::SrcPaint));
    EXPECT_EQ(target.GetPixel(0, 0), 0x3C3C3C3Cu);
    EXPECT_EQ(target.GetPixel(1, 0), 0xFF0000FFu);
    target.SetPixel(0, 0, 0x12345678u);
    ASSERT_TRUE(dc.BitBlt(0, 0, 1, 1, from, 1, 0));
    EXPECT_EQ(target.GetPixel(0, 0), 0xFF0000FFu); // a copy carries the alpha byte
    // Keyed (non-zero alpha): destination colour kept, source colour ORed in; else copied.
    target.SetPixel(0, 0, 0xAA102030u);
    target.SetPixel(1, 0, 0xAA102030u);
    ASSERT_TRUE(dc.BitBlt(0, 0, 2, 1, from, 0, 0, Rop::SrcKeyed));
    EXPECT_EQ(target.GetPixel(0, 0), 0x003C3C3Cu);
    EXPECT_EQ(target.GetPixel(1, 0), 0x001020FFu);
    // Blended by the source's alpha, each product truncated: 0x3C = 60, a = 60 / 255.
    target.SetPixel(0, 0, 0x00FF0A00u);
    ASSERT_TRUE(dc.BitBlt(0, 0, 1, 1, from, 0, 0, Rop::SrcBlend));
    EXPECT_EQ(target.GetPixel(0, 0), gfx::MakePixel(209, 21, 14));
}

TEST(TransferTest, TransfersAreCutAtBothBitmapsAndTheClip) {
    CBitmap target = CBitmap::Create(6, 4);
    CBitmap source = CBitmap::Create(3, 3);
    CDc fill(source);
    fill.FillSolidRect({0, 0, 3, 3}, Rgb(255, 255, 255));
    CDc dc(target);
    dc.SelectClipRegion(CRegion::FromRect({0, 0, 6, 2}));
    ASSERT_TRUE(dc.BitBlt(1, 0, 5, 4, fill, 0, 0));
    const std::vector<std::string> expected = {
        ".###..", //
        ".###..", //
        "......", //
        "......", //
    };
    EXPECT_EQ(Picture(target, kWhitePixel), expected);
    dc.RemoveClipRegion();
    EXPECT_TRUE(dc.BitBlt(-2, -2, 3, 3, fill, 0, 0));
    EXPECT_EQ(target.GetPixel(0, 0), kWhitePixel);
    EXPECT_FALSE(dc.StretchBlt(0, 0, -1, 2, fill, 0, 0, 3, 3));
}

TEST(TransferTest, StretchingPicksNearestPixelsWithoutMixing) {
    CBitmap source = CBitmap::Create(2, 1);
    source.SetPixel(0, 0, MakePixel(255, 0, 255));
    source.SetPixel(1, 0, MakePixel(0, 128, 0));
    CBitmap target = CBitmap::Create(5, 2);
    CDc dc(target);
    ASSERT_TRUE(dc.StretchBlt(0, 0, 5, 2, CDc(source), 0, 0, 2, 1));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 5; ++x) {
            const Pixel p = target.GetPixel(x, y);
            EXPECT_TRUE(p == source.GetPixel(0, 0) || p == source.GetPixel(1, 0));
        }
    }
    EXPECT_EQ(target.GetPixel(0, 0), source.GetPixel(0, 0));
    EXPECT_EQ(target.GetPixel(4, 1), source.GetPixel(1, 0));
    // Shrinking keeps exact colours too.
    CBitmap small = CBitmap::Create(1, 1);
    ASSERT_TRUE(CDc(small).StretchBlt(0, 0, 1, 1, CDc(target), 0, 0, 5, 2));
    EXPECT_TRUE(small.GetPixel(0, 0) == source.GetPixel(0, 0) ||
                small.GetPixel(0, 0) == source.GetPixel(1, 0));
}

// A slight shrink (as a shadow's mask takes) picks the nearest source column for every pixel,
// leaves pixels whose source lies left of the bitmap alone, and keeps to a clip of two parts.
TEST(TransferTest, SlightShrinksPickTheNearestColumnWithinTheClip) {
    CBitmap source = CBitmap::Create(40, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 40; ++x) {
            source.SetPixel(x, y, MakePixel(x + 1, y + 1, 0));
        }
    }
    CBitmap target = CBitmap::Create(36, 2);
    CDc dc(target);
    CRegion clip = CRegion::FromRect({0, 0, 10, 2});
    clip = clip.United(CRegion::FromRect({20, 0, 36, 2}));
    dc.SelectClipRegion(clip);
    ASSERT_TRUE(dc.StretchBlt(0, 0, 36, 2, CDc(source), -4, 0, 40, 2));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 36; ++x) {
            const int column = -4 + (2 * x + 1) * 40 / 72;
            const bool drawn = (x < 10 || x >= 20) && column >= 0;
            EXPECT_EQ(target.GetPixel(x, y), drawn ? MakePixel(column + 1, y + 1, 0) : 0u)
                << x << "," << y;
        }
    }
}

TEST(TransferTest, DenseBitmapsCopyAtTheirOwnResolution) {
    CBitmap dense = CBitmap::Create(4, 4, 2.0);
    CDc denseDc(dense);
    denseDc.FillSolidRect({1, 1, 2, 2}, Rgb(255, 255, 255));
    EXPECT_EQ(dense.GetPixel(2, 2), kWhitePixel);
    EXPECT_EQ(dense.GetPixel(3, 3), kWhitePixel);
    EXPECT_EQ(dense.GetPixel(4, 4), 0u);
    CBitmap plain = CBitmap::Create(4, 4);
    ASSERT_TRUE(CDc(plain).BitBlt(0, 0, 4, 4, denseDc, 0, 0));
    EXPECT_EQ(plain.GetPixel(1, 1), kWhitePixel);
    EXPECT_EQ(plain.GetPixel(2, 1), 0u);
}

TEST(TransferTest, IndexedImagesGoThroughTheColourTable) {
    std::array<Pixel, 256> table{};
    for (int i = 0; i < 256; ++i) {
        table[static_cast<std::size_t>(i)] = MakePixel(i, 0, 255 - i);
    }
    // Two rows of three indexes, stride 4, bottom row first in memory.
    const std::array<std::uint8_t, 8> indexes = {1, 2, 3, 0, 10, 20, 30, 0};
    CBitmap target = CBitmap::Create(3, 2);
    CDc dc(target);
    ASSERT_TRUE(dc.DrawIndexedImage(0, 0, 3, 2, indexes.data(), 4, true, table));
    EXPECT_EQ(target.GetPixel(0, 0), table[10]);
    EXPECT_EQ(target.GetPixel(2, 1), table[3]);
    ASSERT_TRUE(dc.DrawIndexedImage(0, 0, 3, 2, indexes.data(), 4, false, table));
    EXPECT_EQ(target.GetPixel(0, 0), table[1]);
    EXPECT_FALSE(dc.DrawIndexedImage(0, 0, 3, 2, indexes.data(), 2, false, table));
    EXPECT_FALSE(dc.DrawIndexedImage(0, 0, 3, 2, indexes.data(), 4, false,
                                     std::span<const Pixel>(table.data(), 16)));
}

TEST(LineTest, OnePixelLinesLeaveOutTheirEndPoint) {
    CBitmap bitmap = CBitmap::Create(6, 5);
    CDc dc(bitmap);
    dc.SelectPen(CPen(PenStyle::Solid, 1, Rgb(255, 255, 255)));
    dc.MoveTo(1, 1);
    dc.LineTo(5, 1);
    dc.LineTo(5, 4);
    EXPECT_EQ(dc.CurrentPosition(), (Point{5, 4}));
    const std::vector<std::string> expected = {
        "......", //
        ".#####", //
        ".....#", //
        ".....#", //
        "......", //
    };
    EXPECT_EQ(Picture(bitmap, kWhitePixel), expected);
}

// Rows and columns drawn either way leave out the end point, stay inside the clip, and a copy
// within one bitmap whose source lies partly outside it copies only the part inside.
TEST(LineTest, BackwardLinesKeepTheClipAndSelfCopiesReadOnlyTheBitmap) {
    CBitmap bitmap = CBitmap::Create(6, 5);
    CDc dc(bitmap);
    dc.SelectPen(CPen(PenStyle::Solid, 1, Rgb(255, 255, 255)));
    dc.MoveTo(5, 0);
    dc.LineTo(1, 0);
    dc.MoveTo(0, 4);
    dc.LineTo(0, 1);
    dc.SelectClipRegion(CRegion::FromRect({2, 0, 6, 5}));
    dc.MoveTo(-3, 2);
    dc.LineTo(9, 2);
    dc.RemoveClipRegion();
    const std::vector<std::string> lines = {
        "..####", //
        "......", //
        "#.####", //
        "#.....", //
        "#.....", //
    };
    EXPECT_EQ(Picture(bitmap, kWhitePixel), lines);
    // Rows 0..2 read from rows -2..0: only row 0 lies inside, landing on row 2.
    EXPECT_TRUE(dc.BitBlt(0, 0, 6, 3, dc, 0, -2));
    const std::vector<std::string> copied = {
        "..####", //
        "......", //
        "..####", //
        "#.....", //
        "#.....", //
    };
    EXPECT_EQ(Picture(bitmap, kWhitePixel), copied);
}

TEST(LineTest, StyledPensDashAndFillGapsOnlyWhenOpaque) {
    CBitmap bitmap = CBitmap::Create(30, 2);
    CDc dc(bitmap);
    dc.SelectPen(CPen(PenStyle::Dot, 1, Rgb(255, 255, 255)));
    dc.SetBkMode(BkMode::Transparent);
    dc.MoveTo(0, 0);
    dc.LineTo(12, 0);
    EXPECT_EQ(Picture(bitmap, kWhitePixel)[0].substr(0, 12), "###...###...");
    dc.SetBkMode(BkMode::Opaque);
    dc.SetBkColor(Rgb(255, 0, 0));
    dc.MoveTo(0, 1);
    dc.LineTo(12, 1);
    EXPECT_EQ(Picture(bitmap, MakePixel(255, 0, 0))[1].substr(0, 12), "...###...###");
}

TEST(LineTest, WidePensDrawSolidAroundTheLine) {
    CBitmap bitmap = CBitmap::Create(20, 10);
    CDc dc(bitmap);
    dc.SelectPen(CPen(PenStyle::Dash, 3, Rgb(255, 255, 255)));
    dc.MoveTo(2, 5);
    dc.LineTo(17, 5);
    for (int x = 2; x <= 17; ++x) {
        EXPECT_EQ(bitmap.GetPixel(x, 5), kWhitePixel) << x;
        EXPECT_EQ(bitmap.GetPixel(x, 4), kWhitePixel) << x;
        EXPECT_EQ(bitmap.GetPixel(x, 6), kWhitePixel) << x;
    }
    EXPECT_EQ(bitmap.GetPixel(10, 2), 0u);
    EXPECT_EQ(bitmap.GetPixel(10, 8), 0u);
}

TEST(IconTest, PicturesWithAlphaBecomeColourAndMask) {
    CBitmap picture = CBitmap::Create(4, 2);
    picture.SetPixel(0, 0, MakePixel(10, 20, 30, 255));
    picture.SetPixel(1, 0, MakePixel(10, 20, 30, 0));
    const CIcon icon = CIcon::FromBitmap(picture);
    IconInfo info;
    ASSERT_TRUE(icon.GetInfo(info));
    EXPECT_EQ(info.hotSpot, (Point{2, 1}));
    EXPECT_EQ(info.mask.GetPixel(0, 0), 0u);
    EXPECT_EQ(info.mask.GetPixel(1, 0), kWhitePixel);
    EXPECT_EQ(info.color.GetPixel(1, 0), 0u);
    // The info holds copies: changing them leaves the icon alone.
    info.color.SetPixel(0, 0, 0);
    IconInfo again;
    ASSERT_TRUE(icon.GetInfo(again));
    EXPECT_EQ(again.color.GetPixel(0, 0), MakePixel(10, 20, 30, 255));
    EXPECT_FALSE(CIcon().GetInfo(again));
}

} // namespace
} // namespace gfx

namespace gfx {
namespace {

TEST(BoundsTest, FarAwayCoordinatesDrawOnlyWhatIsInside) {
    CBitmap bitmap = CBitmap::Create(20, 10);
    CBitmap tile = CBitmap::Create(2, 2);
    CDc(tile).FillSolidRect({0, 0, 2, 2}, Rgb(255, 255, 255));
    CDc dc(bitmap);
    dc.SelectPen(CPen(PenStyle::Solid, 1, Rgb(255, 255, 255)));
    dc.MoveTo(-1000000000, 5);
    dc.LineTo(1000000000, 5);
    EXPECT_EQ(bitmap.GetPixel(0, 5), MakePixel(255, 255, 255));
    EXPECT_EQ(bitmap.GetPixel(19, 5), MakePixel(255, 255, 255));
    EXPECT_EQ(bitmap.GetPixel(10, 4), 0u);
    dc.SelectPen(CPen(PenStyle::Solid, 3, Rgb(255, 0, 0)));
    dc.MoveTo(10, -2000000000);
    dc.LineTo(10, 2000000000);
    EXPECT_EQ(bitmap.GetPixel(10, 0), MakePixel(255, 0, 0));
    dc.FillSolidRect({-2000000000, 8, 2000000000, 2000000000}, Rgb(0, 255, 0));
    EXPECT_EQ(bitmap.GetPixel(0, 9), MakePixel(0, 255, 0));
    EXPECT_TRUE(
        dc.StretchBlt(-2000000000, -2000000000, 2100000000, 2000000005, CDc(tile), 0, 0, 2, 2));
    EXPECT_EQ(bitmap.GetPixel(10, 2), MakePixel(255, 255, 255)); // the huge tile covers it all
    dc.TextOut(-2000000000, 0, "far away");
    dc.TextOut(2000000000, 0, "far away");
    EXPECT_EQ(bitmap.GetPixel(10, 2), MakePixel(255, 255, 255));
}

// Pictures are decoded straight into the bitmap where the file's layout allows it, else
// converted; either way opaque pictures get zero alpha bytes and the others keep theirs.
TEST(PictureFileTest, EveryLayoutLoadsTheSamePixels) {
    struct Case {
        QImage::Format format;
        const char* suffix;
        bool keepsAlpha;
    };
    const Case cases[] = {{QImage::Format_RGB32, "png", false},
                          {QImage::Format_ARGB32, "png", true},
                          {QImage::Format_RGB32, "bmp", false},
                          {QImage::Format_Grayscale8, "png", false}};
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.suffix);
        QImage picture(5, 3, QImage::Format_ARGB32);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                picture.setPixel(x, y, qRgba(40 * x, 90 * y, 7 * x * y, 60 + 30 * x));
            }
        }
        picture = picture.convertToFormat(c.format);
        const QString path = dir.filePath(QString("p%1.%2").arg(n++).arg(c.suffix));
        ASSERT_TRUE(picture.save(path));
        const QImage expected = QImage(path).convertToFormat(QImage::Format_ARGB32);
        const CBitmap bitmap = CBitmap::LoadFile(path.toStdString(), 1 << 20);
        ASSERT_TRUE(bitmap);
        ASSERT_EQ(bitmap.GetSize(), (Size{5, 3}));
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                const Pixel want = expected.pixel(x, y);
                EXPECT_EQ(bitmap.GetPixel(x, y), c.keepsAlpha ? want : want & 0x00FFFFFFu);
            }
        }
    }
}

} // namespace
} // namespace gfx

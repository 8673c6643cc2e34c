// Every picture path (bitmaps, strip cells, icons) under each effect, keyed colour, alpha,
// shadow and pixel ratio, compared with checksums of pixels known to be right.

#include "tooltip/draw/CDrawManager.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tooltip {
namespace {

using gfx::CBitmap;
using gfx::CDc;
using gfx::MakePixel;
using gfx::Rgb;

constexpr gfx::ColorRef kKey = Rgb(255, 0, 255);

// A busy picture: every fifth diagonal keyed, the alpha bytes (when wanted) ranging widely.
CBitmap Picture(int width, int height, bool alpha) {
    CBitmap bitmap = CBitmap::Create(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int a = alpha ? (x * 37 + y * 11) % 256 : 0;
            bitmap.SetPixel(x, y,
                            (x + y) % 5 == 0
                                ? gfx::PixelFromColor(kKey)
                                : MakePixel(x * 19 % 256, y * 23 % 256, x * y * 7 % 256, a));
        }
    }
    return bitmap;
}

gfx::CIcon Icon(bool alpha) {
    const CBitmap picture = Picture(12, 10, alpha);
    if (alpha) {
        return gfx::CIcon::FromBitmap(picture);
    }
    CBitmap mask = CBitmap::Create(12, 10);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool clear = picture.GetPixel(x, y) == gfx::PixelFromColor(kKey);
            mask.SetPixel(x, y, clear ? MakePixel(255, 255, 255) : 0);
            if (clear) {
                picture.SetPixel(x, y, 0);
            }
        }
    }
    return gfx::CIcon::Create(picture, mask, {6, 5});
}

std::uint64_t Checksum(const CBitmap& bitmap) {
    std::uint64_t hash = 1469598103934665603ULL;
    const std::size_t count = static_cast<std::size_t>(bitmap.PixelWidth()) * bitmap.PixelHeight();
    for (std::size_t i = 0; i < count; ++i) {
        hash = (hash ^ bitmap.Bits()[i]) * 1099511628211ULL;
    }
    return hash;
}

enum Kind { OfBitmap, OfStrip, OfIcon };

struct Case {
    const char* name;
    Kind kind;
    unsigned flags;
    bool keyed;
    bool alpha;
    bool shadowRoom;
    double ratio;
    int width;
    int height;
    bool clip;
    std::uint64_t expected;
};

constexpr unsigned kHard = ImageHardShadow;
constexpr unsigned kSoft = ImageSoftShadow;

const Case kCases[] = {
    {"plain", OfBitmap, 0, false, false, false, 1, 13, 11, false, 0xeb3caf32c0478ab8ULL},
    {"keyed", OfBitmap, 0, true, false, false, 1, 13, 11, false, 0x31e689ab6fe6547dULL},
    {"keyed gray enlarged", OfBitmap, ImageGray, true, false, false, 1, 29, 17, false,
     0xfb567b80878b924fULL},
    {"keyed darken shrunk", OfBitmap, ImageDarken, true, false, false, 1, 7, 5, false,
     0x34e0f61036306fe2ULL},
    {"lighten hard shadow", OfBitmap, ImageLighten | kHard, true, false, true, 1, 13, 11, false,
     0xa245804108248e3eULL},
    {"mono soft shadow", OfBitmap, ImageMono | kSoft, true, false, true, 1, 20, 15, false,
     0xab961b55639722e5ULL},
    {"invert keyed", OfBitmap, ImageInvert, true, false, false, 1, 13, 11, false,
     0x42b9069ab462e042ULL},
    {"alpha keyed soft", OfBitmap, kSoft, true, true, true, 1, 25, 19, false,
     0xd740aed050ff314bULL},
    {"alpha gray", OfBitmap, ImageGray, false, true, false, 1, 13, 11, false,
     0x15609ae309564ce7ULL},
    {"moved without shadow", OfBitmap, 0, true, false, true, 1, 13, 11, false,
     0x35d519a5c24f5a6dULL},
    {"ratio 2 keyed soft", OfBitmap, kSoft, true, false, true, 2, 17, 13, false,
     0x8a9648240a11db09ULL},
    {"ratio 2 alpha hard", OfBitmap, ImageDarken | kHard, true, true, true, 2, 13, 11, false,
     0x026d3f50c73c4987ULL},
    {"clipped soft", OfBitmap, ImageGray | kSoft, true, false, true, 1, 20, 15, true,
     0xb7a3a20de064c873ULL},
    {"strip keyed soft", OfStrip, kSoft, true, false, true, 1, 4, 3, false, 0x5685336b5f0b0eb1ULL},
    {"strip alpha gray hard", OfStrip, ImageGray | kHard, true, true, true, 1, 9, 7, false,
     0x957b1da31f891b87ULL},
    {"strip ratio 2", OfStrip, ImageLighten, true, false, false, 2, 4, 3, false,
     0x2853243713212eabULL},
    {"icon", OfIcon, 0, false, false, false, 1, 12, 10, false, 0x0fd52b785dd06cd7ULL},
    {"icon gray soft", OfIcon, ImageGray | kSoft, false, false, true, 1, 12, 10, false,
     0x9d6ab641c3bb0b6fULL},
    {"icon scaled mono hard", OfIcon, ImageMono | kHard, false, false, true, 1, 23, 17, false,
     0xc5e07cb10239178bULL},
    {"icon alpha scaled soft", OfIcon, ImageDarken | kSoft, false, true, true, 1, 19, 13, false,
     0xcd2a41c0933bf7ebULL},
    {"icon alpha invert", OfIcon, ImageInvert, false, true, false, 1, 12, 10, false,
     0x53ab9bed54b8a398ULL},
    {"icon ratio 2 scaled soft", OfIcon, kSoft, false, true, true, 2, 7, 6, false,
     0x9bd01114c670795dULL},
    {"icon clipped", OfIcon, ImageLighten, false, false, false, 1, 12, 10, true,
     0x3c2db77f4801cd4aULL},
    // Taller than a band of shadow rows.
    {"tall gray soft", OfBitmap, ImageGray | kSoft, true, false, true, 1, 21, 300, false,
     0x335c0d71c6a02aedULL},
    {"tall alpha hard ratio 2", OfBitmap, kHard, true, true, true, 2, 13, 150, false,
     0x6dc1509e67625c75ULL},
    {"tall soft ratio 2 clipped", OfBitmap, kSoft, true, false, true, 2, 30, 140, true,
     0x1a7841d4ceeab622ULL},
    {"tall icon scaled soft", OfIcon, kSoft, false, false, true, 1, 24, 266, false,
     0xef056df814959286ULL},
};

TEST(PictureDrawTest, EveryPathDrawsTheKnownPixels) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        CDrawManager manager;
        const bool tall = c.height > 40;
        const int depthX = tall ? 9 : 5;
        const int depthY = tall ? 45 : 3;
        CBitmap target = CBitmap::Create(48, tall ? c.height + 30 : 40, c.ratio);
        CDc dc(target);
        for (int y = 0; y < 400; y += 4) {
            dc.FillSolidRect({0, y, 48, y + 4}, Rgb(200 - 4 * y, 120 + 3 * y, 90 + y));
        }
        if (c.clip) {
            dc.SelectClipRegion(gfx::CRegion::FromRect({5, 6, 18, 30}));
        }
        switch (c.kind) {
        case OfBitmap:
            manager.DrawBitmapImage(dc, 3, 4, c.width, c.height, Picture(13, 11, c.alpha), c.keyed,
                                    kKey, c.flags, c.shadowRoom, 4, 3, depthX, depthY,
                                    Rgb(60, 90, 120));
            break;
        case OfStrip:
            manager.DrawStripImage(dc, 3, 4, c.width, c.height, Picture(13, 11, c.alpha), 4, 4, 3,
                                   c.keyed, kKey, c.flags, c.shadowRoom, 4, 3, depthX, depthY,
                                   Rgb(60, 90, 120));
            break;
        case OfIcon:
            manager.DrawIconImage(dc, 3, 4, c.width, c.height, Icon(c.alpha), c.flags, c.shadowRoom,
                                  4, 3, depthX, depthY, Rgb(60, 90, 120));
            break;
        }
        EXPECT_EQ(Checksum(target), c.expected);
    }
}

} // namespace
} // namespace tooltip

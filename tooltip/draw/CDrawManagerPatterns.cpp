// The palette pattern effects of the draw manager ("noise", shades, bumps, "metal"). Indexes are
// computed per pixel into the palette image and mapped to a ramp from the end colour (index 0)
// through the mid colour to the begin colour (index 255). Row r counts from the bottom.

#include "tooltip/draw/CDrawManager.h"

#include <algorithm>
#include <cstdint>

namespace tooltip {

namespace {

// No bitmap of the drawing layer has a longer side.
constexpr int kMaxBitmapSide = 32767;

int Cube(int t) {
    return t * t * t;
}

// The palette: end colour to mid colour over entries 0 .. 128, mid to begin over 128 .. 255.
void BuildRamp(CPaletteImage& image, gfx::ColorRef begin, gfx::ColorRef mid, gfx::ColorRef end) {
    auto blend = [](int a, int b, int wa, int wb) { return (a * wa + b * wb) / 128; };
    for (int i = 0; i <= 128; ++i) {
        image.SetPaletteColour(i, blend(gfx::RedOf(end), gfx::RedOf(mid), 128 - i, i),
                               blend(gfx::GreenOf(end), gfx::GreenOf(mid), 128 - i, i),
                               blend(gfx::BlueOf(end), gfx::BlueOf(mid), 128 - i, i));
    }
    for (int j = 1; j <= 128; ++j) {
        image.SetPaletteColour(127 + j, blend(gfx::RedOf(mid), gfx::RedOf(begin), 128 - j, j),
                               blend(gfx::GreenOf(mid), gfx::GreenOf(begin), 128 - j, j),
                               blend(gfx::BlueOf(mid), gfx::BlueOf(begin), 128 - j, j));
    }
}

// Whether the effect's formulas have a value for this size (no zero divisor).
bool Drawable(int effect, int w, int h) {
    if (w <= 0 || h <= 0) {
        return false;
    }
    if (effect == BackgroundHardBump) {
        return h >= 2;
    }
    if (effect == BackgroundMetal) {
        return w <= kRandomMax && h <= kRandomMax;
    }
    return true;
}

// The noise n = R / C - g lies in -g .. g; C is kept above 0 for any granularity.
int NoiseDivisor(int g) {
    return std::max(1, kRandomMax / std::max(2 * g, 1));
}

// The index of effects 7 to 13 at column x of row r before the noise is added; g is the
// granularity and d = 255 - 2g the span the ramp leaves for the noise.
int ShadeIndex(int effect, int x, int r, int w, int h, int g) {
    const int d = 255 - 2 * g;
    auto bump = [g](int t) { return ((Cube(t) / 16384) * (128 - g)) / 128; };
    switch (effect) {
    case BackgroundDiagShade:
        return ((d / 2) * (w - x)) / w + ((d / 2) * r) / h + g;
    case BackgroundHShade:
        return (d * r) / h + g;
    case BackgroundVShade:
        return (d * (w - x)) / w + g;
    case BackgroundHBump:
        return 128 + bump((255 * r) / h - 127);
    case BackgroundVBump:
        return 128 + bump((255 * (w - x)) / w - 127);
    case BackgroundSoftBump: {
        const int t1 = (255 * r) / h - 127;
        const int t2 = (255 * (w - x)) / w - 127;
        const int v = 128 + ((Cube(t1) / 16384 + Cube(t2) / 16384) * (128 - g)) / 128;
        return std::min(std::max(v, g), 255 - g);
    }
    default: // "noise"
        return 128;
    }
}

} // namespace

void CDrawManager::PaintPatternEffect(gfx::CDc& dc, const gfx::Rect& rect, int effect,
                                      gfx::ColorRef begin, gfx::ColorRef mid, gfx::ColorRef end,
                                      int granularity, int paletteTint) {
    const int w = rect.Width();
    const int h = rect.Height();
    // Nothing larger than a bitmap could be drawn; returning first also keeps every product
    // below (255 * r and the like) within int.
    if (effect < BackgroundNoise || effect > BackgroundMetal || !Drawable(effect, w, h) ||
        w > kMaxBitmapSide || h > kMaxBitmapSide) {
        return;
    }
    if (!m_patternImage.Allocate(w, h)) {
        return;
    }
    BuildRamp(m_patternImage, begin, mid, end);
    m_patternImage.TintPalette(paletteTint, begin);
    const int g = granularity;
    if (effect == BackgroundHardBump) {
        PaintHardBump(w, h, g);
    } else if (effect == BackgroundMetal) {
        PaintMetal(w, h, g);
    } else {
        std::uint8_t* const pixels = m_patternImage.PixelData();
        const int stride = m_patternImage.RowStride();
        const int noiseC = NoiseDivisor(g);
        // Row r of the pixel area is row r from the bottom of the picture.
        for (int r = 0; r < h; ++r) {
            for (int x = 0; x < w; ++x) {
                const int index = ShadeIndex(effect, x, r, w, h, g) + Random() / noiseC - g;
                pixels[static_cast<std::size_t>(r) * stride + x] = static_cast<std::uint8_t>(index);
            }
        }
    }
    m_patternImage.BlitTo(dc, rect.left, rect.top);
}

void CDrawManager::PaintHardBump(int w, int h, int g) {
    std::uint8_t* const pixels = m_patternImage.PixelData();
    const int stride = m_patternImage.RowStride();
    const int noiseC = NoiseDivisor(g);
    auto noise = [&] { return Random() / noiseC - g; };
    for (int r = 0; r < h; ++r) {
        const int t = (255 * r) / h - 127;
        for (int x = 0; x < w; ++x) {
            pixels[static_cast<std::size_t>(r) * stride + x] =
                static_cast<std::uint8_t>(128 + ((Cube(t) / 16384) * (64 - g) * 2) / 128 + noise());
        }
    }
    // Bevels: a band toward the begin colour along the left edge and one toward the end colour
    // along the right edge, narrowing toward top and bottom along a parabola.
    const long long bevel = std::min(w / 6, 16);
    const long long quarter = (static_cast<long long>(h) * h) / 4;
    for (int r = 0; r < h; ++r) {
        const long long hr = r - h / 2;
        const long long j = (hr * bevel * hr) / quarter + w / 2 - bevel;
        for (int x = 0; x < w; ++x) {
            std::uint8_t& cell = pixels[static_cast<std::size_t>(r) * stride + x];
            int index = cell;
            if (bevel > 0 && x - w / 2 > j) {
                index = static_cast<int>((128 * (w - x)) / bevel) + g;
            }
            if (bevel > 0 && x - w / 2 + j < 0) {
                index = (255 - g) - static_cast<int>((128LL * x) / bevel);
            }
            cell = static_cast<std::uint8_t>(index + noise());
        }
    }
}

void CDrawManager::PaintMetal(int w, int h, int g) {
    m_patternImage.ZeroPixels();
    for (int stroke = 0; stroke < 200; ++stroke) {
        const int x0 = Random() / (kRandomMax / w);
        const int y0 = Random() / (kRandomMax / h);
        const int length = (Random() / (kRandomMax / std::min(w, h))) / 2;
        const auto k = static_cast<std::uint8_t>(Random() / 819);
        for (int s = 0; s < length; ++s) {
            if (x0 - s > 0 && y0 + s < h) {
                m_patternImage.PutIndex(x0 - s, y0 + s, k);
            }
            if (x0 + s < w && y0 - s > 0) {
                m_patternImage.PutIndex(w - x0 + s, y0 - s, k);
            }
        }
    }
    const int f = (255 - 2 * g - 40) / 2;
    const int noiseC = NoiseDivisor(g);
    std::uint8_t* const pixels = m_patternImage.PixelData();
    const int stride = m_patternImage.RowStride();
    for (int r = 0; r < h; ++r) {
        for (int x = 0; x < w; ++x) {
            std::uint8_t& cell = pixels[static_cast<std::size_t>(r) * stride + x];
            cell = static_cast<std::uint8_t>(cell + (f * (w - x)) / w + (f * r) / h +
                                             Random() / noiseC);
        }
    }
}

} // namespace tooltip

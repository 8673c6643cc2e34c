#pragma once
// The drawing-effects toolbox of the rich tooltip: background effects (gradients and palette
// patterns), soft shadows, image variants (grey, darkened, lightened, one colour, inverted) drawn
// transparent or by alpha, strips of images, frames and lines. Every operation draws into a device
// context given by the caller; pixels are worked on in memory and reach the context in one copy.

#include "gfx/CBitmap.h"
#include "gfx/CDc.h"
#include "gfx/CIcon.h"
#include "gfx/GfxTypes.h"
#include "tooltip/draw/CPaletteImage.h"
#include "tooltip/draw/RandomSource.h"

#include <cstdint>
#include <vector>

namespace tooltip {

// Background effects; the markup's keywords in the comments. Any other code fills solid.
enum BackgroundEffect : int {
    BackgroundTransparent = -1, // "transparent": left to the caller; here it fills solid
    BackgroundSolid = 0,        // "solid"
    BackgroundHGradient = 1,    // "hgradient"
    BackgroundVGradient = 2,    // "vgradient"
    BackgroundHCGradient = 3,   // "hcgradient"
    BackgroundVCGradient = 4,   // "vcgradient"
    Background3HGradient = 5,   // "3hgradient"
    Background3VGradient = 6,   // "3vgradient"
    BackgroundNoise = 7,        // "noise"
    BackgroundDiagShade = 8,    // "diagshade"
    BackgroundHShade = 9,       // "hshade"
    BackgroundVShade = 10,      // "vshade"
    BackgroundHBump = 11,       // "hbump"
    BackgroundVBump = 12,       // "vbump"
    BackgroundSoftBump = 13,    // "softbump"
    BackgroundHardBump = 14,    // "hardbump"
    BackgroundMetal = 15,       // "metal"
};

// Effects on the pixels of an image.
enum ImageStyle : unsigned {
    ImageGray = 0x0001,
    ImageDarken = 0x0002,
    ImageLighten = 0x0004,
    ImageMono = 0x0008,
    ImageHardShadow = 0x0100,
    ImageSoftShadow = 0x0200,
    ImageInvert = 0x8000,
};

enum FrameStyle : int {
    FrameNone = 0,
    FrameSolid = 1,
    FrameDashed = 2,
    FrameDotted = 3,
    FrameDashDot = 4,
    FrameDashDotDot = 5,
    FrameDouble = 6,
};

class CDrawManager {
public:
    CDrawManager() = default;
    CDrawManager(const CDrawManager&) = delete;
    CDrawManager& operator=(const CDrawManager&) = delete;
    virtual ~CDrawManager() = default;

    // --- backgrounds ---
    void FillBackground(gfx::CDc& dc, const gfx::Rect& rect, int effect, gfx::ColorRef begin,
                        gfx::ColorRef mid, gfx::ColorRef end, int granularity, int paletteTint);
    // 64 bands from one colour to the other, left to right or top to bottom.
    void PaintGradient(gfx::CDc& dc, const gfx::Rect& rect, gfx::ColorRef from, gfx::ColorRef to,
                       bool horizontal);
    // Effects 7 to 15 through the palette image. Draws nothing on an empty rectangle, and where an
    // effect's formula has no value (a one-pixel-high "hardbump", a "metal" over 32767 pixels).
    void PaintPatternEffect(gfx::CDc& dc, const gfx::Rect& rect, int effect, gfx::ColorRef begin,
                            gfx::ColorRef mid, gfx::ColorRef end, int granularity, int paletteTint);
    // The part of rect that the context shows: inside its bitmap and its clip region's bounds.
    [[nodiscard]] static gfx::Rect VisibleArea(const gfx::CDc& dc, const gfx::Rect& rect);
    // Covers the area with copies of the source tile, laid from (x, y); only the tiles that reach
    // the visible part are copied. Nothing for non-positive tile sizes.
    void TileBlit(gfx::CDc& destination, int x, int y, int width, int height,
                  const gfx::CDc& source, int sourceX, int sourceY, int tileWidth, int tileHeight);

    // --- shadows ---
    // Darkens dc's area through the mask (white: unchanged, grey 128: half as bright). Softened,
    // the mask is shrunk into the area by the depths and blurred over a depthX x depthY window.
    void CastShadow(gfx::CDc& dc, int x, int y, int width, int height, const gfx::CBitmap& mask,
                    bool soft, int depthX, int depthY);

    // --- images ---
    // A new 32-bit bitmap of width x height holding bitmap's pixels with the ImageStyle effects
    // applied; transparent pixels (when useTransparent) become black. Null when it cannot be made.
    [[nodiscard]] gfx::CBitmap RenderImageVariant(const gfx::CBitmap& bitmap, int width, int height,
                                                  unsigned flags, bool useTransparent,
                                                  gfx::ColorRef transparentColour,
                                                  gfx::ColorRef colour);
    // Draws the source context's image onto destination by each source pixel's alpha byte.
    void BlendByAlpha(const gfx::CDc& source, gfx::CDc& destination, int x, int y, int width,
                      int height);
    void DrawBitmapImage(gfx::CDc& dc, int x, int y, int width, int height,
                         const gfx::CBitmap& bitmap, bool useTransparent,
                         gfx::ColorRef transparentColour, unsigned flags, bool shadowRoom,
                         int offsetX, int offsetY, int depthX, int depthY, gfx::ColorRef colour);
    void DrawIconImage(gfx::CDc& dc, int x, int y, int width, int height, const gfx::CIcon& icon,
                       unsigned flags, bool shadowRoom, int offsetX, int offsetY, int depthX,
                       int depthY, gfx::ColorRef colour);
    // Draws cell index (numbered row by row) of a strip of cellWidth x cellHeight cells.
    void DrawStripImage(gfx::CDc& dc, int x, int y, int width, int height,
                        const gfx::CBitmap& strip, int index, int cellWidth, int cellHeight,
                        bool useTransparent, gfx::ColorRef transparentColour, unsigned flags,
                        bool shadowRoom, int offsetX, int offsetY, int depthX, int depthY,
                        gfx::ColorRef colour);
    [[nodiscard]] gfx::CIcon ScaleIcon(const gfx::CIcon& icon, int width, int height);
    gfx::Size GetIconSize(const gfx::CIcon& icon) const;
    gfx::Size GetBitmapSize(const gfx::CBitmap& bitmap) const;
    // Whether the last image drawn had a pixel with a non-zero alpha byte.
    bool HasAlpha() const { return m_hasAlpha; }

    // --- frames and lines ---
    void DrawFrame(gfx::CDc& dc, const gfx::Rect& rect, int style, int width, gfx::ColorRef light,
                   gfx::ColorRef dark);
    void DrawLineSegment(gfx::CDc& dc, gfx::Point from, gfx::Point to, int width,
                         gfx::ColorRef colour);

    // --- pixel operations (colour channels; products truncated; alpha byte of results 0) ---
    static gfx::Pixel GrayPixel(gfx::Pixel pixel);
    static gfx::Pixel DarkenPixel(gfx::Pixel pixel, double factor) { // 0 <= factor < 1
        if (!(factor >= 0.0 && factor < 1.0)) {
            return pixel;
        }
        return gfx::MakePixel(static_cast<int>(gfx::PixelRed(pixel) * factor),
                              static_cast<int>(gfx::PixelGreen(pixel) * factor),
                              static_cast<int>(gfx::PixelBlue(pixel) * factor), 0);
    }
    // Darkens by the exact fraction part / whole (0 <= part < whole), each channel truncated: in
    // integers, so that c * part / whole never falls one level short through rounding.
    static gfx::Pixel DarkenPixel(gfx::Pixel pixel, std::int64_t part, std::int64_t whole) {
        if (part < 0 || part >= whole) {
            return pixel;
        }
        auto scale = [&](int c) { return static_cast<int>(c * part / whole); };
        return gfx::MakePixel(scale(gfx::PixelRed(pixel)), scale(gfx::PixelGreen(pixel)),
                              scale(gfx::PixelBlue(pixel)), 0);
    }
    static gfx::Pixel LightenPixel(gfx::Pixel pixel, double factor); // 0 < factor <= 1
    static gfx::Pixel InvertPixel(gfx::Pixel pixel);
    static gfx::Pixel MixPixels(gfx::Pixel a, gfx::Pixel b, double weightB, double weightA);

    // Replaces the pseudo-random numbers of the pattern effects (0 .. 32767), for repeatable tests.
    void SetRandomSource(RandomSource source) { m_random = std::move(source); }
    const CPaletteImage& PatternImage() const { return m_patternImage; }

private:
    int Random() { return m_random ? m_random() : RuntimeRandom(); }
    // The part of a pattern that is computed: the whole pattern is w x h, of which columns
    // x0 .. x0 + vw and rows r0 .. r0 + vh (rows counted from the bottom) show.
    struct PatternWindow {
        int w = 0;
        int h = 0;
        int x0 = 0;
        int r0 = 0;
        int vw = 0;
        int vh = 0;
    };
    void PaintShades(const PatternWindow& window, int effect, int g);
    void PaintHardBump(const PatternWindow& window, int g);
    void PaintMetal(const PatternWindow& window, int g);
    // Turns a picture's pixels into the shadow's mask: the key pixel (when used) white, every
    // other pixel the shade.
    struct ShadowKey {
        bool useKey = false;
        gfx::Pixel key = 0;
        gfx::Pixel shade = 0;
    };
    // CastShadow through the top-left maskSize of mask, its pixels first turned by key when given.
    void CastShadowThrough(gfx::CDc& dc, int x, int y, int width, int height,
                           const gfx::CBitmap& mask, gfx::Size maskSize, const ShadowKey* key,
                           bool soft, int depthX, int depthY);
    // The image variant of RenderImageVariant, made in place. With markKeyed, keyed pixels get a
    // non-zero alpha byte, so that the picture draws by itself through Rop::SrcKeyed (only for
    // pictures without alpha).
    static void ApplyVariant(const gfx::CBitmap& work, unsigned flags, bool useTransparent,
                             gfx::ColorRef transparentColour, gfx::ColorRef colour, bool markKeyed);
    struct PictureShadow {
        bool room = false;
        int offsetX = 0;
        int offsetY = 0;
        int depthX = 0;
        int depthY = 0;
        gfx::ColorRef colour = 0;
    };
    // Draws the part of bitmap (logical pixels) at width x height through one working copy.
    void DrawBitmapPart(gfx::CDc& dc, int x, int y, int width, int height,
                        const gfx::CBitmap& bitmap, const gfx::Rect& part, bool useTransparent,
                        gfx::ColorRef transparentColour, unsigned flags,
                        const PictureShadow& shadow);

    // Working memory of the shadow: a band of rows of the mask and of the area, a ring of row
    // sums for the rows one blur window spans, and a row of column sums. It is kept between calls
    // so that a repaint does not allocate and clear fresh pages for every shadow; it carries no
    // drawing state from one call to the next.
    struct ShadowScratch {
        gfx::CBitmap mask;
        gfx::CBitmap area;
        std::vector<std::int32_t> rowSums;
        std::vector<std::int64_t> columnSums;
        std::vector<std::int32_t> narrowColumnSums;
        std::vector<std::int32_t> outsideRow;
    };
    // A section of width x height at ratio, reused from slot when it already has that shape.
    static gfx::CBitmap& ScratchSection(gfx::CBitmap& slot, int width, int height, double ratio);

    CPaletteImage m_patternImage;
    bool m_hasAlpha = false;
    RandomSource m_random;
    ShadowScratch m_shadowScratch;
};

} // namespace tooltip

// Pictures of the draw manager: image variants, alpha blending, and bitmaps, icons and strip
// cells drawn through one working copy.

#include "tooltip/draw/CDrawManager.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tooltip {

using gfx::CBitmap;
using gfx::CDc;
using gfx::ColorRef;
using gfx::Pixel;

namespace {

constexpr ColorRef kWhite = gfx::Rgb(255, 255, 255);
constexpr ColorRef kBlack = gfx::Rgb(0, 0, 0);

// Whether any of the top-left width x height logical pixels (all of them by default) of bitmap
// carries a non-zero alpha byte.
bool AnyAlpha(const CBitmap& bitmap, int width = INT_MAX, int height = INT_MAX) {
    const double ratio = bitmap.DevicePixelRatio();
    const int columns = static_cast<int>(
        std::min<double>(bitmap.PixelWidth(), std::ceil(static_cast<double>(width) * ratio)));
    const int rows = static_cast<int>(
        std::min<double>(bitmap.PixelHeight(), std::ceil(static_cast<double>(height) * ratio)));
    for (int y = 0; y < rows; ++y) {
        const Pixel* row = bitmap.Bits() + static_cast<std::size_t>(y) * bitmap.PixelWidth();
        for (int x = 0; x < columns; ++x) {
            if ((row[x] & 0xFF000000u) != 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

CBitmap CDrawManager::RenderImageVariant(const CBitmap& bitmap, int width, int height,
                                         unsigned flags, bool useTransparent,
                                         ColorRef transparentColour, ColorRef colour) {
    if (!bitmap || width <= 0 || height <= 0) {
        return {};
    }
    CBitmap section = CBitmap::Create(width, height, bitmap.DevicePixelRatio());
    if (!section) {
        return {};
    }
    CDc(section).BitBlt(0, 0, width, height, CDc(bitmap), 0, 0);
    if (AnyAlpha(section)) {
        m_hasAlpha = true;
    }
    ApplyVariant(section, flags, useTransparent, transparentColour, colour, false);
    return section;
}

void CDrawManager::ApplyVariant(const CBitmap& work, unsigned flags, bool useTransparent,
                                ColorRef transparentColour, ColorRef colour, bool markKeyed) {
    const Pixel transparent = gfx::PixelFromColor(transparentColour);
    const Pixel mono = gfx::PixelFromColor(colour);
    const Pixel keyedAlpha = markKeyed ? 0xFF000000u : 0;
    Pixel* bits = work.Bits();
    const std::size_t count = static_cast<std::size_t>(work.PixelWidth()) * work.PixelHeight();
    for (std::size_t i = 0; i < count; ++i) {
        const Pixel original = bits[i];
        Pixel alpha = original & 0xFF000000u;
        Pixel result = original;
        if (useTransparent && original == transparent) {
            result = 0;
            alpha |= keyedAlpha;
        } else {
            if (flags & ImageGray) {
                result = GrayPixel(result);
            }
            if (flags & ImageDarken) {
                result = DarkenPixel(result, 0.75);
            }
            if (flags & ImageLighten) {
                result = LightenPixel(result, 0.25);
            }
            if (flags & ImageMono) {
                result = mono;
            }
        }
        if (flags & ImageInvert) {
            result = InvertPixel(result);
        }
        bits[i] = (result & 0x00FFFFFFu) | alpha;
    }
}

void CDrawManager::BlendByAlpha(const CDc& source, CDc& destination, int x, int y, int width,
                                int height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    destination.BitBlt(x, y, width, height, source, 0, 0, gfx::Rop::SrcBlend);
}

void CDrawManager::DrawBitmapImage(CDc& dc, int x, int y, int width, int height,
                                   const CBitmap& bitmap, bool useTransparent,
                                   ColorRef transparentColour, unsigned flags, bool shadowRoom,
                                   int offsetX, int offsetY, int depthX, int depthY,
                                   ColorRef colour) {
    DrawBitmapPart(dc, x, y, width, height, bitmap, {0, 0, bitmap.Width(), bitmap.Height()},
                   useTransparent, transparentColour, flags,
                   {shadowRoom, offsetX, offsetY, depthX, depthY, colour});
}

// One working copy at the drawn size serves the shadow (its mask is made from the copy's pixels
// before any effect), then takes the effects in place and is drawn by itself: by alpha, or with
// its keyed pixels marked so that one transfer does what a mask and an image would.
void CDrawManager::DrawBitmapPart(CDc& dc, int x, int y, int width, int height,
                                  const CBitmap& bitmap, const gfx::Rect& part, bool useTransparent,
                                  ColorRef transparentColour, unsigned flags,
                                  const PictureShadow& shadow) {
    m_hasAlpha = false;
    if (!bitmap || width <= 0 || height <= 0) {
        return;
    }
    const CBitmap work = CBitmap::CreateCompatible(dc, width, height);
    if (!work) {
        return;
    }
    {
        CDc workDc(work);
        const CDc source(bitmap);
        if (part.Width() == width && part.Height() == height) {
            workDc.BitBlt(0, 0, width, height, source, part.left, part.top);
        } else {
            workDc.StretchBlt(0, 0, width, height, source, part.left, part.top, part.Width(),
                              part.Height());
        }
    }
    m_hasAlpha = AnyAlpha(work);
    int drawX = x;
    int drawY = y;
    if (shadow.room) {
        if (flags & (ImageHardShadow | ImageSoftShadow)) {
            const ShadowKey key{useTransparent, gfx::PixelFromColor(transparentColour),
                                gfx::PixelFromColor(shadow.colour)};
            CastShadowThrough(dc, x + shadow.offsetX, y + shadow.offsetY, width, height, work,
                              {width, height}, &key, (flags & ImageSoftShadow) != 0, shadow.depthX,
                              shadow.depthY);
        } else {
            drawX += shadow.offsetX;
            drawY += shadow.offsetY;
        }
    }
    ApplyVariant(work, flags, useTransparent, transparentColour, shadow.colour, !m_hasAlpha);
    dc.BitBlt(drawX, drawY, width, height, CDc(work), 0, 0,
              m_hasAlpha ? gfx::Rop::SrcBlend : gfx::Rop::SrcKeyed);
}

// An icon draws through its own mask. Without scaling or effects nothing is copied; otherwise
// the one working copy first holds the scaled mask (for the shadow and the mask transfer) when
// they need it, then the scaled picture.
void CDrawManager::DrawIconImage(CDc& dc, int x, int y, int width, int height,
                                 const gfx::CIcon& icon, unsigned flags, bool shadowRoom,
                                 int offsetX, int offsetY, int depthX, int depthY,
                                 ColorRef colour) {
    m_hasAlpha = false;
    const CBitmap& mask = icon.Mask();
    if (!icon.Color() || !mask || width <= 0 || height <= 0) {
        return;
    }
    const bool mono = (flags & ImageMono) != 0;
    const CBitmap& source = mono ? mask : icon.Color();
    const gfx::Size natural = GetIconSize(icon);
    const bool scaled = natural != gfx::Size{width, height};
    constexpr unsigned kEffects = ImageGray | ImageDarken | ImageLighten | ImageMono | ImageInvert;
    CBitmap work;
    auto fill = [&](const CBitmap& from) {
        CDc workDc(work);
        if (scaled) {
            workDc.StretchBlt(0, 0, width, height, CDc(from), 0, 0, natural.cx, natural.cy);
        } else {
            workDc.BitBlt(0, 0, width, height, CDc(from), 0, 0);
        }
    };
    if (scaled || (flags & kEffects) != 0) {
        work = CBitmap::Create(width, height, source.DevicePixelRatio());
        if (!work) {
            return;
        }
        fill(source);
    }
    const CBitmap& image = work ? work : source;
    m_hasAlpha = AnyAlpha(image, width, height);
    const bool shadowed = shadowRoom && (flags & (ImageHardShadow | ImageSoftShadow)) != 0;
    int drawX = x;
    int drawY = y;
    if (shadowRoom && !shadowed) {
        drawX += offsetX;
        drawY += offsetY;
    }
    if (shadowed || !m_hasAlpha) {
        const bool maskInWork = scaled && !mono;
        if (maskInWork) {
            fill(mask);
        }
        const CBitmap& drawnMask = scaled ? work : mask;
        if (shadowed) {
            const ShadowKey key{true, gfx::PixelFromColor(kWhite), gfx::PixelFromColor(colour)};
            CastShadowThrough(dc, x + offsetX, y + offsetY, width, height, drawnMask,
                              {width, height}, &key, (flags & ImageSoftShadow) != 0, depthX,
                              depthY);
        }
        if (!m_hasAlpha) {
            dc.BitBlt(drawX, drawY, width, height, CDc(drawnMask), 0, 0, gfx::Rop::SrcAnd);
        }
        if (maskInWork) {
            fill(source);
        }
    }
    if (work) {
        ApplyVariant(work, flags, true, mono ? kWhite : kBlack, colour, false);
    }
    dc.BitBlt(drawX, drawY, width, height, CDc(image), 0, 0,
              m_hasAlpha ? gfx::Rop::SrcBlend : gfx::Rop::SrcPaint);
}

void CDrawManager::DrawStripImage(CDc& dc, int x, int y, int width, int height,
                                  const CBitmap& strip, int index, int cellWidth, int cellHeight,
                                  bool useTransparent, ColorRef transparentColour, unsigned flags,
                                  bool shadowRoom, int offsetX, int offsetY, int depthX, int depthY,
                                  ColorRef colour) {
    if (!strip || cellWidth <= 0 || cellHeight <= 0 || index < 0) {
        return;
    }
    const long long columns = strip.Width() / cellWidth;
    const long long rows = strip.Height() / cellHeight;
    if (index >= columns * rows) {
        return;
    }
    // The cell is drawn straight from the strip.
    const int left = static_cast<int>(cellWidth * (index % columns));
    const int top = static_cast<int>(cellHeight * (index / columns));
    DrawBitmapPart(dc, x, y, width, height, strip, {left, top, left + cellWidth, top + cellHeight},
                   useTransparent, transparentColour, flags,
                   {shadowRoom, offsetX, offsetY, depthX, depthY, colour});
}

gfx::CIcon CDrawManager::ScaleIcon(const gfx::CIcon& icon, int width, int height) {
    gfx::IconInfo info;
    // Only the colour bitmap is needed; without a mask the whole icon is opaque (a black mask).
    if (!icon.GetInfo(info) || !info.color || width <= 0 || height <= 0) {
        return {};
    }
    const int sourceWidth = 2 * info.hotSpot.x;
    const int sourceHeight = 2 * info.hotSpot.y;
    const double ratio = info.color.DevicePixelRatio();
    CBitmap color = CBitmap::Create(width, height, ratio);
    CBitmap mask = CBitmap::Create(width, height, info.mask ? info.mask.DevicePixelRatio() : ratio);
    if (!color || !mask) {
        return {};
    }
    CDc(color).StretchBlt(0, 0, width, height, CDc(info.color), 0, 0, sourceWidth, sourceHeight);
    if (info.mask) {
        CDc(mask).StretchBlt(0, 0, width, height, CDc(info.mask), 0, 0, sourceWidth, sourceHeight);
    } else {
        CDc(mask).FillSolidRect({0, 0, width, height}, kBlack);
    }
    return gfx::CIcon::Create(color, mask, {width / 2, height / 2});
}

} // namespace tooltip

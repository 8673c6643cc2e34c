// Shadows and images of the draw manager: the soft shadow by running window sums, image variants,
// alpha blending, and bitmaps, icons and strip cells drawn through their masks.

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
// Larger blur windows are cut to this; the area itself is never that large.
constexpr int kMaxDepth = 8191;

int OddDepth(int depth) {
    depth = std::clamp(depth, 1, kMaxDepth);
    return depth % 2 == 0 ? depth + 1 : depth;
}

ColorRef InvertColour(ColorRef colour) {
    return gfx::Rgb(255 - gfx::RedOf(colour), 255 - gfx::GreenOf(colour),
                    255 - gfx::BlueOf(colour));
}

// Sums of the blue bytes over a window of 2 * rx + 1 pixels centred on each pixel of one row;
// positions outside the row count 255.
void RowWindowSums(const Pixel* row, int width, int rx, std::int32_t* sums) {
    auto value = [&](int i) { return i >= 0 && i < width ? gfx::PixelBlue(row[i]) : 255; };
    std::int32_t sum = 255 * rx; // the positions left of the row
    for (int i = 0; i <= rx; ++i) {
        sum += value(i);
    }
    // Where both the entering and the leaving position lie inside the row, no bound is tested.
    const int inside = std::max(0, std::min(width, width - rx - 1));
    int x = 0;
    for (; x < std::min(rx, inside); ++x) {
        sums[x] = sum;
        sum += gfx::PixelBlue(row[x + rx + 1]) - 255;
    }
    for (; x < inside; ++x) {
        sums[x] = sum;
        sum += gfx::PixelBlue(row[x + rx + 1]) - gfx::PixelBlue(row[x - rx]);
    }
    for (; x < width; ++x) {
        sums[x] = sum;
        sum += value(x + rx + 1) - value(x - rx);
    }
}

// Darkens every pixel by the mean of the mask over its window: the column sums hold, for each
// column, the row sums over the rows of the current pixel's window, and slide down one row after
// each row is darkened (darkening and sliding in one sweep, so each sum is read once). Rows above
// and below the area count `outside`. A sum of `full` leaves a pixel as it is. Shadows fall
// mostly on even ground under an even mask, so the last result is reused while the pixel and its
// sum repeat; the result is the same as computing it afresh.
template <typename Sum>
void DarkenByWindows(Pixel* bits, const std::int32_t* rowSums, int width, int height, int ry,
                     std::int32_t outside, std::int64_t full, std::vector<Sum>& columnStore,
                     std::vector<std::int32_t>& outsideStore) {
    outsideStore.assign(static_cast<std::size_t>(width), outside);
    auto rowAt = [&](int row) {
        return row >= 0 && row < height ? rowSums + static_cast<std::size_t>(row) * width
                                        : outsideStore.data();
    };
    // The window of the first row: rows -ry .. ry.
    columnStore.assign(static_cast<std::size_t>(width), 0);
    Sum* const columns = columnStore.data();
    for (int row = -ry; row <= ry; ++row) {
        const std::int32_t* line = rowAt(row);
        for (int column = 0; column < width; ++column) {
            columns[column] += line[column];
        }
    }
    for (int row = 0; row < height; ++row) {
        Pixel* pixels = bits + static_cast<std::size_t>(row) * width;
        const std::int32_t* entering = rowAt(row + ry + 1);
        const std::int32_t* leaving = rowAt(row - ry);
        Sum lastSum = -1;
        Pixel lastIn = 0;
        Pixel lastOut = 0;
        for (int column = 0; column < width; ++column) {
            const Sum sum = columns[column];
            columns[column] = sum + entering[column] - leaving[column];
            if (sum >= full) {
                continue;
            }
            const Pixel in = pixels[column];
            if (sum != lastSum || in != lastIn) {
                lastSum = sum;
                lastIn = in;
                lastOut = CDrawManager::DarkenPixel(in, sum, full);
            }
            pixels[column] = lastOut;
        }
    }
}

} // namespace

CBitmap& CDrawManager::ScratchSection(CBitmap& slot, int width, int height, double ratio) {
    if (!slot || slot.Width() != width || slot.Height() != height ||
        slot.DevicePixelRatio() != ratio) {
        slot = CBitmap::Create(width, height, ratio);
    }
    return slot;
}

void CDrawManager::CastShadow(CDc& dc, int x, int y, int width, int height, const CBitmap& mask,
                              bool soft, int depthX, int depthY) {
    if (width <= 0 || height <= 0 || !mask) {
        return;
    }
    const double ratio = dc.DevicePixelRatio();
    const CBitmap& maskSection = ScratchSection(m_shadowScratch.mask, width, height, ratio);
    const CBitmap& areaSection = ScratchSection(m_shadowScratch.area, width, height, ratio);
    if (!maskSection || !areaSection) {
        return;
    }
    CDc maskDc(maskSection);
    const CDc maskSource(mask);
    const int bx = OddDepth(depthX);
    const int by = OddDepth(depthY);
    if (soft) {
        // White around the shrunk mask; the mask itself covers the rest.
        const gfx::Rect inner{bx / 2, by / 2, bx / 2 + width - bx, by / 2 + height - by};
        if (inner.left < inner.right && inner.top < inner.bottom) {
            maskDc.FillSolidRect({0, 0, width, inner.top}, kWhite);
            maskDc.FillSolidRect({0, inner.bottom, width, height}, kWhite);
            maskDc.FillSolidRect({0, inner.top, inner.left, inner.bottom}, kWhite);
            maskDc.FillSolidRect({inner.right, inner.top, width, inner.bottom}, kWhite);
        } else {
            maskDc.FillSolidRect({0, 0, width, height}, kWhite);
        }
        maskDc.StretchBlt(bx / 2, by / 2, width - bx, height - by, maskSource, 0, 0, mask.Width(),
                          mask.Height());
    } else {
        if (mask.Width() < width || mask.Height() < height) {
            maskDc.FillSolidRect({0, 0, width, height}, kBlack); // as a fresh section would be
        }
        maskDc.BitBlt(0, 0, width, height, maskSource, 0, 0);
    }
    CDc areaDc(areaSection);
    areaDc.BitBlt(0, 0, width, height, dc, x, y);
    ApplyShadowFactors(maskSection, areaSection, soft, OddDepth(std::lround(bx * ratio)),
                       OddDepth(std::lround(by * ratio)));
    dc.BitBlt(x, y, width, height, areaDc, 0, 0);
}

void CDrawManager::ApplyShadowFactors(const CBitmap& maskSection, const CBitmap& area, bool soft,
                                      int bx, int by) {
    if (soft) {
        ApplySoftShadow(maskSection, area, bx, by);
        return;
    }
    const Pixel* maskBits = maskSection.Bits();
    Pixel* bits = area.Bits();
    const std::size_t count = static_cast<std::size_t>(area.PixelWidth()) * area.PixelHeight();
    for (std::size_t i = 0; i < count; ++i) {
        bits[i] = DarkenPixel(bits[i], gfx::PixelBlue(maskBits[i]), 255);
    }
}

// The factor of each pixel is the mean of the mask's blue bytes over the bx x by window centred on
// it, positions outside counting 255. Running sums, first along the rows, then down the columns,
// keep the cost per pixel the same whatever the window's size.
void CDrawManager::ApplySoftShadow(const CBitmap& maskSection, const CBitmap& area, int bx,
                                   int by) {
    const int width = area.PixelWidth();
    const int height = area.PixelHeight();
    const Pixel* maskBits = maskSection.Bits();
    Pixel* bits = area.Bits();
    const int rx = bx / 2;
    const int ry = by / 2;
    std::vector<std::int32_t>& rowSums = m_shadowScratch.rowSums;
    rowSums.resize(static_cast<std::size_t>(width) * height);
    for (int row = 0; row < height; ++row) {
        RowWindowSums(maskBits + static_cast<std::size_t>(row) * width, width, rx,
                      rowSums.data() + static_cast<std::size_t>(row) * width);
    }
    const std::int32_t outsideRow = 255 * bx; // a row above or below the section
    const std::int64_t full = 255LL * bx * by;
    // Narrow sums halve the memory the sweep reads wherever the depths allow them.
    if (full <= INT32_MAX) {
        DarkenByWindows(bits, rowSums.data(), width, height, ry, outsideRow, full,
                        m_shadowScratch.narrowColumnSums, m_shadowScratch.outsideRow);
    } else {
        DarkenByWindows(bits, rowSums.data(), width, height, ry, outsideRow, full,
                        m_shadowScratch.columnSums, m_shadowScratch.outsideRow);
    }
}

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
    const Pixel transparent = gfx::PixelFromColor(transparentColour);
    const Pixel mono = gfx::PixelFromColor(colour);
    Pixel* bits = section.Bits();
    const std::size_t count =
        static_cast<std::size_t>(section.PixelWidth()) * section.PixelHeight();
    for (std::size_t i = 0; i < count; ++i) {
        const Pixel original = bits[i];
        const Pixel alpha = original & 0xFF000000u;
        if (alpha != 0) {
            m_hasAlpha = true;
        }
        Pixel result = original;
        if (useTransparent && original == transparent) {
            result = 0;
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
    return section;
}

void CDrawManager::BlendByAlpha(const CDc& source, CDc& destination, int x, int y, int width,
                                int height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    const double ratio = destination.DevicePixelRatio();
    CBitmap sourceSection = CBitmap::Create(width, height, ratio);
    CBitmap targetSection = CBitmap::Create(width, height, ratio);
    if (!sourceSection || !targetSection) {
        return;
    }
    CDc(sourceSection).BitBlt(0, 0, width, height, source, 0, 0);
    CDc targetDc(targetSection);
    targetDc.BitBlt(0, 0, width, height, destination, x, y);
    const Pixel* from = sourceSection.Bits();
    Pixel* to = targetSection.Bits();
    const std::size_t count =
        static_cast<std::size_t>(targetSection.PixelWidth()) * targetSection.PixelHeight();
    for (std::size_t i = 0; i < count; ++i) {
        const double a = gfx::PixelAlpha(from[i]) / 255.0;
        to[i] = MixPixels(to[i], from[i], a, 1.0 - a);
    }
    destination.BitBlt(x, y, width, height, targetDc, 0, 0);
}

void CDrawManager::DrawImageThroughMask(CDc& dc, int x, int y, int width, int height,
                                        const CBitmap& image, const CBitmap& mask) {
    if (m_hasAlpha) {
        BlendByAlpha(CDc(image), dc, x, y, width, height);
        return;
    }
    dc.BitBlt(x, y, width, height, CDc(mask), 0, 0, gfx::Rop::SrcAnd);
    dc.BitBlt(x, y, width, height, CDc(image), 0, 0, gfx::Rop::SrcPaint);
}

void CDrawManager::DrawBitmapImage(CDc& dc, int x, int y, int width, int height,
                                   const CBitmap& bitmap, bool useTransparent,
                                   ColorRef transparentColour, unsigned flags, bool shadowRoom,
                                   int offsetX, int offsetY, int depthX, int depthY,
                                   ColorRef colour) {
    m_hasAlpha = false;
    if (!bitmap || width <= 0 || height <= 0) {
        return;
    }
    CBitmap scaled = CBitmap::CreateCompatible(dc, width, height);
    if (!scaled) {
        return;
    }
    {
        CDc scaledDc(scaled);
        const CDc source(bitmap);
        if (bitmap.Width() == width && bitmap.Height() == height) {
            scaledDc.BitBlt(0, 0, width, height, source, 0, 0);
        } else {
            scaledDc.StretchBlt(0, 0, width, height, source, 0, 0, bitmap.Width(), bitmap.Height());
        }
    }
    const CBitmap mask = RenderImageVariant(scaled, width, height, ImageMono | ImageInvert,
                                            useTransparent, transparentColour, kWhite);
    const CBitmap image =
        RenderImageVariant(scaled, width, height, flags, useTransparent, transparentColour, colour);
    if (!mask || !image) {
        return;
    }
    int drawX = x;
    int drawY = y;
    if (shadowRoom) {
        if (flags & (ImageHardShadow | ImageSoftShadow)) {
            const CBitmap shadowMask =
                RenderImageVariant(scaled, width, height, ImageMono | ImageInvert, useTransparent,
                                   transparentColour, InvertColour(colour));
            CastShadow(dc, x + offsetX, y + offsetY, width, height, shadowMask,
                       (flags & ImageSoftShadow) != 0, depthX, depthY);
        } else {
            drawX += offsetX;
            drawY += offsetY;
        }
    }
    DrawImageThroughMask(dc, drawX, drawY, width, height, image, mask);
}

void CDrawManager::DrawIconImage(CDc& dc, int x, int y, int width, int height,
                                 const gfx::CIcon& icon, unsigned flags, bool shadowRoom,
                                 int offsetX, int offsetY, int depthX, int depthY,
                                 ColorRef colour) {
    m_hasAlpha = false;
    if (!icon || width <= 0 || height <= 0) {
        return;
    }
    const gfx::Size size = GetIconSize(icon);
    const gfx::CIcon work =
        size == gfx::Size{width, height} ? icon.Copy() : ScaleIcon(icon, width, height);
    gfx::IconInfo info;
    if (!work.GetInfo(info) || !info.color || !info.mask) {
        return;
    }
    const CBitmap image =
        (flags & ImageMono)
            ? RenderImageVariant(info.mask, width, height, flags, true, kWhite, colour)
            : RenderImageVariant(info.color, width, height, flags, true, kBlack, colour);
    if (!image) {
        return;
    }
    int drawX = x;
    int drawY = y;
    if (shadowRoom) {
        if (flags & (ImageHardShadow | ImageSoftShadow)) {
            const CBitmap shadowMask =
                RenderImageVariant(info.mask, width, height, ImageMono | ImageInvert, true, kWhite,
                                   InvertColour(colour));
            CastShadow(dc, x + offsetX, y + offsetY, width, height, shadowMask,
                       (flags & ImageSoftShadow) != 0, depthX, depthY);
        } else {
            drawX += offsetX;
            drawY += offsetY;
        }
    }
    const ColorRef previousText = dc.SetTextColor(kBlack);
    DrawImageThroughMask(dc, drawX, drawY, width, height, image, info.mask);
    dc.SetTextColor(previousText);
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
    CBitmap cell = CBitmap::Create(cellWidth, cellHeight, strip.DevicePixelRatio());
    if (!cell) {
        return;
    }
    CDc(cell).BitBlt(0, 0, cellWidth, cellHeight, CDc(strip),
                     static_cast<int>(cellWidth * (index % columns)),
                     static_cast<int>(cellHeight * (index / columns)));
    DrawBitmapImage(dc, x, y, width, height, cell, useTransparent, transparentColour, flags,
                    shadowRoom, offsetX, offsetY, depthX, depthY, colour);
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

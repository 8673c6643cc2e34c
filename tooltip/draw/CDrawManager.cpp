// Backgrounds, tiles, frames, lines and the pixel operations of the draw manager.

#include "tooltip/draw/CDrawManager.h"

#include <algorithm>
#include <climits>

namespace tooltip {

using gfx::ColorRef;
using gfx::Pixel;

namespace {

gfx::Pixel Channels(int red, int green, int blue) {
    return gfx::MakePixel(red, green, blue, 0);
}

gfx::PenStyle PenStyleForFrame(int style) {
    switch (style) {
    case FrameDashed:
        return gfx::PenStyle::Dash;
    case FrameDotted:
        return gfx::PenStyle::Dot;
    case FrameDashDot:
        return gfx::PenStyle::DashDot;
    case FrameDashDotDot:
        return gfx::PenStyle::DashDotDot;
    default:
        return gfx::PenStyle::Solid;
    }
}

void Polyline(gfx::CDc& dc, std::initializer_list<gfx::Point> points) {
    auto it = points.begin();
    dc.MoveTo(it->x, it->y);
    for (++it; it != points.end(); ++it) {
        dc.LineTo(it->x, it->y);
    }
}

} // namespace

void CDrawManager::FillBackground(gfx::CDc& dc, const gfx::Rect& rect, int effect, ColorRef begin,
                                  ColorRef mid, ColorRef end, int granularity, int paletteTint) {
    const int midX = rect.left + rect.Width() / 2;
    const int midY = rect.top + rect.Height() / 2;
    const gfx::Rect leftHalf{rect.left, rect.top, midX, rect.bottom};
    const gfx::Rect rightHalf{midX, rect.top, rect.right, rect.bottom};
    const gfx::Rect topHalf{rect.left, rect.top, rect.right, midY};
    const gfx::Rect bottomHalf{rect.left, midY, rect.right, rect.bottom};
    switch (effect) {
    case BackgroundHGradient:
        PaintGradient(dc, rect, begin, end, true);
        break;
    case BackgroundVGradient:
        PaintGradient(dc, rect, begin, end, false);
        break;
    case BackgroundHCGradient:
        PaintGradient(dc, leftHalf, begin, end, true);
        PaintGradient(dc, rightHalf, end, begin, true);
        break;
    case BackgroundVCGradient:
        PaintGradient(dc, topHalf, begin, end, false);
        PaintGradient(dc, bottomHalf, end, begin, false);
        break;
    case Background3HGradient:
        PaintGradient(dc, leftHalf, begin, mid, true);
        PaintGradient(dc, rightHalf, mid, end, true);
        break;
    case Background3VGradient:
        PaintGradient(dc, topHalf, begin, mid, false);
        PaintGradient(dc, bottomHalf, mid, end, false);
        break;
    default:
        if (effect >= BackgroundNoise && effect <= BackgroundMetal) {
            PaintPatternEffect(dc, rect, effect, begin, mid, end, granularity, paletteTint);
        } else {
            dc.FillRect(rect, gfx::CBrush(begin));
        }
        break;
    }
}

void CDrawManager::PaintGradient(gfx::CDc& dc, const gfx::Rect& rect, ColorRef from, ColorRef to,
                                 bool horizontal) {
    const int extent = horizontal ? rect.Width() : rect.Height();
    const int start = horizontal ? rect.left : rect.top;
    for (int i = 0; i < 64; ++i) {
        const int bandStart = start + static_cast<int>((static_cast<long long>(i) * extent) >> 6);
        const int bandEnd = start + static_cast<int>((static_cast<long long>(i + 1) * extent) >> 6);
        if (bandEnd <= bandStart) {
            continue;
        }
        auto channel = [i](int a, int b) { return (a * (64 - i) + b * i) >> 6; };
        const gfx::CBrush brush(gfx::Rgb(channel(gfx::RedOf(from), gfx::RedOf(to)),
                                         channel(gfx::GreenOf(from), gfx::GreenOf(to)),
                                         channel(gfx::BlueOf(from), gfx::BlueOf(to))));
        const gfx::Rect band = horizontal ? gfx::Rect{bandStart, rect.top, bandEnd, rect.bottom}
                                          : gfx::Rect{rect.left, bandStart, rect.right, bandEnd};
        dc.FillRect(band, brush);
    }
}

gfx::Rect CDrawManager::VisibleArea(const gfx::CDc& dc, const gfx::Rect& rect) {
    const gfx::CBitmap& bitmap = dc.Bitmap();
    gfx::Rect visible{std::max(rect.left, 0), std::max(rect.top, 0),
                      std::min(rect.right, bitmap.Width()), std::min(rect.bottom, bitmap.Height())};
    if (dc.ClipRegion()) {
        const gfx::Rect clip = dc.ClipRegion()->Bounds();
        visible = {std::max(visible.left, clip.left), std::max(visible.top, clip.top),
                   std::min(visible.right, clip.right), std::min(visible.bottom, clip.bottom)};
    }
    return visible;
}

void CDrawManager::TileBlit(gfx::CDc& destination, int x, int y, int width, int height,
                            const gfx::CDc& source, int sourceX, int sourceY, int tileWidth,
                            int tileHeight) {
    if (tileWidth <= 0 || tileHeight <= 0) {
        return;
    }
    // Only the tiles that reach the visible part are copied: an area may claim far more than
    // the destination shows.
    const long long right = static_cast<long long>(x) + width;
    const long long bottom = static_cast<long long>(y) + height;
    const gfx::Rect visible =
        VisibleArea(destination, {x, y, static_cast<int>(std::min<long long>(right, INT_MAX)),
                                  static_cast<int>(std::min<long long>(bottom, INT_MAX))});
    if (visible.IsEmpty()) {
        return;
    }
    const long long firstX = x + (visible.left - static_cast<long long>(x)) / tileWidth * tileWidth;
    const long long firstY =
        y + (visible.top - static_cast<long long>(y)) / tileHeight * tileHeight;
    for (long long tx = firstX; tx < visible.right; tx += tileWidth) {
        const int cutWidth = static_cast<int>(std::min<long long>(tileWidth, right - tx));
        for (long long ty = firstY; ty < visible.bottom; ty += tileHeight) {
            const int cutHeight = static_cast<int>(std::min<long long>(tileHeight, bottom - ty));
            destination.BitBlt(static_cast<int>(tx), static_cast<int>(ty), cutWidth, cutHeight,
                               source, sourceX, sourceY, gfx::Rop::SrcCopy);
        }
    }
}

void CDrawManager::DrawFrame(gfx::CDc& dc, const gfx::Rect& rect, int style, int width,
                             ColorRef light, ColorRef dark) {
    if (style == FrameNone || width <= 0) {
        return;
    }
    const gfx::PenStyle penStyle = PenStyleForFrame(style);
    const int half = width / 2;
    const int left = rect.left + half;
    const int top = rect.top + half;
    const int right = rect.right - half;
    const int bottom = rect.bottom - half;
    const int d = 2 * width;
    const gfx::CPen previous = dc.SelectPen(gfx::CPen(penStyle, width, light));
    Polyline(dc, {{left, bottom}, {left, top}, {right, top}});
    if (style == FrameDouble) {
        Polyline(dc, {{left + d, bottom - d}, {left + d, top + d}, {right - d, top + d}});
    }
    if (dark != light) {
        dc.SelectPen(gfx::CPen(penStyle, width, dark));
    }
    Polyline(dc, {{right, top}, {right, bottom}, {left, bottom}});
    if (style == FrameDouble) {
        Polyline(dc, {{right - d, top + d}, {right - d, bottom - d}, {left + d, bottom - d}});
    }
    dc.SelectPen(previous);
}

void CDrawManager::DrawLineSegment(gfx::CDc& dc, gfx::Point from, gfx::Point to, int width,
                                   ColorRef colour) {
    if (width <= 0) {
        return;
    }
    const gfx::CPen previous = dc.SelectPen(gfx::CPen(gfx::PenStyle::Solid, width, colour));
    dc.MoveTo(from.x, from.y);
    dc.LineTo(to.x, to.y);
    dc.SelectPen(previous);
}

Pixel CDrawManager::GrayPixel(Pixel pixel) {
    // Integer weights (per mille) keep the result exact: white stays 255.
    const int y =
        (299 * gfx::PixelRed(pixel) + 587 * gfx::PixelGreen(pixel) + 114 * gfx::PixelBlue(pixel)) /
        1000;
    return Channels(y, y, y);
}

Pixel CDrawManager::LightenPixel(Pixel pixel, double factor) {
    if (!(factor > 0.0 && factor <= 1.0)) {
        return pixel;
    }
    auto lighten = [factor](int c) { return std::min(255, static_cast<int>(c * (1.0 + factor))); };
    return Channels(lighten(gfx::PixelRed(pixel)), lighten(gfx::PixelGreen(pixel)),
                    lighten(gfx::PixelBlue(pixel)));
}

Pixel CDrawManager::InvertPixel(Pixel pixel) {
    return Channels(255 - gfx::PixelRed(pixel), 255 - gfx::PixelGreen(pixel),
                    255 - gfx::PixelBlue(pixel));
}

Pixel CDrawManager::MixPixels(Pixel a, Pixel b, double weightB, double weightA) {
    auto mix = [=](int ca, int cb) {
        return std::clamp(static_cast<int>(weightB * cb) + static_cast<int>(weightA * ca), 0, 255);
    };
    return Channels(mix(gfx::PixelRed(a), gfx::PixelRed(b)),
                    mix(gfx::PixelGreen(a), gfx::PixelGreen(b)),
                    mix(gfx::PixelBlue(a), gfx::PixelBlue(b)));
}

gfx::Size CDrawManager::GetBitmapSize(const gfx::CBitmap& bitmap) const {
    return bitmap ? bitmap.GetSize() : gfx::Size{};
}

gfx::Size CDrawManager::GetIconSize(const gfx::CIcon& icon) const {
    if (!icon) {
        return {};
    }
    const gfx::Point hotSpot = icon.HotSpot(); // asked without copying the icon's bitmaps
    return {2 * hotSpot.x, 2 * hotSpot.y};
}

} // namespace tooltip

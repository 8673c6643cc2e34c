#include "tooltip/window/TipShape.h"

#include "tooltip/draw/CDrawManager.h"

#include <array>
#include <cstddef>

namespace tooltip {

namespace {

constexpr gfx::ColorRef kWhite = gfx::Rgb(255, 255, 255);

// The two ends of the anchor's base along the body's edge.
std::array<int, 2> AnchorBase(const TipPlacement& placement, const TipSettings& s) {
    const int width = placement.window.cx;
    switch (placement.direction & kTipAnchorBits) {
    case 0:
        return {s.anchorMargin, s.anchorMargin + s.anchorWidth};
    case 1:
        return {width - s.anchorMargin, width - s.anchorMargin - s.anchorWidth};
    default: {
        const int start = placement.anchor.x - s.anchorWidth / 2;
        return {start, start + s.anchorWidth};
    }
    }
}

// Black with alpha (255 - the darkened white), premultiplied: the same picture over any screen as
// darkening the screen itself.
void TurnDarkeningIntoAlpha(const gfx::CBitmap& composed) {
    gfx::Pixel* bits = composed.Bits();
    const std::size_t count =
        static_cast<std::size_t>(composed.PixelWidth()) * composed.PixelHeight();
    for (std::size_t i = 0; i < count; ++i) {
        bits[i] = static_cast<gfx::Pixel>(255 - gfx::PixelRed(bits[i])) << 24;
    }
}

void MakeOpaque(const gfx::CBitmap& bitmap) {
    gfx::Pixel* bits = bitmap.Bits();
    const std::size_t count = static_cast<std::size_t>(bitmap.PixelWidth()) * bitmap.PixelHeight();
    for (std::size_t i = 0; i < count; ++i) {
        bits[i] |= 0xFF000000u;
    }
}

} // namespace

gfx::Rect TipBodyRect(const TipPlacement& placement, const TipSettings& settings) {
    const bool below = IsBelow(placement.direction);
    const int top = below ? settings.anchorHeight : 0;
    const int bottom = below ? placement.window.cy : placement.window.cy - settings.anchorHeight;
    return {0, top, placement.window.cx, bottom};
}

gfx::CRegion BuildTipRegion(const TipPlacement& placement, const TipSettings& settings) {
    const gfx::Rect body = TipBodyRect(placement, settings);
    // The region covers the body's pixels exactly, the right and bottom edges being outside.
    gfx::CRegion region = gfx::CRegion::RoundRect(body.left, body.top, body.right, body.bottom,
                                                  settings.cornerWidth, settings.cornerHeight);
    if (settings.anchorWidth == 0 || settings.anchorHeight == 0) {
        return region;
    }
    const int edge = IsBelow(placement.direction) ? body.top : body.bottom;
    const std::array<int, 2> base = AnchorBase(placement, settings);
    const std::array<gfx::Point, 3> triangle{placement.anchor, gfx::Point{base[0], edge},
                                             gfx::Point{base[1], edge}};
    return region.United(gfx::CRegion::Polygon(triangle));
}

gfx::CBitmap BuildTipBackground(const gfx::CDc& compatible, const TipPlacement& placement,
                                const TipSettings& settings, gfx::ColorRef colour) {
    const gfx::Size size = placement.window;
    gfx::CBitmap bitmap = gfx::CBitmap::CreateCompatible(compatible, size.cx, size.cy);
    if (!bitmap) {
        return bitmap;
    }
    gfx::CDc dc(bitmap);
    const gfx::Rect body = TipBodyRect(placement, settings);
    dc.FillSolidRect(body, colour);
    if (body.Height() < 2) {
        return bitmap;
    }
    // One row of the body, copied across the strip that holds the anchor.
    const gfx::CDc source(bitmap);
    const bool below = IsBelow(placement.direction);
    const int row = below ? body.top + 1 : body.bottom - 1;
    const int first = below ? 0 : body.bottom;
    const int last = below ? body.top : size.cy;
    for (int y = first; y < last; ++y) {
        dc.BitBlt(0, y, size.cx, 1, source, 0, row);
    }
    return bitmap;
}

int ShadowMaskGrey(int darkness) {
    // Rounded as the platform's multiply-and-divide rounds: 255 * 50 / 100 = 127.5 gives 128.
    const int product = 255 * (100 - darkness);
    return (product + 50) / 100;
}

gfx::CBitmap CastTipShadow(CDrawManager& drawManager, const TipComposition& parts,
                           const TipSettings& settings) {
    const double ratio = parts.content ? parts.content.DevicePixelRatio() : 1.0;
    gfx::CBitmap shadowed = gfx::CBitmap::Create(parts.window.cx, parts.window.cy, ratio);
    if (!shadowed) {
        return shadowed;
    }
    gfx::CDc dc(shadowed);
    if (parts.translucent) {
        dc.FillSolidRect({0, 0, parts.window.cx, parts.window.cy}, kWhite);
    } else if (parts.beneath) {
        dc.BitBlt(0, 0, parts.window.cx, parts.window.cy, gfx::CDc(parts.beneath), 0, 0);
    }
    gfx::CBitmap mask = gfx::CBitmap::Create(parts.tip.cx, parts.tip.cy);
    if (mask) {
        gfx::CDc maskDc(mask);
        maskDc.FillSolidRect({0, 0, parts.tip.cx, parts.tip.cy}, kWhite);
        const int grey = ShadowMaskGrey(settings.shadowDarkness);
        maskDc.FillRegion(parts.region, gfx::CBrush(gfx::Rgb(grey, grey, grey)));
        drawManager.CastShadow(dc, settings.shadowOffsetX, settings.shadowOffsetY, parts.tip.cx,
                               parts.tip.cy, mask, settings.shadowSoft, settings.shadowDepthX,
                               settings.shadowDepthY);
    }
    if (parts.translucent) {
        TurnDarkeningIntoAlpha(shadowed);
    }
    return shadowed;
}

void PutTipContent(gfx::CDc& dc, const gfx::CBitmap& shadowed, const TipComposition& parts) {
    if (!shadowed || !parts.content) {
        return;
    }
    if (parts.translucent) {
        MakeOpaque(parts.content);
    }
    dc.BitBlt(0, 0, parts.window.cx, parts.window.cy, gfx::CDc(shadowed), 0, 0);
    dc.SelectClipRegion(parts.region);
    dc.BitBlt(0, 0, parts.tip.cx, parts.tip.cy, gfx::CDc(parts.content), 0, 0);
    dc.RemoveClipRegion();
}

gfx::CBitmap ComposeTip(CDrawManager& drawManager, const TipComposition& parts,
                        const TipSettings& settings) {
    const double ratio = parts.content ? parts.content.DevicePixelRatio() : 1.0;
    gfx::CBitmap composed = gfx::CBitmap::Create(parts.window.cx, parts.window.cy, ratio);
    if (composed) {
        gfx::CDc dc(composed);
        PutTipContent(dc, CastTipShadow(drawManager, parts, settings), parts);
    }
    return composed;
}

} // namespace tooltip

#include "tooltip/window/TipPlacement.h"

namespace tooltip {

namespace {

enum AnchorPlace : int { NearLeft = 0, NearRight = 1, Centred = 2 };

int AnchorPlaceOf(int direction) {
    return direction & kTipAnchorBits;
}

// Moves the anchor along the body's edge until the body fits across, or centres it when neither
// end fits.
int ChooseHorizontal(int d, int px, int w, int m, const gfx::Rect& screen) {
    switch (AnchorPlaceOf(d)) {
    case NearLeft:
        if (px + w - m > screen.right) {
            return px - w + m < screen.left ? (d | Centred) : (d ^ 1);
        }
        return d;
    case NearRight:
        if (px + m - w < screen.left) {
            return px - m + w <= screen.right ? (d ^ 1) : (d ^ 3);
        }
        return d;
    default:
        if (px - screen.left <= m) {
            return d ^ 2;
        }
        if (screen.right - px <= m) {
            return d ^ 3;
        }
        return d;
    }
}

// The side is flipped once when the tip does not fit; the flipped side is not tested again.
int ChooseVertical(int d, int py, int h, const gfx::Rect& screen) {
    const bool flip = IsBelow(d) ? py + h > screen.bottom : py - h < screen.top;
    return flip ? d ^ kTipAbove : d;
}

int AnchorX(int d, int px, int w, int m, const gfx::Rect& screen) {
    switch (AnchorPlaceOf(d)) {
    case NearLeft:
        return m;
    case NearRight:
        return w - m;
    default: {
        const int half = w / 2;
        if (px + half > screen.right && px - half >= screen.left) {
            return 2 * half + px - screen.right; // the body's right edge on the screen's
        }
        if (px + half <= screen.right && px - half < screen.left) {
            return px - screen.left; // the body's left edge on the screen's
        }
        return half;
    }
    }
}

// The body never starts left of the screen (left-end and centred anchors) and never ends right of
// it (right-end anchors).
int ClampAnchorX(int d, int ax, int px, int w, const gfx::Rect& screen) {
    if (AnchorPlaceOf(d) == NearRight) {
        return px - ax + w > screen.right ? px - screen.right + w : ax;
    }
    return px - ax < screen.left ? px - screen.left : ax;
}

} // namespace

TipPlacement PlaceTip(gfx::Point point, int direction, gfx::Size bodySize, const gfx::Rect& screen,
                      const TipSettings& settings) {
    const int w = bodySize.cx;
    const int h = bodySize.cy + settings.anchorHeight;
    const int m = settings.anchorMargin;
    int d = ChooseHorizontal(direction, point.x, w, m, screen);
    d = ChooseVertical(d, point.y, h, screen);
    TipPlacement placement;
    placement.window = {w, h};
    placement.direction = d;
    placement.anchor.y = IsBelow(d) ? 0 : h;
    placement.anchor.x = ClampAnchorX(d, AnchorX(d, point.x, w, m, screen), point.x, w, screen);
    return placement;
}

} // namespace tooltip

#pragma once
// Where a tip goes: its settings (margins, corners, anchor, shadow), the six directions of its
// anchor, and the choice of direction and anchor point that keeps it on the virtual screen.

#include "gfx/GfxTypes.h"

namespace tooltip {

// Bit 0x10: the body lies above the point (anchor on its bottom edge); the low two bits give the
// anchor's place along that edge: 0 near the left end, 1 near the right end, 2 centred.
enum TipDirection : int {
    BelowAnchorLeft = 0,
    BelowAnchorRight = 1,
    BelowAnchorCentre = 2,
    AboveAnchorLeft = 16,
    AboveAnchorRight = 17,
    AboveAnchorCentre = 18,
};

inline constexpr int kTipAbove = 0x10;
inline constexpr int kTipAnchorBits = 0x03;

[[nodiscard]] constexpr bool IsBelow(int direction) {
    return (direction & kTipAbove) == 0;
}

struct TipSettings {
    int startDirection = AboveAnchorLeft;
    int cornerWidth = 16;
    int cornerHeight = 16;
    int marginX = 12;
    int marginY = 12;
    int anchorWidth = 12;  // base of the anchor triangle, along the body's edge
    int anchorHeight = 16; // from the body's edge to the anchor's point
    int anchorMargin = 16; // from the body's left or right end to the anchor
    int shadowOffsetX = 6;
    int shadowOffsetY = 6;
    int shadowDepthX = 7;
    int shadowDepthY = 7;
    int shadowDarkness = 50; // per cent
    bool shadowSoft = true;
    int frameWidth = 1;
    int frameHeight = 1;
};

struct TipPlacement {
    gfx::Size window;  // body and anchor strip, without the shadow
    gfx::Point anchor; // the anchor's point, in window coordinates
    int direction = AboveAnchorLeft;
};

// Chooses the direction and the anchor point for a body of bodySize whose anchor is to point at
// `point`, starting from `direction`, within `screen` (the virtual screen).
[[nodiscard]] TipPlacement PlaceTip(gfx::Point point, int direction, gfx::Size bodySize,
                                    const gfx::Rect& screen, const TipSettings& settings);

} // namespace tooltip

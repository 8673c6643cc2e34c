#pragma once
// The tip's shape and the pictures made from it: the rounded body with its anchor triangle, the
// background with its anchor strip, and the composition of content, shadow and what lies beneath.

#include "gfx/CBitmap.h"
#include "gfx/CDc.h"
#include "gfx/CRegion.h"
#include "tooltip/window/TipPlacement.h"

namespace tooltip {

class CDrawManager;

// The body's rectangle within a window of the placement's size.
[[nodiscard]] gfx::Rect TipBodyRect(const TipPlacement& placement, const TipSettings& settings);

// Body (a rounded rectangle) united with the anchor triangle whose point is the placement's anchor.
[[nodiscard]] gfx::CRegion BuildTipRegion(const TipPlacement& placement,
                                          const TipSettings& settings);

// The body filled with colour; the anchor strip repeats the body's row next to it (the row one
// pixel inside the body's edge), so an effect drawn over the body would continue into the anchor.
[[nodiscard]] gfx::CBitmap BuildTipBackground(const gfx::CDc& compatible,
                                              const TipPlacement& placement,
                                              const TipSettings& settings, gfx::ColorRef colour);

// The grey level of the shadow mask for a darkness in per cent (128 for 50).
[[nodiscard]] int ShadowMaskGrey(int darkness);

// What one composition takes: the content (tip size, without the shadow), the tip region, and
// the picture of what lies beneath (window size, shadow included).
struct TipComposition {
    gfx::CBitmap content;
    gfx::CRegion region;
    gfx::CBitmap beneath; // ignored when translucent
    gfx::Size tip;        // without the shadow
    gfx::Size window;     // with the shadow
    // For a window that the desktop blends by alpha: the shadow band becomes black with alpha
    // (1 - darkening) over nothing, the tip opaque; the pixels are premultiplied.
    bool translucent = false;
};

// A copy of what lies beneath, darkened under the shifted, softened tip region (window size). It
// changes only when the tip shows again, so repaints reuse it.
[[nodiscard]] gfx::CBitmap CastTipShadow(CDrawManager& drawManager, const TipComposition& parts,
                                         const TipSettings& settings);
// Copies the shadowed picture into dc and the content onto it within the tip region. The
// content's alpha bytes are set opaque when translucent.
void PutTipContent(gfx::CDc& dc, const gfx::CBitmap& shadowed, const TipComposition& parts);
// Both steps into a new bitmap of the window's size.
[[nodiscard]] gfx::CBitmap ComposeTip(CDrawManager& drawManager, const TipComposition& parts,
                                      const TipSettings& settings);

} // namespace tooltip
